#include "core/paths.h"

#include <algorithm>
#include <filesystem>

#include "core/platform.h"

namespace pv {
namespace {

std::string Slashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// "/./" becomes "/" in one left-to-right pass.
std::string CollapseDotFolders(const std::string& path) {
    if (path.find("/./") == std::string::npos) return path;
    std::string collapsed;
    collapsed.reserve(path.size());
    for (size_t i = 0; i < path.size();) {
        if (path.compare(i, 3, "/./") == 0) {
            collapsed += '/';
            i += 3;
        } else {
            collapsed += path[i++];
        }
    }
    return collapsed;
}

// A folder compared with a collapsed path must be collapsed the same way, or a master file opened as
// "./master.xml" would no longer recognise its own folder and every "+" name would turn absolute.
std::string CollapsedFolder(const std::string& folder) {
    std::string collapsed = CollapseDotFolders(folder + "/");
    if (collapsed.size() > 1) collapsed.pop_back();
    return collapsed;
}

// `folder` without ".." and doubled slashes, where the system agrees that it names the same folder (after a
// link, "link/.." is the link's target's parent, which the plain name is not); "" otherwise, or when the
// collapsed name is plain already.
std::string PlainFolder(const std::string& folder, const std::string& collapsed) {
    const std::string plain = PlainFolderName(collapsed);
    if (plain == collapsed) return {};
    std::error_code error;
    return std::filesystem::equivalent(plain, folder, error) ? plain : std::string();
}

// Replaces `prefix` by `replacement` only where it starts the path and ends at a folder boundary,
// comparing letters the way the platform compares file names.
bool ReplaceLeadingFolder(std::string& path, const std::string& prefix, const std::string& replacement) {
    if (prefix.empty() || path.size() < prefix.size()) return false;
    const std::string head = path.substr(0, prefix.size());
    const bool same = platform::kFileNamesIgnoreCase
                          ? platform::AsciiLower(head) == platform::AsciiLower(prefix)
                          : head == prefix;
    if (!same) return false;
    // A prefix that ends in "/" (a root folder) is a boundary itself.
    if (path.size() > prefix.size() && path[prefix.size()] != '/' && prefix.back() != '/') return false;
    if (prefix.back() == '/') {
        path = replacement + "/" + path.substr(prefix.size());
    } else {
        path = replacement + path.substr(prefix.size());
    }
    return true;
}

}  // namespace

PathContext::PathContext(std::string programDirectory) : programDirectory_(std::move(programDirectory)) {
    while (programDirectory_.size() > 1 && programDirectory_.back() == '/') programDirectory_.pop_back();
    programFolder_ = CollapsedFolder(programDirectory_);
}

bool IsAbsoluteConfigPath(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string PathContext::MakeAbsolutePath(const std::string& path) const {
    return Absolute(std::string(), path);
}

std::string PathContext::Absolute(const std::string& folder, const std::string& storedPath) const {
    // "./config/a.xml" names the program's folder; "/./" is dropped from the result (it names the same file
    // without it), so that messages show the path as the user would type it. ".." is kept: through a link
    // it would name another folder. The folder, a name the system gave, keeps its backslashes: only the
    // stored part reads them as separators.
    const std::string path = folder + Slashes(storedPath);
    if (path.size() > 2 && !IsAbsoluteConfigPath(folder.empty() ? storedPath : folder)) {
        return CollapseDotFolders(programDirectory_ + platform::kSeparator + path);
    }
    return CollapseDotFolders(path);
}

std::string PathContext::MakeMasterPath(const std::string& masterText) const {
    // A full path comes from the command line or from the file chooser, as the system names the file; only
    // a relative one is a name typed the way the configuration files write them.
    if (!masterText.empty() && masterText[0] == '/') return CollapseDotFolders(masterText);
    return MakeAbsolutePath(masterText);
}

namespace {
// The folder of an existing file: a name of one or two characters ("d1") is one the current folder holds,
// as the system found it there.
std::string FolderOfFile(const std::string& file) {
    std::string folder = platform::ParentFolder(file);
    return folder.empty() ? platform::CurrentDirectory() : folder;
}
}  // namespace

const PathContext::Referring& PathContext::Describe(const std::string& referringFile) const {
    if (pinned_ && pinned_->file == referringFile) return *pinned_;
    asked_ = Referring{referringFile, platform::FileExists(referringFile), std::string(), std::string(),
                       std::string()};
    if (asked_.exists) {
        asked_.folder = FolderOfFile(referringFile);
        asked_.collapsedFolder = CollapsedFolder(asked_.folder);
        asked_.plainFolder = PlainFolder(asked_.folder, asked_.collapsedFolder);
    }
    return asked_;
}

ReferringFileScope::ReferringFileScope(const PathContext& paths, const std::string& referringFile)
    : paths_(paths), previous_(paths.pinned_) {
    // Within a scope of the same file, what was asked at its start still holds.
    if (previous_ && previous_->file == referringFile) return;
    paths_.pinned_.reset();
    paths_.pinned_ = paths_.Describe(referringFile);
}

ReferringFileScope::ReferringFileScope(const PathContext& paths, const std::string& file, Writing)
    : ReferringFileScope(paths, file) {
    PathContext::Referring& referring = *paths_.pinned_;
    if (referring.exists || file.empty() || platform::FolderExists(file)) return;
    referring.exists = true;
    referring.folder = FolderOfFile(file);
    referring.collapsedFolder = CollapsedFolder(referring.folder);
    referring.plainFolder = PlainFolder(referring.folder, referring.collapsedFolder);
}

ReferringFileScope::~ReferringFileScope() {
    paths_.pinned_ = previous_;
}

std::string PathContext::ResolvePath(const std::string& referringFile, const std::string& storedPath) const {
    std::string path = storedPath;
    if (!path.empty() && path[0] == '+') {
        const Referring& referring = Describe(referringFile);
        std::string base = referring.exists ? referring.folder : referringFile;
        // A referring file in a root folder ("/master.xml") has the base "/"; joining it with "/a.xml" as
        // text would give "//a.xml", which the stored form would keep and grow by one slash per save.
        if (!base.empty() && (base.back() == '/' || base.back() == '\\') && path.size() > 1 &&
            (path[1] == '/' || path[1] == '\\')) {
            base.pop_back();
        }
        return Absolute(base, path.substr(1));
    }
    return MakeAbsolutePath(path);
}

std::string PathContext::MakeStoredPath(bool useReferring, const std::string& chosenPath,
                                        const std::string& referringFile) const {
    const std::string p =
        useReferring ? ResolvePath(referringFile, chosenPath) : MakeAbsolutePath(chosenPath);

    std::string r = p;
    if (useReferring) {
        if (referringFile.empty()) return p;
        const Referring& referring = Describe(referringFile);
        if (referring.exists && !referring.folder.empty() &&
            (ReplaceLeadingFolder(r, referring.collapsedFolder, "+") ||
             ReplaceLeadingFolder(r, referring.plainFolder, "+")))
            return r;
    }
    // Not below the referring folder: below the program's, whatever the names hold (a "+" in a folder's
    // name, "/opt/c++/bin", is no "+" form).
    ReplaceLeadingFolder(r, programFolder_, ".");
    return r;
}

std::vector<std::string> PathContext::MakeStoredPaths(bool useReferring,
                                                      const std::vector<std::string>& chosenPaths,
                                                      const std::string& referringFile) const {
    std::vector<std::string> stored;
    stored.reserve(chosenPaths.size());
    for (const auto& path : chosenPaths) stored.push_back(MakeStoredPath(useReferring, path, referringFile));
    return stored;
}

std::string PlainFolderName(const std::string& folder) {
    std::string plain = std::filesystem::path(folder).lexically_normal().string();
    while (plain.size() > 1 && plain.back() == '/') plain.pop_back();
    return plain;
}

std::string CommandLineMasterPath(const std::string& commandLineText, const std::string& currentDirectory) {
    if (commandLineText.empty()) return std::string();
    // The name as the shell gave it: a backslash in it is part of a file name, not a folder separator.
    if (commandLineText[0] == '/') return commandLineText;
    // Made absolute at once: the program directory, against which the window resolves relative names,
    // is seldom the folder the user started the program from. ".." is kept, as the shell keeps it: after a
    // link to a folder ("link/../master.xml") it names the link's target's parent, not the current folder.
    std::string path = currentDirectory;
    if (path.empty() || path.back() != '/') path += '/';
    return CollapseDotFolders(
        path + (commandLineText.starts_with("./") ? commandLineText.substr(2) : commandLineText));
}

bool RelativeToUnknownFolder(const std::string& commandLineText, const std::string& currentDirectory) {
    return currentDirectory.empty() && !commandLineText.empty() && commandLineText[0] != '/';
}

std::string UnknownFolderMessage(const std::string& commandLineText) {
    return "The current folder cannot be read (it may have been removed), so the relative name " +
           commandLineText + " names no file";
}

}  // namespace pv
