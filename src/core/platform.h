#pragma once
#include <string>

// Everything that differs between Windows and the other platforms lives behind these functions.
namespace pv::platform {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kFileNamesIgnoreCase = true;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;
#endif

// Paths are UTF-8 texts throughout the program.
bool FileExists(const std::string& path);    // an existing file that is not a folder
bool FolderExists(const std::string& path);  // an existing folder
// Parent folder of a path, without a trailing separator ("" when there is none).
std::string ParentFolder(const std::string& path);
// The name of a file without its folder.
std::string FileName(const std::string& path);
std::string CurrentDirectory();
// Folder of the running executable, without a trailing separator.
std::string ExecutableDirectory(const char* argv0);
// Native form of a configuration path: on Linux a "\" kept in an older file is a folder separator.
std::string NativePath(const std::string& path);

// Reads a whole file, or its first maxBytes; throws AppError with a readable description when it cannot.
std::string ReadFileBytes(const std::string& path, size_t maxBytes = std::string::npos);
// Replaces the file with the given bytes through a temporary file in the same folder and a rename,
// keeping the old file's permission bits; throws AppError and leaves nothing behind on failure.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Lower-cases ASCII letters; used where file names compare without regard to case.
std::string AsciiLower(std::string text);

}  // namespace pv::platform
