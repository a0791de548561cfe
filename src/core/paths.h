#pragma once
#include <optional>
#include <string>
#include <vector>

namespace pv {

// Configuration paths as the files store them: "+" is the folder of the referring file, a relative name
// (also one beginning with ".") lies below the program directory, an absolute name is used unchanged.
// The program directory is fixed for a run and handed in, so tests choose it.
class PathContext {
  public:
    explicit PathContext(std::string programDirectory);
    // A copy never shares a ReferringFileScope of the original.
    PathContext(const PathContext& other)
        : programDirectory_(other.programDirectory_), programFolder_(other.programFolder_) {}
    PathContext& operator=(const PathContext& other) {
        programDirectory_ = other.programDirectory_;
        programFolder_ = other.programFolder_;
        pinned_.reset();
        return *this;
    }

    const std::string& programDirectory() const { return programDirectory_; }

    // A stored name made absolute; its backslashes are folder separators.
    std::string MakeAbsolutePath(const std::string& path) const;
    // The master file's path, which no file stores: a full one (from the command line or the file chooser)
    // is the system's name for the file, backslashes and all; a relative one is read as a stored name.
    std::string MakeMasterPath(const std::string& masterText) const;
    std::string ResolvePath(const std::string& referringFile, const std::string& storedPath) const;
    std::string MakeStoredPath(bool useReferring, const std::string& chosenPath,
                               const std::string& referringFile) const;
    std::vector<std::string> MakeStoredPaths(bool useReferring, const std::vector<std::string>& chosenPaths,
                                             const std::string& referringFile) const;

  private:
    friend class ReferringFileScope;
    // What the file system says about a referring file: whether it exists, and its folder as the system
    // names it.
    struct Referring {
        std::string file;
        bool exists = false;
        std::string folder;
        std::string collapsedFolder;  // folder with "/./" collapsed, as stored paths are compared with it
        // The same folder spelled plainly, where its name holds ".." or "//" and the system says both names
        // are one folder: a file dialog gives chosen paths so. Empty otherwise.
        std::string plainFolder;
    };
    // `folder` (a name the system gave, kept as it is) followed by a stored name, made absolute.
    std::string Absolute(const std::string& folder, const std::string& storedPath) const;
    // The pinned description, or a fresh one kept in `asked_` until the next call.
    const Referring& Describe(const std::string& referringFile) const;

    std::string programDirectory_;
    std::string programFolder_;  // with "/./" collapsed
    mutable std::optional<Referring> pinned_;
    mutable Referring asked_;
};

// While a scope lives, the paths ask the file system about its referring file once, not once per name: a
// master with thousands of mailboxes would otherwise stat the same file tens of thousands of times in one
// save. Open it around one write only, when the referring file cannot appear or vanish meanwhile.
class ReferringFileScope {
  public:
    ReferringFileScope(const PathContext& paths, const std::string& referringFile);
    // Around the writing of `file` itself: "+" is the file's folder whether the file is there or not (not
    // yet, or no longer when another program removed it). Asked of the file system, a missing file would
    // leave its own name as the base, and every name written would point below it.
    struct Writing {};
    ReferringFileScope(const PathContext& paths, const std::string& file, Writing);
    ~ReferringFileScope();
    ReferringFileScope(const ReferringFileScope&) = delete;
    ReferringFileScope& operator=(const ReferringFileScope&) = delete;

  private:
    const PathContext& paths_;
    std::optional<PathContext::Referring> previous_;
};

// True for "C:..." and for paths that begin with "\" or "/".
bool IsAbsoluteConfigPath(const std::string& path);

// A folder's name without "/./", "..", doubled slashes or a trailing slash, taken as text: after a link,
// "link/.." names another folder than the plain name does.
std::string PlainFolderName(const std::string& folder);

// The master file named on the command line: the text as a whole (on Linux the arguments joined by single
// blanks), as the shell gave it (a backslash is part of a name), a relative one taken relative to
// `currentDirectory` and made absolute; "" stays "".
std::string CommandLineMasterPath(const std::string& commandLineText, const std::string& currentDirectory);
// Whether a name typed on the command line is relative while the current folder could not be read (it was
// removed, or a folder above it can no longer be searched; `currentDirectory` is then ""). Such a name
// names no file: resolved against any other folder it would name another one.
bool RelativeToUnknownFolder(const std::string& commandLineText, const std::string& currentDirectory);
// What is said of such a name, as the tool and the windows say it.
std::string UnknownFolderMessage(const std::string& commandLineText);

}  // namespace pv
