#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/errors.h"

// What the program asks of the operating system (Linux, the one it is built for): paths, and reading and
// saving whole files.
namespace pv::platform {

inline constexpr char kSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;

// Paths are UTF-8 texts throughout the program, taken as they are given: a "\" is part of a name here, and
// only the names the configuration files store read it as a folder separator (see core/paths.h). Links are
// followed.
bool FileExists(const std::string& path);    // an existing regular file: not a folder, pipe or device
bool FolderExists(const std::string& path);  // an existing folder
// Anything at all at `path`, or a path that cannot be looked at (too long, behind a folder that may not be
// entered): what loaders tell apart from a file that is simply missing.
bool PathExists(const std::string& path);
// What is at `path` when it is there but is not a regular file: "a folder", "a named pipe (FIFO)",
// "a socket", "a device", "a link that leads back to itself (a link loop)"; "" for a regular file and
// for nothing at all. Reading a pipe or a device would wait for ever, and a folder is no file.
std::string NotARegularFile(const std::string& path);
// Both of the above from one look at the path.
struct PathLook {
    bool exists = false;
    std::string notRegular;
    // Why the path could not be looked at, in the system's words ("Permission denied", "File name too long");
    // "" when it could. Such a path counts as existing: it may well name a file.
    std::string unreachable;
    bool regularFile() const { return exists && notRegular.empty() && unreachable.empty(); }
};
PathLook LookAt(const std::string& path);
// Why no file can be read at the path looked at, as the rest of a sentence naming it: "is a folder, not a
// file", "cannot be reached (Permission denied)"; "" for a regular file and for a path at which nothing is.
// Only the latter is a missing file, which each caller names in words of its own; everything else is said
// with this, so that no caller sends the user looking for a file that is there.
std::string WhyNotAFile(const PathLook& look);
// The same for a folder: "is a file, not a folder", "cannot be reached (Permission denied)"; "" for a folder
// and for a path at which nothing is.
std::string WhyNotAFolder(const PathLook& look);
// Parent folder of a path, without a trailing separator ("" when there is none).
std::string ParentFolder(const std::string& path);
// The name of a file without its folder.
std::string FileName(const std::string& path);
std::string CurrentDirectory();
// Folder of the running executable, without a trailing separator.
std::string ExecutableDirectory(const char* argv0);

// The largest file read whole: no configuration file (nor its backup) comes near it (10,000 mailboxes take
// 13 MB), and a larger one (which a crash filled with zero bytes, say) would take minutes and gigabytes
// before its first byte told what it is. A whole read of a larger file is refused before it starts.
inline constexpr size_t kLargestConfigFile = size_t{256} << 20;

// Reads a whole regular file, or its first maxBytes; throws AppError with a readable description when it
// cannot, also for a path that is not a regular file (without waiting on a pipe) and for a whole file larger
// than kLargestConfigFile.
std::string ReadFileBytes(const std::string& path, size_t maxBytes = std::string::npos);

// What a file was when it was read: which file it was (device and inode), the size and modification time
// of the open file, and a hash of the bytes read from it. Two fingerprints of the same path differ when
// another program changed the file between, or put another file in its place (a rename over it, a link to
// another file), even one with the same bytes.
struct FileFingerprint {
    bool present = false;  // false: nothing was at the path
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modified = 0;  // nanoseconds
    size_t content = 0;    // hash of the bytes; 0 when they could not be read
};
// Reads a whole regular file like ReadFileBytes, and describes what it read in `read`, so that whoever
// keeps the bytes need not read the file again to know later whether it changed.
std::string ReadFileBytes(const std::string& path, FileFingerprint& read);
// The same read into a buffer that is not zero-filled first: a large master is read into megabytes that
// would otherwise be written twice.
struct FileBufferRelease {
    size_t capacity = 0;
    void operator()(char* block) const noexcept;
};
struct FileBuffer {
    std::unique_ptr<char[], FileBufferRelease> bytes;
    size_t size = 0;
    std::string_view view() const { return {bytes.get(), size}; }
};
// `lookedAt`: the caller has just found a regular file at the path (LookAt), which is not looked at again
// before it is opened (the open still refuses anything else).
FileBuffer ReadFileBuffer(const std::string& path, FileFingerprint& read, bool lookedAt = false);
// Replaces the file with the given bytes so that it holds either its old text or the new one, never a part:
// a new file in the same folder (unnamed until complete), flushed, then renamed over the old one and the
// folder flushed, keeping owner, group, permissions and extended attributes (access lists). Writes through
// links (creating the file a dangling link names; a link loop is refused). Writes in place instead where a
// replacement would change the file or cannot be made: other hard links to it, a folder we may not create
// files in, an owner or group a new file could not get, attributes that cannot be copied, a file mounted on
// its own (a bind mount). Written in place, the file is cut for a moment: a complete copy of its old text
// is kept first (see FindUnfinishedSave) and removed when the file is written, flushed and read back; a
// failure puts the old text back. Throws AppError on failure, naming the copy when the file may be cut;
// otherwise the old file keeps its text and nothing is left behind. Throws UncertainSave when the new text is
// in the file but the folder could not be flushed after the rename: the new name may not outlast a power
// failure.
// With `seen` (what the caller last found at the path, no file included): when the file is no longer that
// one as it is about to be replaced or rewritten (another program changed, replaced, created or removed it
// while the new text was being written and flushed), nothing is written and AppError says so.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes,
                           const FileFingerprint* seen = nullptr);
// What ReplaceFileAtomically and MakeSaveCertain throw when the file holds the text under its name, but could
// not be made to outlast a power failure, after which it may hold its old text again.
class UncertainSave : public AppError {
  public:
    using AppError::AppError;
};
// Flushes the file at `path` (links followed), and the folder it lies in, to the disk: a save that finds the
// file holding its text already makes that text as certain as a write would, since a write whose folder
// could not be flushed may have put it there. Throws UncertainSave when either cannot be flushed.
void MakeSaveCertain(const std::string& path);

// Throws the AppError ReplaceFileAtomically would throw before writing anything, for what no way of writing
// gets around: the folder is missing, the file is no regular file, or the user may not write it. Whether
// the folder lets a new file replace it does not matter here: the file is then written in place.
void CheckWritable(const std::string& path);

// The file a path names, links followed one by one (the path itself when it is no link); a dangling link
// gives the path of the file it would name. Throws AppError for a link loop.
std::string FollowedPath(const std::string& path);

// Keeps a copy of the file at `path` (links followed) as `name` in the file's folder, written as a save
// writes a file: complete and flushed before it has that name, with the file's owner, group, permissions
// and extended attributes (access lists), the folder flushed after. A name already taken gives false and
// nothing is written. Throws AppError naming the backup when it cannot be made so (the folder may not be
// written, the owner cannot be given, ...); nothing is then left under the name. With `text` the backup
// holds that text instead of the file's present one, still with the file's owner, group, permissions and
// attributes.
bool WriteBackupCopy(const std::string& path, const std::string& name, const std::string* text = nullptr);

// A copy of a file's present text made as WriteBackupCopy makes one, that replaces the file called `name`
// beside it only when Place is called: a save makes it before it writes the file, and places it once the
// file is written, so that a save that fails leaves the backup before it as it was. One never placed is
// removed when it ends.
class StagedBackup {
  public:
    StagedBackup();
    ~StagedBackup();
    StagedBackup(StagedBackup&&) noexcept;
    StagedBackup& operator=(StagedBackup&&) noexcept;
    bool Staged() const { return copy_ != nullptr; }
    // Gives the copy its name. 0, or the error number of a rename that failed: the file of that name keeps
    // what it held, and the copy stays staged for PlaceAs. Throws AppError naming the backup when the name
    // was given but the folder could not be flushed.
    int Place();
    // Gives the staged copy the name `name` instead, when no file has it; false when one has. Throws
    // AppError naming the backup when the copy cannot be named so.
    bool PlaceAs(const std::string& name);

  private:
    struct Copy;
    std::unique_ptr<Copy> copy_;
    friend StagedBackup StageBackupCopy(const std::string& path, const std::string& name);
};
// Throws AppError as WriteBackupCopy does.
StagedBackup StageBackupCopy(const std::string& path, const std::string& name);

// What a save in place that did not finish (the program was killed, the machine stopped, or neither the new
// text nor the old could be written) left: a complete copy of the text the file had before. The copy lies
// beside the file as NAME.before-save when it could have the file's owner, group, permissions and access
// lists there, else in the user's state folder ($XDG_STATE_HOME or ~/.local/state, in
// postvane-config/unfinished-saves) under the file's whole path, as FOLDER/NAME.DEVICE-INODE.before-save, for
// the user alone: it is offered to that path only, while it names that file.
struct UnfinishedSave {
    std::string file;     // the file as it was named when asked about
    std::string copy;     // the copy of its text before that save
    int64_t started = 0;  // when that save began (the copy's modification time), nanoseconds since 1970
};
// Whether the last save of the file at `path` (links followed) did not finish. A save running right now
// (it holds its copy locked) is not reported.
std::optional<UnfinishedSave> FindUnfinishedSave(const std::string& path);
// Puts the copy's text back into the file (a save like any other), then removes the copy.
void RestoreUnfinishedSave(const UnfinishedSave& save);
// Removes the copy: the file is kept as it is. A save in place leaves a copy an earlier one left alone
// (it holds the last complete text), so this is how it goes once the user has chosen, or once a save of
// the file has finished (RetireUnfinishedSave).
void DiscardUnfinishedSave(const UnfinishedSave& save);

// The entries of the folder at `path` (links are entries of their own, not followed), in no set order.
// `error` says why when the folder could not be listed, or not to its end: the entries are then those
// listed before.
std::vector<std::filesystem::directory_entry> FolderEntries(const std::string& path, std::error_code& error);

namespace testing {
// Called with every folder FolderEntries lists, before it is opened; a result other than 0 is the error
// number the listing then fails with (a folder the user may not read, for a test run by root).
void SetListFaultHook(std::function<int(const std::string& folder)> hook);
// Forces the named temporary file that systems without unnamed ones use.
void UseUnnamedTemporaryFiles(bool use);
// Called with the temporary file, complete and with its final permissions, just before it replaces the old.
void SetBeforeReplaceHook(std::function<void(int fd)> hook);
// Called with the path of every file read, before it is opened.
void SetReadHook(std::function<void(const std::string& path)> hook);
// The steps of a save at which a test can make a failure happen.
enum class SaveStep {
    ReadOld,       // reading the text of a file that is written in place
    WriteInPlace,  // writing the new text in place (the hook may write a part first)
    Restore,       // putting the old text back after that write failed
    Replace,       // renaming the new file over the old one
    FlushFolder,   // flushing a folder after a name was given or taken in it
};
// Called at each of those steps with the descriptor the step works on (the folder's for the last two); a
// result other than 0 is the error number the step then fails with.
void SetFaultHook(std::function<int(SaveStep step, int fd)> hook);
}  // namespace testing

// While it lives, what is typed on the terminal `fd` is not shown (a password being typed); nothing when `fd`
// is no terminal. Echo comes back when it ends, and when SIGINT, SIGTERM, SIGHUP or SIGQUIT stop the program
// meanwhile: a terminal left silent would hide what the user types next.
class HiddenTyping {
  public:
    explicit HiddenTyping(int fd);
    ~HiddenTyping();
    HiddenTyping(const HiddenTyping&) = delete;
    HiddenTyping& operator=(const HiddenTyping&) = delete;

  private:
    bool hidden_ = false;
};

// A hash of text for the program's tables of names and paths (XXH3): several times as fast as the standard
// library's on the short texts they hold, which a check hashes a million times.
size_t HashText(std::string_view text) noexcept;
struct TextHash {
    size_t operator()(std::string_view text) const noexcept { return HashText(text); }
};

// Lower-cases ASCII letters; used where file names compare without regard to case.
std::string AsciiLower(std::string text);

}  // namespace pv::platform
