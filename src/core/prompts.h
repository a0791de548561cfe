#pragma once
#include <string>

namespace pv {

inline constexpr const char* kAppTitle = "PostvaneConfig";
inline constexpr const char* kConfirmDeleteTitle = "Confirm Delete";

enum class Answer { Ok, Yes, No, Cancel };

// Every message box of the program goes through this interface: the windows show real boxes,
// the command-line tool prints to standard error, and tests script the answers.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    // OK-only message box with the application's title, for what went wrong or needs attention: a check
    // that failed, an error, a file that could not be read.
    virtual void ShowMessage(const std::string& text) = 0;
    // The same box for a report of success ("Saved"); it carries the information icon instead of the
    // warning one, and the tool prints it only when asked to be verbose.
    virtual void ShowInformation(const std::string& text) { ShowMessage(text); }
    // Yes/No question; returns Answer::Yes or Answer::No.
    virtual Answer AskYesNo(const std::string& text, const std::string& title = kAppTitle) = 0;
    // Yes/No/Cancel question with the application's title.
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
};

}  // namespace pv
