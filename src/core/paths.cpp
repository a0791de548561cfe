#include "core/paths.h"

#include <algorithm>

#include "core/platform.h"

namespace pv {
namespace {

std::string Slashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// Replaces `prefix` by `replacement` only where it starts the path and ends at a folder boundary,
// comparing letters the way the platform compares file names.
bool ReplaceLeadingFolder(std::string& path, const std::string& prefix, const std::string& replacement) {
    if (prefix.empty() || path.size() < prefix.size()) return false;
    const std::string head = path.substr(0, prefix.size());
    const bool same = platform::kFileNamesIgnoreCase ? platform::AsciiLower(head) == platform::AsciiLower(prefix)
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
    while (programDirectory_.size() > 1 &&
           (programDirectory_.back() == '/' || programDirectory_.back() == '\\')) {
        programDirectory_.pop_back();
    }
}

bool IsAbsoluteConfigPath(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string PathContext::MakeAbsolutePath(const std::string& path) const {
    if (path.size() > 2 && !IsAbsoluteConfigPath(path)) {
        return platform::NativePath(programDirectory_ + platform::kSeparator + path);
    }
    return platform::NativePath(path);
}

std::string PathContext::ReferringFolder(const std::string& referringFile) {
    if (!platform::FileExists(referringFile)) return std::string();
    return Slashes(platform::ParentFolder(referringFile));
}

std::string PathContext::ResolvePath(const std::string& referringFile, const std::string& storedPath) const {
    std::string path = storedPath;
    if (!path.empty() && path[0] == '+') {
        const std::string base =
            platform::FileExists(referringFile) ? Slashes(platform::ParentFolder(referringFile)) : referringFile;
        path = base + path.substr(1);
    }
    return MakeAbsolutePath(path);
}

std::string PathContext::MakeStoredPath(bool useReferring, const std::string& chosenPath,
                                        const std::string& referringFile) const {
    std::string p = Slashes(useReferring ? ResolvePath(referringFile, chosenPath) : MakeAbsolutePath(chosenPath));
    // "/./" becomes "/" in one left-to-right pass.
    std::string collapsed;
    collapsed.reserve(p.size());
    for (size_t i = 0; i < p.size();) {
        if (p.compare(i, 3, "/./") == 0) {
            collapsed += '/';
            i += 3;
        } else {
            collapsed += p[i++];
        }
    }
    p = std::move(collapsed);

    std::string r;
    if (useReferring) {
        if (referringFile.empty()) return p;
        r = p;
        const std::string folder = ReferringFolder(referringFile);
        if (!folder.empty()) ReplaceLeadingFolder(r, folder, "+");
    }
    if (r.find('+') == std::string::npos) {
        r = p;
        ReplaceLeadingFolder(r, Slashes(programDirectory_), ".");
    }
    return r;
}

std::vector<std::string> PathContext::MakeStoredPaths(bool useReferring, const std::vector<std::string>& chosenPaths,
                                                      const std::string& referringFile) const {
    std::vector<std::string> stored;
    stored.reserve(chosenPaths.size());
    for (const auto& path : chosenPaths) stored.push_back(MakeStoredPath(useReferring, path, referringFile));
    return stored;
}

}  // namespace pv
