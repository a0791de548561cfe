#include "core/filechoice.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"
#include "core/xml.h"

namespace pv {

namespace {

// Folders no user keeps configuration files in, and where a dialog would only show programs.
constexpr const char* kSystemFolders[] = {"/",
                                          "/bin",
                                          "/sbin",
                                          "/lib",
                                          "/usr",
                                          "/usr/bin",
                                          "/usr/sbin",
                                          "/usr/lib",
                                          "/usr/libexec",
                                          "/usr/local/bin",
                                          "/usr/local/sbin",
                                          "/boot",
                                          "/dev",
                                          "/proc",
                                          "/sys"};

// Whether two names are one folder, through links too ("/bin" and "/usr/bin" where /bin is a link).
bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return PlainFolderName(a) == PlainFolderName(b) || std::filesystem::equivalent(a, b, error);
}

bool IsUsableStart(const Services& services, const std::string& folder) {
    if (folder.empty() || !platform::FolderExists(folder)) return false;
    if (SameFolder(folder, services.paths.programDirectory())) return false;
    for (const char* system : kSystemFolders) {
        if (SameFolder(folder, system)) return false;
    }
    return true;
}

}  // namespace

std::string DialogStartFolder(const Services& services, const std::string& named,
                              const std::vector<std::string>& others) {
    std::vector<std::string> candidates;
    if (!named.empty()) candidates.push_back(platform::ParentFolder(named));
    candidates.insert(candidates.end(), others.begin(), others.end());
    candidates.push_back(services.settings.Text(kLastFolderKey));
    for (const std::string& folder : candidates) {
        if (IsUsableStart(services, folder)) return PlainFolderName(folder);
    }
    const char* home = std::getenv("HOME");
    return home && *home && platform::FolderExists(home) ? std::string(home) : std::string();
}

std::string DialogFileName(const std::string& start, const std::string& named, const std::string& usual) {
    const bool inItsFolder = !named.empty() && start == PlainFolderName(platform::ParentFolder(named));
    return inItsFolder ? platform::FileName(named) : usual;
}

void RememberDialogFolder(const Services& services, const std::string& chosen, bool isFolder) {
    const std::string folder = isFolder ? chosen : platform::ParentFolder(chosen);
    if (IsUsableStart(services, folder)) services.settings.SetText(kLastFolderKey, PlainFolderName(folder));
}

std::optional<std::string> ChooseConfigFile(const Services& services, const FileChoice& choice,
                                            const std::string& currentText) {
    FileDialogRequest request;
    request.title = choice.title;
    request.pattern = choice.pattern;
    request.filter = choice.filter;
    request.mode = choice.mode;
    request.refuseReadOnly = choice.refuseReadOnly || choice.mode != FileCheck::MustExist;
    const std::string current =
        currentText.empty() ? std::string() : services.paths.ResolvePath(choice.referringFile, currentText);
    std::vector<std::string> others;
    if (platform::FileExists(choice.referringFile)) {
        const std::string folder = platform::ParentFolder(choice.referringFile);
        if (!choice.startSubfolder.empty())
            others.push_back(folder + platform::kSeparator + choice.startSubfolder);
        others.push_back(folder);
    }
    if (choice.startFolder == StartFolder::ProgramConfig)
        others.push_back(services.paths.MakeAbsolutePath("config"));
    request.initialFolder = DialogStartFolder(services, current, others);
    request.fileName = DialogFileName(request.initialFolder, current, choice.defaultName);
    const auto chosen = services.dialogs.ChooseOpenFile(request);
    if (!chosen) return std::nullopt;
    RememberDialogFolder(services, *chosen);
    return StoredNameOfChosen(services, true, *chosen, choice.referringFile);
}

std::string StoredNameOfChosen(const Services& services, bool useReferring, const std::string& chosen,
                               const std::string& referringFile) {
    const std::string stored = services.paths.MakeStoredPath(useReferring, chosen, referringFile);
    if (chosen.find('\\') == std::string::npos) return stored;
    const std::string back = useReferring ? services.paths.ResolvePath(referringFile, stored)
                                          : services.paths.MakeAbsolutePath(stored);
    const auto normal = [](const std::string& path) {
        return std::filesystem::path(path).lexically_normal().string();
    };
    if (normal(back) != normal(chosen)) {
        throw AppError(kErrInvalidName,
                       "The file " + chosen +
                           " cannot be named in a configuration file: its path holds a "
                           "backslash, which a configuration file reads as a folder separator");
    }
    return stored;
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

bool CreateFileIfMissing(const Services& services, const std::string& path, const std::string& skeleton) {
    if (platform::FileExists(path)) return true;
    try {
        WriteTextFile(path, skeleton);
        return true;
    } catch (const AppError& error) {
        services.prompts.ShowMessage(FormatError("Error=", error));
        return false;
    }
}

}  // namespace pv
