#pragma once
#include <string>
#include <vector>

namespace pv {

// Configuration paths as the files store them: "+" is the folder of the referring file, a relative name
// (also one beginning with ".") lies below the program directory, an absolute name is used unchanged.
// The program directory is fixed for a run and handed in, so tests choose it.
class PathContext {
public:
    explicit PathContext(std::string programDirectory);

    const std::string& programDirectory() const { return programDirectory_; }

    std::string MakeAbsolutePath(const std::string& path) const;
    std::string ResolvePath(const std::string& referringFile, const std::string& storedPath) const;
    std::string MakeStoredPath(bool useReferring, const std::string& chosenPath,
                               const std::string& referringFile) const;
    std::vector<std::string> MakeStoredPaths(bool useReferring, const std::vector<std::string>& chosenPaths,
                                             const std::string& referringFile) const;

    // Folder of the referring file when it names an existing file, with "/" separators; else "".
    static std::string ReferringFolder(const std::string& referringFile);

private:
    std::string programDirectory_;
};

// True for "C:..." and for paths that begin with "\" or "/".
bool IsAbsoluteConfigPath(const std::string& path);

}  // namespace pv
