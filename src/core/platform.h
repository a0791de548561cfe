#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// What the program asks of the operating system (Linux, the one it is built for): paths, and reading and
// saving whole files.
namespace pv::platform {

inline constexpr char kSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;

// Paths are UTF-8 texts throughout the program. Links are followed.
bool FileExists(const std::string& path);    // an existing regular file: not a folder, pipe or device
bool FolderExists(const std::string& path);  // an existing folder
// Anything at all at `path`: what loaders tell apart from a file that is simply missing.
bool PathExists(const std::string& path);
// What is at `path` when it is there but is not a regular file: "a folder", "a named pipe (FIFO)",
// "a socket", "a device", "a link that leads back to itself (a link loop)"; "" for a regular file and
// for nothing at all. Reading a pipe or a device would wait for ever, and a folder is no file.
std::string NotARegularFile(const std::string& path);
// Parent folder of a path, without a trailing separator ("" when there is none).
std::string ParentFolder(const std::string& path);
// The name of a file without its folder.
std::string FileName(const std::string& path);
std::string CurrentDirectory();
// Folder of the running executable, without a trailing separator.
std::string ExecutableDirectory(const char* argv0);
// Native form of a configuration path: on Linux a "\" kept in an older file is a folder separator.
std::string NativePath(const std::string& path);

// Reads a whole regular file, or its first maxBytes; throws AppError with a readable description when it
// cannot, also for a path that is not a regular file (without waiting on a pipe).
std::string ReadFileBytes(const std::string& path, size_t maxBytes = std::string::npos);

// What a file was when it was read: the size and modification time of the open file, and a hash of the
// bytes read from it. Two fingerprints of the same file differ when another program changed it between.
struct FileFingerprint {
    bool present = false;  // false: nothing was at the path
    uint64_t size = 0;
    int64_t modified = 0;  // nanoseconds
    size_t content = 0;    // hash of the bytes; 0 when they could not be read
};
// Reads a whole regular file like ReadFileBytes, and describes what it read in `read`, so that whoever
// keeps the bytes need not read the file again to know later whether it changed.
std::string ReadFileBytes(const std::string& path, FileFingerprint& read);
// Replaces the file with the given bytes so that it holds either its old text or the new one, never a part:
// a new file in the same folder (on Linux unnamed until complete), flushed, then renamed over the old one,
// keeping owner, group, permissions and extended attributes (access lists). Writes through links (creating
// the file a dangling link names; a link loop is refused). Writes in place instead, completely, flushed and
// read back, where a replacement would change the file: other hard links to it, a folder we may not create
// files in, an owner or group a new file could not get, attributes that cannot be copied. Throws AppError
// on failure; the old file keeps its text and nothing is left behind.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes);

namespace testing {
// Forces the named temporary file that systems without unnamed ones use.
void UseUnnamedTemporaryFiles(bool use);
// Called with the temporary file, complete and with its final permissions, just before it replaces the old.
void SetBeforeReplaceHook(std::function<void(int fd)> hook);
// Called with the path of every file read, before it is opened.
void SetReadHook(std::function<void(const std::string& path)> hook);
}  // namespace testing

// Lower-cases ASCII letters; used where file names compare without regard to case.
std::string AsciiLower(std::string text);

}  // namespace pv::platform
