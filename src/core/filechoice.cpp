#include "core/filechoice.h"

#include "core/errors.h"
#include "core/platform.h"
#include "core/xml.h"

namespace pv {

std::optional<std::string> ChooseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText) {
    FileDialogRequest request;
    request.title = choice.title;
    request.pattern = choice.pattern;
    request.filter = choice.filter;
    request.mode = choice.mode;
    request.refuseReadOnly = choice.refuseReadOnly || choice.mode != FileCheck::MustExist;
    const std::string current = services.paths.ResolvePath(choice.referringFile, currentText);
    if (platform::FileExists(current)) {
        request.initialFolder = platform::ParentFolder(current);
        request.fileName = platform::FileName(current);
    } else {
        request.initialFolder = services.paths.programDirectory();
        if (choice.startFolder == StartFolder::ProgramConfig) {
            const std::string config = services.paths.MakeAbsolutePath("config");
            if (platform::FolderExists(config)) request.initialFolder = config;
        } else if (platform::FileExists(choice.referringFile)) {
            request.initialFolder = platform::ParentFolder(choice.referringFile);
            const std::string inside = request.initialFolder + platform::kSeparator + choice.startSubfolder;
            if (!choice.startSubfolder.empty() && platform::FolderExists(inside))
                request.initialFolder = inside;
        }
        request.fileName = choice.defaultName;
    }
    const auto chosen = services.dialogs.ChooseOpenFile(request);
    if (!chosen) return std::nullopt;
    return services.paths.MakeStoredPath(true, *chosen, choice.referringFile);
}

std::optional<std::string> BrowseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText) {
    try {
        return ChooseConfigFile(services, choice, currentText);
    } catch (const AppError& error) {
        services.prompts.ShowMessage(FormatError("Error=", error));
        return std::nullopt;
    }
}

void CreateFileIfMissing(const Services& services, const std::string& path, const std::string& skeleton) {
    if (platform::FileExists(path)) return;
    try {
        WriteTextFile(path, skeleton);
    } catch (const AppError& error) {
        services.prompts.ShowMessage(FormatError("Error=", error));
    }
}

}  // namespace pv
