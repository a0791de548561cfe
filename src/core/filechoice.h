#pragma once
#include <optional>
#include <string>

#include "core/services.h"

namespace pv {

// Where a Browse dialog starts when the file named so far does not exist.
enum class StartFolder {
    ProgramConfig,  // "config" below the program directory if there is one, else the program directory
    Referring,      // `startSubfolder` inside the referring file's folder if there is one, else that folder;
                    // the program directory when the referring file does not exist
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

// The steps every Browse button shares: start the dialog at the current file when it exists, else in the
// choice's start folder with the default name; return the chosen file's stored form, or nullopt when the
// user cancelled. Throws AppError when the dialog fails.
std::optional<std::string> ChooseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText);

// The same, with a dialog error shown as "Error=" and treated like a cancel.
std::optional<std::string> BrowseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText);

// Writes `skeleton` (WriteTextFile adds the final line end) to `path` when no file is there yet, the way a
// Browse button creates the new file it was given; a failure is shown after "Error=".
void CreateFileIfMissing(const Services& services, const std::string& path, const std::string& skeleton);

}  // namespace pv
