// Saving a whole file without surprises: the text reaches the disk completely or not at all, under the
// name, owner, group, permissions, access lists and extended attributes the file had, through any link
// that names it, and without leaving temporary files behind.
//
// The usual way is a new file in the same folder, filled, flushed and renamed over the old one, so that a
// failure or a crash at any moment leaves either the old text or the new. The new file has no name until
// it is complete (O_TMPFILE), so even a killed editor leaves nothing behind. Where that replacement would
// change what the file is, the file is written in place instead: when the folder does not let us create
// files, when the file has other names (hard links), when its owner or group cannot be given to a new file,
// when its attributes cannot be copied, or when it cannot be replaced at all (a file mounted on its own, as
// a bind mount hands one file to a container).
//
// Written in place, the file is cut for a moment whatever is done, so a complete copy of its old text is
// kept first, under a name that says which file it belongs to: beside the file when the copy can have the
// file's owner, group, permissions and access lists there (it holds the same passwords), else in the
// user's state folder, for the user only. The copy goes when the save has finished; one that is still
// there tells the next open that the save did not finish (FindUnfinishedSave).
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "core/errors.h"
#include "core/platform.h"

namespace pv::platform {

namespace testing {
namespace {
bool unnamedTemporaryFiles = true;
std::function<void(int)> beforeReplace;
std::function<int(SaveStep, int)> fault;
}  // namespace

void UseUnnamedTemporaryFiles(bool use) {
    unnamedTemporaryFiles = use;
}

void SetBeforeReplaceHook(std::function<void(int fd)> hook) {
    beforeReplace = std::move(hook);
}

void SetFaultHook(std::function<int(SaveStep step, int fd)> hook) {
    fault = std::move(hook);
}
}  // namespace testing

namespace {

// Temporary files of this program: short, so that a file name of any allowed length can still be saved,
// and recognisable, so that a save can remove what an interrupted one left.
constexpr const char* kTempPrefix = ".pvsave-";
constexpr size_t kTempRandomLength = 8;
constexpr int kMaxLinkHops = 40;
// The copy of a file written in place ends so, after the file's name beside it and after its name, device
// and inode in the state folder: no pattern that selects configuration files ("*.xml") takes it for one.
constexpr const char* kCopySuffix = ".before-save";
constexpr size_t kMaxNameLength = 255;

std::string Reason(int error) {
    return std::strerror(error);
}

[[noreturn]] void Fail(int number, const std::string& text) {
    throw AppError(number, text);
}

// A failure a test asked for at this step: false, or true with errno set to it.
bool Injected(testing::SaveStep step, int fd) {
    const int error = testing::fault ? testing::fault(step, fd) : 0;
    if (error != 0) errno = error;
    return error != 0;
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports the error a close can bring (a delayed write failure).
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names, links followed one by one: a link that points nowhere gives the path of the file
// it would name (the save creates it there); a chain of links that never ends is refused.
// `found`, when given, receives what is at the path returned (nothing there: false).
std::string FollowLinks(const std::string& path, std::optional<struct stat>* found = nullptr) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        const bool there = ::lstat(current.c_str(), &info) == 0;
        if (!there || !S_ISLNK(info.st_mode)) {
            if (found) *found = there ? std::optional<struct stat>(info) : std::nullopt;
            return current;
        }
        std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0) Fail(kErrFileAccess, "Cannot write " + path + ": " + Reason(errno));
        target.resize(static_cast<size_t>(length));
        current = !target.empty() && target.front() == '/' ? target : ParentOf(current) + "/" + target;
    }
    Fail(kErrFileAccess, "Cannot write " + path + ": it is a link that leads back to itself (a link loop)");
}

std::string RandomName() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 generator{std::random_device{}()};
    std::string name = kTempPrefix;
    for (size_t i = 0; i < kTempRandomLength; ++i) name += kLetters[generator() % (sizeof(kLetters) - 1)];
    return name;
}

bool IsTempName(const char* name) {
    const size_t prefix = std::strlen(kTempPrefix);
    return std::strncmp(name, kTempPrefix, prefix) == 0 && std::strlen(name) == prefix + kTempRandomLength;
}

// Removes what saves of ours left in the folder when they were killed: files of our temporary names,
// owned by us, that no running save holds (each save keeps its file locked until it is renamed).
void RemoveLeftovers(int folder) {
    const int listing = ::dup(folder);
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTempName(entry->d_name)) continue;
        Descriptor file(::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!file) continue;
        struct stat opened {};
        struct stat named {};
        if (::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid()) {
            continue;
        }
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) continue;
        // Still the same file under that name: then nobody is using it.
        if (::fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev) {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

bool WriteAll(int fd, const std::string& bytes, off_t offset = -1) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = offset < 0 ? ::write(fd, bytes.data() + done, bytes.size() - done)
                                           : ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                                      offset + static_cast<off_t>(done));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, std::string& bytes, size_t size) {
    bytes.assign(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return true;
}

// Flushes a folder, so that the names just given or taken in it outlast a power failure. File systems
// that cannot flush a folder say so (EINVAL); that is no failure.
bool FlushFolder(int folder) {
    if (!Injected(testing::SaveStep::FlushFolder, folder) && ::fsync(folder) == 0) return true;
    return errno == EINVAL || errno == EOPNOTSUPP;
}

// A write beyond the size limit for files (ulimit -f) stops the process by SIGXFSZ in the middle of a
// write. Caught instead, the write fails with EFBIG, which the save reports and recovers from like any
// other failure. A handler that does nothing rather than SIG_IGN: the programs we start get the default
// back when they are executed, as they expect.
void NoAction(int) {}

void CatchFileSizeSignal() {
    static const bool caught = [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return false;
        struct sigaction action {};
        action.sa_handler = NoAction;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        return ::sigaction(SIGXFSZ, &action, nullptr) == 0;
    }();
    (void)caught;
}

std::vector<std::string> AttributeNames(ssize_t (*list)(int, char*, size_t), int fd, bool& ok) {
    ok = true;
    std::vector<std::string> names;
    for (;;) {
        const ssize_t size = list(fd, nullptr, 0);
        if (size < 0) {
            ok = errno == ENOTSUP;
            return names;
        }
        std::string buffer(static_cast<size_t>(size), '\0');
        const ssize_t got = list(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == ERANGE) continue;  // attributes added meanwhile
            ok = false;
            return names;
        }
        for (size_t start = 0; start < static_cast<size_t>(got);) {
            const size_t end = buffer.find('\0', start);
            names.push_back(buffer.substr(start, end - start));
            start = end + 1;
        }
        return names;
    }
}

bool AttributeValue(int fd, const std::string& name, std::string& value) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) return false;
        value.assign(static_cast<size_t>(size), '\0');
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

// Gives the new file the extended attributes of the old one (POSIX access lists are among them), and takes
// away those it got that the old one lacks (an access list inherited from the folder). False when that
// cannot be done completely.
bool CopyAttributes(int from, int to) {
    bool ok = true;
    const std::vector<std::string> wanted = AttributeNames(::flistxattr, from, ok);
    if (!ok) return false;
    const std::vector<std::string> present = AttributeNames(::flistxattr, to, ok);
    if (!ok) return wanted.empty();
    std::string value;
    std::string current;
    for (const std::string& name : wanted) {
        if (!AttributeValue(from, name, value)) return false;
        // A value the new file already has (the security label a folder gives every file) needs no right
        // to set it.
        if (AttributeValue(to, name, current) && current == value) continue;
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) continue;
        if (::fremovexattr(to, name.c_str()) != 0) return false;
    }
    return true;
}

// The inode flags an administrator sets with chattr that a new file can be given. Not immutable or
// append-only (a file that has them cannot be replaced at all), nor those the file system keeps for itself.
constexpr int kCopiedInodeFlags = FS_NODUMP_FL | FS_NOATIME_FL | FS_SYNC_FL | FS_SECRM_FL | FS_UNRM_FL |
                                  FS_COMPR_FL | FS_NOCOMP_FL | FS_NOTAIL_FL | FS_NOCOW_FL |
                                  FS_JOURNAL_DATA_FL;

// Gives the new file the old one's flags ("no dump", "no access time", ...), and takes away those of them it
// got from its folder that the old one lacks. False when that cannot be done.
bool CopyInodeFlags(int from, int to) {
    int wanted = 0;
    // A file system without such flags has none to keep, nor has a file we could not open to read them.
    if (::ioctl(from, FS_IOC_GETFLAGS, &wanted) != 0) return true;
    wanted &= kCopiedInodeFlags;
    int flags = 0;
    if (::ioctl(to, FS_IOC_GETFLAGS, &flags) != 0) return wanted == 0;
    if ((flags & kCopiedInodeFlags) == wanted) return true;
    flags = (flags & ~kCopiedInodeFlags) | wanted;
    return ::ioctl(to, FS_IOC_SETFLAGS, &flags) == 0;
}

// A new file in a folder that gets its final name only when it is complete: without any name until then
// where the file system allows (O_TMPFILE), else under a short temporary name of ours. Either way it is
// locked while it is being made, so that no other save takes it for a leftover; a temporary name it still
// has when it goes out of scope is removed.
class NewFile {
  public:
    NewFile(int folder, mode_t mode) : folder_(folder), mode_(mode) {}
    ~NewFile() {
        if (!temp_.empty()) ::unlinkat(folder_, temp_.c_str(), 0);
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int fd() const { return file_.get(); }
    Descriptor& file() { return file_; }

    // 0, or the error number of the creation.
    int Create() {
        if (testing::unnamedTemporaryFiles) {
            file_.reset(::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_));
            if (file_) {
                // Locked like a named one, for the moment it has a temporary name before the rename.
                ::flock(file_.get(), LOCK_EX);
                return 0;
            }
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) return errno;
        }
        return CreateNamed();
    }

    // Gives the complete file the name `name`, over the file of that name. An unnamed file that cannot be
    // given a name here is made again under a temporary name and filled by `fill` once more. 0, or the
    // error number; `created` tells whether it came from making the file again.
    int Replace(const std::string& name, const std::function<void(int)>& fill, bool& created) {
        if (const int error = Stage(fill, created)) return error;
        return Rename(name);
    }

    // The first half of Replace: the complete file gets a temporary name of its own, which it keeps until
    // Rename (or until this ends, which removes it).
    int Stage(const std::function<void(int)>& fill, bool& created) {
        created = false;
        if (temp_.empty() && !LinkUnnamed(RandomName(), true)) {
            if (const int error = CreateNamed()) {
                created = true;
                return error;
            }
            fill(file_.get());
        }
        return 0;
    }

    // The second half: the staged file takes the name `name`, over the file of that name.
    int Rename(const std::string& name) {
        if (Injected(testing::SaveStep::Replace, folder_) ||
            ::renameat(folder_, temp_.c_str(), folder_, name.c_str()) != 0) {
            return errno;
        }
        temp_.clear();
        return 0;
    }

    // Gives the complete file the name `name` when no file has it (else EEXIST). 0, or the error number.
    int Add(const std::string& name, const std::function<void(int)>& fill) {
        if (temp_.empty()) {
            if (LinkUnnamed(name, false)) return 0;
            if (errno == EEXIST) return errno;
            if (const int error = CreateNamed()) return error;
            fill(file_.get());
        }
        if (::renameat2(folder_, temp_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL) return errno;
            // A file system that cannot rename without replacing: a second name, then the first goes.
            if (::linkat(folder_, temp_.c_str(), folder_, name.c_str(), 0) != 0) return errno;
            ::unlinkat(folder_, temp_.c_str(), 0);
        }
        temp_.clear();
        return 0;
    }

  private:
    // An exclusively created, locked file with a short temporary name of our own.
    int CreateNamed() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = RandomName();
            file_.reset(::openat(folder_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode_));
            if (!file_) {
                if (errno == EEXIST) continue;
                return errno;
            }
            // Locked so that no other save takes it for a leftover; one that did so before the lock was
            // taken has removed the name, and another name is tried.
            struct stat info {};
            if (::flock(file_.get(), LOCK_EX) == 0 && ::fstat(file_.get(), &info) == 0 && info.st_nlink > 0) {
                temp_ = name;
                return 0;
            }
            ::unlinkat(folder_, name.c_str(), 0);
        }
        return EEXIST;
    }

    // Gives the unnamed file the name `name` (a temporary one when `temporary`, which is tried again with
    // other names while taken). False with errno when this system cannot, or when `name` is taken.
    bool LinkUnnamed(std::string name, bool temporary) {
        const std::string self = "/proc/self/fd/" + std::to_string(file_.get());
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                if (temporary) temp_ = name;
                return true;
            }
            if (errno != EEXIST || !temporary) return false;
            name = RandomName();
        }
        return false;
    }

    int folder_;
    mode_t mode_;
    Descriptor file_;
    std::string temp_;
};

// The folder this user's copies go to when none can be kept beside the file: $XDG_STATE_HOME, else
// ~/.local/state, then the program's own folder. "" when the user has no home folder.
std::string StateCopyFolder() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        base = state;
    } else {
        std::string home;
        if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == '/') {
            home = variable;
        } else {
            passwd entry{};
            passwd* found = nullptr;
            std::string buffer(16384, '\0');
            if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
                found->pw_dir != nullptr && found->pw_dir[0] == '/') {
                home = found->pw_dir;
            }
        }
        if (home.empty()) return std::string();
        base = home + "/.local/state";
    }
    return base + "/postvane-config/unfinished-saves";
}

// Creates a folder and every one above it that is missing, for this user alone. 0 or the error number.
int MakeFolders(const std::string& path) {
    for (size_t end = 1; end != std::string::npos;) {
        end = path.find('/', end + 1);
        const std::string part = path.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

// Where the copy of a file kept while it is written in place is: beside it, and in the state folder under
// the file's whole path, its folder (links resolved) as folders there and its name followed by its device and
// inode (the name cut to the longest name a folder holds, at a character's start). Both are needed: a file
// system gives the inode of a removed file to the next one made, so that the device and inode alone may name
// another file of that name elsewhere, whose text a restore would replace with this one's; and the path alone
// names whatever another program has put there since. The copies of earlier versions, named
// DEVICE-INODE-NAME in the state folder itself, say nothing of the folder: they are never looked at.
std::vector<std::string> CopyPlaces(const std::string& target, const struct stat* info) {
    std::vector<std::string> places;
    const std::string name = NameOf(target);
    const size_t suffix = std::strlen(kCopySuffix);
    if (name.size() + suffix <= kMaxNameLength) places.push_back(ParentOf(target) + "/" + name + kCopySuffix);
    const std::string root = StateCopyFolder();
    if (info == nullptr || root.empty()) return places;
    std::unique_ptr<char, decltype(&std::free)> folder(::realpath(ParentOf(target).c_str(), nullptr),
                                                       &std::free);
    if (!folder) return places;
    const std::string mirrored =
        std::strcmp(folder.get(), "/") == 0 ? std::string() : std::string(folder.get());
    const std::string key =
        "." + std::to_string(static_cast<uint64_t>(info->st_dev)) + "-" + std::to_string(info->st_ino);
    size_t length = std::min(name.size(), kMaxNameLength - key.size() - suffix);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    places.push_back(root + mirrored + "/" + name.substr(0, length) + key + kCopySuffix);
    return places;
}

// Gives the new file `fd` the identity of the file `original` (described by `old`): its inode flags while the
// new file is still ours, then owner and group (a change of owner clears the set-id bits), then the
// permissions, then the attributes (an access list sets the group bits to its mask). False when any of them
// cannot be given.
bool GiveIdentity(int fd, const struct stat& old, const std::string& original) {
    Descriptor from(::open(original.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    // A file we may write but not read still has attributes to keep.
    if (!from) from.reset(::open(original.c_str(), O_PATH | O_CLOEXEC));
    if (!from || !CopyInodeFlags(from.get(), fd)) return false;
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
    return CopyAttributes(from.get(), fd);
}

// Why a replacement could not be made without changing what the file is; the caller writes in place.
struct WriteInPlace {};

class Save {
  public:
    Save(std::string pathText, const std::string& bytes, const FileFingerprint* seen)
        : pathText_(std::move(pathText)), bytes_(bytes), seen_(seen) {}

    void Run() {
        CatchFileSizeSignal();
        LookBeforeWriting();
        if (existed_ && old_.st_nlink > 1) return InPlace();
        try {
            Replace();
        } catch (const WriteInPlace&) {
            InPlace();
        }
    }

    // Finds the file the path leads to and its folder, and fails for what no way of writing gets around.
    void LookBeforeWriting() {
        target_ = FollowLinks(pathText_);
        folderPath_ = ParentOf(target_);
        struct stat folderInfo {};
        if (::stat(folderPath_.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
            Fail(kErrPathNotFound, "Path not found: the folder " + folderPath_ + " does not exist");
        }
        existed_ = ::stat(target_.c_str(), &old_) == 0;
        if (existed_) {
            const std::string what = NotARegularFile(target_);
            if (!what.empty()) Fail(kErrFileAccess, "Cannot write " + pathText_ + ": it is " + what);
            // A file we may not write keeps its text, as it would if it were opened in place.
            if (::access(target_.c_str(), W_OK) != 0) {
                Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(errno));
            }
        }
    }

  private:
    // A new file beside the old one, complete and flushed, then renamed over it.
    void Replace() {
        folder_.reset(::open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder_) CannotCreate(errno);
        RemoveLeftovers(folder_.get());

        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = existed_ ? old_.st_mode & 07777 : 0666 & ~mask;
        // Created with no more permissions than the file will have: the text (scrambled passwords
        // included) is never readable by anyone the finished file would keep out.
        NewFile file(folder_.get(), mode & 0777);
        if (const int error = file.Create()) CannotCreate(error);
        const auto fill = [this](int fd) {
            Fill(fd);
            if (existed_) KeepIdentity(fd);
        };
        fill(file.fd());
        if (testing::beforeReplace) testing::beforeReplace(file.fd());
        // The last moment before the old text goes: writing and flushing the new one can take seconds.
        StillAsSeen();
        bool created = false;
        if (const int error = file.Replace(NameOf(target_), fill, created)) {
            if (created) CannotCreate(error);
            // A file mounted on its own cannot be replaced, only rewritten.
            if (existed_ && (error == EBUSY || error == EXDEV)) throw WriteInPlace{};
            Fail(kErrFileAccess, "Cannot replace " + pathText_ + ": " + Reason(error));
        }
        // The new name is the file's only once the folder is on disk too. The text is in place already,
        // but the save is reported as failed: the user learns that the disk is failing, and that after a
        // power failure the file may hold its old text again.
        if (!FlushFolder(folder_.get())) {
            throw UncertainSave(kErrFileAccess,
                                "Cannot make the save of " + pathText_ +
                                    " certain: the new text is in the file, but its folder " + folderPath_ +
                                    " could not be flushed to the disk (" + Reason(errno) +
                                    "), so after a power failure the file may hold its old text");
        }
        if (const int error = file.file().close())
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
    }

    // A change another program made since the caller last looked at the file (asked about there) is kept.
    void StillAsSeen() const {
        if (!seen_) return;
        struct stat now {};
        const bool present = ::stat(target_.c_str(), &now) == 0;
        if (!present && errno != ENOENT) return;  // what cannot be looked at is the write's to find out
        const int64_t modified = static_cast<int64_t>(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec;
        if (present == seen_->present && (!present || (static_cast<uint64_t>(now.st_dev) == seen_->device &&
                                                       static_cast<uint64_t>(now.st_ino) == seen_->inode &&
                                                       static_cast<uint64_t>(now.st_size) == seen_->size &&
                                                       modified == seen_->modified))) {
            return;
        }
        Fail(kErrFileAccess, "The file " + pathText_ +
                                 " was changed by another program while it was being saved, so it was not "
                                 "written: that change is kept.");
    }

    [[noreturn]] void CannotCreate(int error) {
        if (existed_ && (error == EACCES || error == EPERM || error == EROFS)) throw WriteInPlace{};
        Fail(kErrFileAccess, "Cannot write in the folder " + folderPath_ + ": " + Reason(error));
    }

    void Fill(int fd) {
        if (!WriteAll(fd, bytes_) || ::fsync(fd) != 0) {
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(errno));
        }
    }

    void KeepIdentity(int fd) {
        if (!GiveIdentity(fd, old_, target_)) throw WriteInPlace{};
    }

    // The file itself rewritten: completely, flushed and read back, after a complete copy of its old text
    // was kept. Space is claimed first, so that a full disk is found before the old text is touched; a
    // failure part-way puts the old text back.
    void InPlace() {
        Descriptor file(::open(target_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (!file) {
            const int error = errno;
            if (error == EACCES && ::access(target_.c_str(), W_OK) == 0) CannotKeep(Reason(error));
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
        }
        struct stat info {};
        if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": it is not a regular file");
        }
        old_ = info;
        StillAsSeen();
        std::string oldText;
        if (!ReadAll(file.get(), oldText, static_cast<size_t>(info.st_size)) ||
            Injected(testing::SaveStep::ReadOld, file.get())) {
            CannotKeep(Reason(errno));
        }
        KeepCopy(oldText);

        std::string failure = WriteNew(file.get(), oldText.size());
        if (!failure.empty()) {
            const bool restored =
                !Injected(testing::SaveStep::Restore, file.get()) && WriteAll(file.get(), oldText, 0) &&
                ::ftruncate(file.get(), static_cast<off_t>(oldText.size())) == 0 && ::fsync(file.get()) == 0;
            if (!restored) {
                failure += "; putting its previous text back failed too (" + Reason(errno) +
                           "), so the file may be cut short: " + CopyNote();
                Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + failure);
            }
            DropCopy();
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + failure);
        }
        if (const int error = file.close()) {
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error) + "; " + CopyNote());
        }
        DropCopy();
    }

    [[noreturn]] void CannotKeep(const std::string& reason) {
        Fail(kErrFileAccess,
             "Cannot write " + pathText_ +
                 ": it has to be rewritten in place, and its present text could not be read to "
                 "keep a copy of it first: " +
                 reason);
    }

    // Writes the new text over the old, which is `oldSize` bytes long. "" or why it failed.
    std::string WriteNew(int fd, size_t oldSize) {
        if (bytes_.size() > oldSize && ::fallocate(fd, 0, 0, static_cast<off_t>(bytes_.size())) != 0 &&
            errno != EOPNOTSUPP && errno != ENOSYS) {
            return Reason(errno);
        }
        if (Injected(testing::SaveStep::WriteInPlace, fd) || !WriteAll(fd, bytes_, 0) ||
            ::ftruncate(fd, static_cast<off_t>(bytes_.size())) != 0 || ::fsync(fd) != 0) {
            return Reason(errno);
        }
        std::string back;
        if (!ReadAll(fd, back, bytes_.size() + 1)) return Reason(errno);
        if (back != bytes_) return "the file read back differs from what was written";
        return std::string();
    }

    // Keeps a complete copy of the file's present text, beside it or in the state folder, before it is
    // written in place; the copy stays locked while this save runs. A copy an earlier save left (it did not
    // finish, so the file may be cut) holds the last complete text: it is kept instead, whatever this save
    // does; FindUnfinishedSave offers it, and the user removes it, or the save sequence once a save of the
    // file has finished (RetireUnfinishedSave).
    void KeepCopy(const std::string& oldText) {
        const std::vector<std::string> places = CopyPlaces(target_, &old_);
        for (const std::string& place : places) {
            Descriptor earlier(::open(place.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (!earlier) continue;
            if (::flock(earlier.get(), LOCK_EX | LOCK_NB) != 0) {
                Fail(kErrFileAccess, "Cannot write " + pathText_ +
                                         ": another save of it is running (its copy " + place +
                                         " is in use)");
            }
            copyPath_ = place;
            copy_.reset(earlier.release());
            return;
        }
        const std::string beside = ParentOf(target_) + "/" + NameOf(target_) + kCopySuffix;
        std::string besideRefusal = "its name is too long to add to";
        std::string stateRefusal = "a state folder (the user has no home folder)";
        for (const std::string& place : places) {
            const bool isBeside = place == beside;
            const std::string why = MakeCopy(place, oldText, isBeside);
            if (why.empty()) return;
            (isBeside ? besideRefusal : stateRefusal) = isBeside ? why : StateCopyFolder() + " (" + why + ")";
        }
        Fail(kErrFileAccess,
             "Cannot write " + pathText_ +
                 ": it has to be rewritten in place, and no copy of its present text could be "
                 "kept first, neither beside it (" +
                 besideRefusal + ") nor in " + stateRefusal);
    }

    // One copy at `place`: beside the file with the file's owner, group, permissions and attributes, else for
    // this user alone. "" or why it could not be made.
    std::string MakeCopy(const std::string& place, const std::string& oldText, bool beside) {
        const std::string folderPath = ParentOf(place);
        if (!beside) {
            if (const int error = MakeFolders(folderPath)) return Reason(error);
        }
        Descriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder) return Reason(errno);
        RemoveLeftovers(folder.get());
        NewFile copy(folder.get(), beside ? old_.st_mode & 0777 : 0600);
        if (const int error = copy.Create()) return Reason(error);
        struct Refused {
            int error;
        };
        try {
            const auto fill = [&](int fd) {
                if (!WriteAll(fd, oldText) || ::fsync(fd) != 0) throw Refused{errno};
                if (beside) KeepIdentity(fd);
            };
            fill(copy.fd());
            if (const int error = copy.Add(NameOf(place), fill)) return Reason(error);
        } catch (const Refused& refused) {
            return Reason(refused.error);
        } catch (const AppError& error) {
            return error.description();
        } catch (const WriteInPlace&) {
            return "a copy there cannot have the file's owner, group, permissions and access lists";
        }
        if (!FlushFolder(folder.get())) {
            const int error = errno;
            ::unlinkat(folder.get(), NameOf(place).c_str(), 0);
            return Reason(error);
        }
        copyPath_ = place;
        copyFolder_.reset(folder.release());
        copy_.reset(copy.file().release());
        copyOurs_ = true;
        return std::string();
    }

    std::string CopyNote() const {
        return copyOurs_
                   ? "a complete copy of the text it had before is in " + copyPath_
                   : "a complete copy of the text it had before an earlier save that did not finish is in " +
                         copyPath_;
    }

    // The save finished, or put the old text back: the copy this save made has done its work.
    void DropCopy() {
        if (!copyOurs_) return;
        ::unlinkat(copyFolder_.get(), NameOf(copyPath_).c_str(), 0);
        FlushFolder(copyFolder_.get());
    }

    std::string pathText_;
    const std::string& bytes_;
    const FileFingerprint* seen_;
    std::string target_;
    std::string folderPath_;
    Descriptor folder_;
    bool existed_ = false;
    struct stat old_ {};
    // The copy of the old text while the file is written in place.
    std::string copyPath_;
    Descriptor copy_;
    Descriptor copyFolder_;
    bool copyOurs_ = false;
};

}  // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& bytes, const FileFingerprint* seen) {
    Save(path, bytes, seen).Run();
}

void CheckWritable(const std::string& path) {
    static const std::string nothing;
    Save(path, nothing, nullptr).LookBeforeWriting();
}

std::string FollowedPath(const std::string& path) {
    return FollowLinks(path);
}

void MakeSaveCertain(const std::string& path) {
    const std::string target = FollowLinks(path);
    const std::string folderPath = ParentOf(target);
    bool fileFlushed = false;
    int error = 0;
    {
        Descriptor file(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        Descriptor folder;
        fileFlushed = file && ::fsync(file.get()) == 0;
        if (fileFlushed) folder.reset(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder && FlushFolder(folder.get())) return;
        error = errno;
    }
    throw UncertainSave(kErrFileAccess, "Cannot make the save of " + path +
                                            " certain: the file holds this text, but " +
                                            (fileFlushed ? "its folder " + folderPath : std::string("it")) +
                                            " could not be flushed to the disk (" + Reason(error) +
                                            "), so after a power failure the file may hold its old text");
}

namespace {

// A copy of a file's text for a backup beside it: complete, flushed and with the file's owner, group,
// permissions and attributes before it has any name, then named in one step.
class BackupCopy {
  public:
    BackupCopy(const std::string& path, const std::string& name, const std::string* text)
        : path_(path), name_(name) {
        CatchFileSizeSignal();
        const std::string target = FollowLinks(path);
        const std::string folderPath = ParentOf(target);
        backup_ = folderPath + "/" + name;
        Descriptor file(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (!file) Refuse(Reason(errno));
        struct stat old {};
        if (::fstat(file.get(), &old) != 0) Refuse(Reason(errno));
        if (!S_ISREG(old.st_mode)) Refuse("it is not a regular file");
        if (!text) {
            if (!ReadAll(file.get(), text_, static_cast<size_t>(old.st_size))) Refuse(Reason(errno));
        } else {
            text_ = *text;
        }
        folder_.reset(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder_) Refuse(Reason(errno));
        RemoveLeftovers(folder_.get());
        // Created with no more permissions than the file has: it holds the same passwords.
        copy_ = std::make_unique<NewFile>(folder_.get(), old.st_mode & 0777);
        if (const int error = copy_->Create()) Refuse(Reason(error));
        fill_ = [this, old, target](int fd) {
            if (!WriteAll(fd, text_) || ::fsync(fd) != 0) throw Refused{Reason(errno)};
            if (!GiveIdentity(fd, old, target)) {
                throw Refused{
                    "a backup there cannot have the file's owner, group, permissions and access lists"};
            }
        };
        Try([&] {
            fill_(copy_->fd());
            return 0;
        });
    }

    // Gives the copy its name when no file has it; false when one has.
    bool Add() {
        if (Try([&] { return copy_->Add(name_, fill_); }) == EEXIST) return false;
        Finish();
        return true;
    }

    // Gives the copy a temporary name until Place gives it its own, over the file of that name.
    void Stage() {
        bool created = false;
        Try([&] { return copy_->Stage(fill_, created); });
        text_ = std::string();
    }

    // After the save it was made for: 0, or the error number of a rename that left the file of that name as
    // it was, and the copy staged still.
    int Place() {
        saved_ = true;
        if (const int error = copy_->Rename(name_)) return error;
        Finish();
        return 0;
    }

    // The staged copy named `name` instead, when no file has that name; false when one has.
    bool PlaceAs(const std::string& name) {
        saved_ = true;
        name_ = name;
        backup_ = ParentOf(backup_) + "/" + name;
        return Add();
    }

  private:
    struct Refused {
        std::string why;
    };

    [[noreturn]] void Refuse(const std::string& why) const {
        Fail(kErrFileAccess, "Cannot keep a backup of " + path_ + " as " + backup_ + ": " + why +
                                 (saved_ ? "; the file was saved" : "; the file was not written"));
    }

    // Runs a step of the copy's making, which gives 0 or an error number; EEXIST is the caller's to judge.
    int Try(const std::function<int()>& step) {
        int error = 0;
        try {
            error = step();
        } catch (const Refused& refused) {
            Refuse(refused.why);
        }
        if (error != 0 && error != EEXIST) Refuse(Reason(error));
        return error;
    }

    void Finish() {
        if (!FlushFolder(folder_.get()))
            Refuse("its folder could not be flushed to the disk (" + Reason(errno) + ")");
        if (const int error = copy_->file().close()) Refuse(Reason(error));
    }

    std::string path_;
    std::string name_;
    std::string backup_;
    std::string text_;
    bool saved_ = false;
    Descriptor folder_;
    std::unique_ptr<NewFile> copy_;  // ends before the folder it lies in
    std::function<void(int)> fill_;
};

}  // namespace

bool WriteBackupCopy(const std::string& path, const std::string& name, const std::string* text) {
    return BackupCopy(path, name, text).Add();
}

struct StagedBackup::Copy : BackupCopy {
    using BackupCopy::BackupCopy;
};

StagedBackup::StagedBackup() = default;
StagedBackup::~StagedBackup() = default;
StagedBackup::StagedBackup(StagedBackup&&) noexcept = default;
StagedBackup& StagedBackup::operator=(StagedBackup&&) noexcept = default;

StagedBackup StageBackupCopy(const std::string& path, const std::string& name) {
    StagedBackup staged;
    staged.copy_ = std::make_unique<StagedBackup::Copy>(path, name, nullptr);
    staged.copy_->Stage();
    return staged;
}

int StagedBackup::Place() {
    if (!copy_) return 0;
    const int error = copy_->Place();
    if (error == 0) copy_.reset();
    return error;
}

bool StagedBackup::PlaceAs(const std::string& name) {
    if (!copy_ || !copy_->PlaceAs(name)) return false;
    copy_.reset();
    return true;
}

std::optional<UnfinishedSave> FindUnfinishedSave(const std::string& path) {
    std::string target;
    std::optional<struct stat> info;  // what the links lead to, from the look that found no further link
    try {
        target = FollowLinks(path, &info);
    } catch (const AppError&) {
        return std::nullopt;
    }
    for (const std::string& place : CopyPlaces(target, info ? &*info : nullptr)) {
        Descriptor copy(::open(place.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat copied {};
        if (!copy || ::fstat(copy.get(), &copied) != 0 || !S_ISREG(copied.st_mode)) continue;
        // Locked: a save is writing the file right now, and removes the copy when it is done.
        if (::flock(copy.get(), LOCK_SH | LOCK_NB) != 0) return std::nullopt;
        return UnfinishedSave{
            path, place, static_cast<int64_t>(copied.st_mtim.tv_sec) * 1000000000 + copied.st_mtim.tv_nsec};
    }
    return std::nullopt;
}

void RestoreUnfinishedSave(const UnfinishedSave& save) {
    ReplaceFileAtomically(save.file, ReadFileBytes(save.copy), nullptr);
    DiscardUnfinishedSave(save);
}

void DiscardUnfinishedSave(const UnfinishedSave& save) {
    if (::unlink(save.copy.c_str()) != 0 && errno != ENOENT) {
        Fail(kErrFileAccess, "Cannot remove " + save.copy + ": " + Reason(errno));
    }
    Descriptor folder(::open(ParentOf(save.copy).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) FlushFolder(folder.get());
}

}  // namespace pv::platform
