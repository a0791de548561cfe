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
    // Whether the messages reach someone looking at the windows. The tool's messages leave out what a
    // window shows and name what no window is there to show.
    virtual bool ForWindows() const { return true; }
};

// A message about a file or folder that is not there. A window shows the name next to the message and
// can send the user to the place where it is set; printed by the tool, the message names the path instead.
inline std::string NotFoundMessage(const IPrompts& prompts, const std::string& windowText,
                                   const std::string& toolText, const std::string& path) {
    return prompts.ForWindows() ? windowText : toolText + ": " + path;
}
inline std::string NotFoundMessage(const IPrompts& prompts, const std::string& text,
                                   const std::string& path) {
    return NotFoundMessage(prompts, text, text, path);
}

inline std::string MissingFileMessage(const IPrompts& prompts, const std::string& path) {
    return NotFoundMessage(prompts, "Couldn't load file, it doesn't exist", path);
}

// What a window does with a file it could not read: it shows default values. The tool has nothing to show;
// what it does instead (write nothing, report a failure) it says itself.
inline std::string ReadAsEmptyMessage(bool forWindows) {
    return forWindows ? " It was read as empty, so default values are shown." : "";
}

}  // namespace pv
