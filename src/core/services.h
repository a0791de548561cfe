#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/SaveReview.h"
#include "core/Settings.h"
#include "core/paths.h"
#include "core/prompts.h"

namespace pv {

class EditorRegistry;
class Form;

// How a file dialog checks the chosen name.
enum class FileCheck {
    MustExist,     // only names of existing files
    CreatePrompt,  // a new name is accepted after the dialog asks whether to create it
    NoCheck,       // any name; the caller deals with a file that does not exist
    SaveAs,        // a save dialog: any name in an existing folder, the default extension added when none
};

struct FileDialogRequest {
    std::string title;
    std::string pattern;        // "*.monitor.xml", given to the dialog before the filter list
    std::string filter;         // "Description|pattern|Description|pattern"; the first pair is selected
    std::string initialFolder;  // where the dialog starts
    std::string fileName;       // the name filled in
    FileCheck mode = FileCheck::MustExist;
    bool refuseReadOnly = false;   // files marked read-only are refused (create-prompt and no-check modes)
    std::string defaultExtension;  // SaveAs: "txt", added to a name typed without one
};

// File and folder dialogs. A cancelled dialog gives nullopt (folders: ""); a failure of the dialog itself
// throws AppError, which the caller shows after "Error=". The folder dialog starts in `startFolder`.
class IFileDialogs {
  public:
    virtual ~IFileDialogs() = default;
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::string ChooseFolder(const std::string& title, const std::string& startFolder) = 0;
};

// Opens a child window modally and returns when it has closed.
class IWindowHost {
  public:
    virtual ~IWindowHost() = default;
    virtual void ShowModal(Form& form) = 0;
    // The same for a window whose files are still being read: its controls may be built meanwhile.
    // `finishLoading` waits for the reading and says whether the window opened.
    virtual void ShowModalWhileLoading(Form& form, const std::function<bool()>& finishLoading) {
        if (finishLoading()) ShowModal(form);
    }
};

// Starts a program without waiting for it. The arguments reach it as they are, never re-split by a shell.
class IProcessLauncher {
  public:
    virtual ~IProcessLauncher() = default;
    virtual bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& workingDirectory) = 0;
};

// The system clipboard.
class IClipboard {
  public:
    virtual ~IClipboard() = default;
    virtual void SetText(const std::string& text) = 0;
};

// What every window's logic uses of the outside world.
struct Services {
    PathContext paths;
    IPrompts& prompts;
    IFileDialogs& dialogs;
    IWindowHost& windows;
    IProcessLauncher& launcher;
    IClipboard& clipboard;
    // The editors a record's file is opened with (core/EditorRegistry.h).
    const EditorRegistry& editors;
    // What the editor remembers between runs (core/Settings.h).
    ISettings& settings;
    // Shows the difference a save would make, when the settings ask for it (ReviewsBeforeSaving).
    IReview& review;
};

}  // namespace pv
