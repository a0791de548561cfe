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
    // OK-only information box with the application's title.
    virtual void ShowMessage(const std::string& text) = 0;
    // Yes/No question; returns Answer::Yes or Answer::No.
    virtual Answer AskYesNo(const std::string& text, const std::string& title = kAppTitle) = 0;
    // Yes/No/Cancel question with the application's title.
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
};

}  // namespace pv
