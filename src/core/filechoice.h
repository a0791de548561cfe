#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/services.h"

namespace pv {

// Where a file or folder dialog starts: the folder the named file (a full path, or "") lies in when that
// folder exists, else the first of `others` that exists (the folder of the file that names it, or the usual
// folder for such files), else the folder a dialog was last used in, else the user's home folder. Never a
// system folder ("/", "/usr/bin" and the like) or the program's own folder, where an installed program lies
// and nothing of the user's does.
std::string DialogStartFolder(const Services& services, const std::string& named,
                              const std::vector<std::string>& others);
// The name a dialog starting in `start` fills in: that of `named` when it starts in its folder, else
// `usual`.
std::string DialogFileName(const std::string& start, const std::string& named, const std::string& usual);
// Remembers the folder of a chosen file (or a chosen folder itself) for the next dialog's start.
void RememberDialogFolder(const Services& services, const std::string& chosen, bool isFolder = false);

// The name a file stores for a file chosen in a dialog, whose full path is the system's name for it. Throws
// AppError when no stored name leads back to that file: a stored name reads a backslash as a folder
// separator, so a file in a folder whose name holds one cannot be named in a configuration file.
std::string StoredNameOfChosen(const Services& services, bool useReferring, const std::string& chosen,
                               const std::string& referringFile);

// Where a Browse dialog starts when the folder of the file named so far does not exist, before the last
// folder used.
enum class StartFolder {
    ProgramConfig,  // the referring file's folder, else "config" below the program directory
    Referring,      // `startSubfolder` inside the referring file's folder if there is one, else that folder
};

// One Browse button: the file dialog's settings and how the chosen file is stored.
struct FileChoice {
    std::string referringFile;  // full path of the file that will hold the name ("+" base)
    std::string pattern;
    std::string filter;
    std::string title;
    std::string defaultName;
    FileCheck mode = FileCheck::MustExist;
    bool refuseReadOnly = false;
    StartFolder startFolder = StartFolder::ProgramConfig;
    std::string startSubfolder;
};

// The steps every Browse button shares: start the dialog at the current file when it exists (in its folder
// with its name when only the folder does), else as DialogStartFolder says with the default name; return the
// chosen file's stored form, or nullopt when the user cancelled. Throws AppError when the dialog fails.
std::optional<std::string> ChooseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText);

// The same, with a dialog error shown as "Error=" and treated like a cancel.
std::optional<std::string> BrowseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText);

// Writes `skeleton` (WriteTextFile adds the final line end) to `path` when no file is there yet, the way a
// Browse button creates the new file it was given; a failure is shown after "Error=" and gives false, and
// the Browse then changes nothing.
bool CreateFileIfMissing(const Services& services, const std::string& path, const std::string& skeleton);

}  // namespace pv
