// Saving a whole file without surprises: the text reaches the disk completely or not at all, under the
// name, owner, group, permissions, access lists and extended attributes the file had, through any link
// that names it, and without leaving temporary files behind.
//
// The usual way is a new file in the same folder, filled, flushed and renamed over the old one, so that a
// failure or a crash at any moment leaves either the old text or the new. On Linux the new file has no
// name until it is complete (O_TMPFILE), so even a killed editor leaves nothing behind. Where that
// replacement would change what the file is, the file is written in place instead: when the folder does
// not let us create files, when the file has other names (hard links), when its owner or group cannot be
// given to a new file, or when its attributes cannot be copied.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "core/errors.h"
#include "core/platform.h"

namespace pv::platform {

namespace testing {
namespace {
bool unnamedTemporaryFiles = true;
std::function<void(int)> beforeReplace;
}  // namespace

void UseUnnamedTemporaryFiles(bool use) {
    unnamedTemporaryFiles = use;
}

void SetBeforeReplaceHook(std::function<void(int fd)> hook) {
    beforeReplace = std::move(hook);
}
}  // namespace testing

namespace {

// Temporary files of this program: short, so that a file name of any allowed length can still be saved,
// and recognisable, so that a save can remove what an interrupted one left.
constexpr const char* kTempPrefix = ".pvsave-";
constexpr size_t kTempRandomLength = 8;
constexpr int kMaxLinkHops = 40;

std::string Reason(int error) {
    return std::strerror(error);
}

[[noreturn]] void Fail(int number, const std::string& text) {
    throw AppError(number, text);
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
std::string FollowLinks(const std::string& pathText, const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0) Fail(kErrFileAccess, "Cannot write " + pathText + ": " + Reason(errno));
        target.resize(static_cast<size_t>(length));
        current = !target.empty() && target.front() == '/' ? target : ParentOf(current) + "/" + target;
    }
    Fail(kErrFileAccess,
         "Cannot write " + pathText + ": it is a link that leads back to itself (a link loop)");
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

// Why a replacement could not be made without changing what the file is; the caller writes in place.
struct WriteInPlace {};

class Save {
  public:
    Save(std::string pathText, const std::string& bytes) : pathText_(std::move(pathText)), bytes_(bytes) {}

    void Run() {
        target_ = FollowLinks(pathText_, NativePath(pathText_));
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
        if (existed_ && old_.st_nlink > 1) return InPlace();
        try {
            Replace();
        } catch (const WriteInPlace&) {
            InPlace();
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
        const mode_t createMode = mode & 0777;
        Descriptor file;
        std::string name;
        if (testing::unnamedTemporaryFiles) {
            file.reset(::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
            if (!file && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
                CannotCreate(errno);
            }
            // Locked like a named one, for the moment it has a temporary name before the rename.
            if (file) ::flock(file.get(), LOCK_EX);
        }
        if (!file) name = CreateNamed(file, createMode);
        try {
            Fill(file.get());
            if (existed_) KeepIdentity(file.get());
            if (testing::beforeReplace) testing::beforeReplace(file.get());
            if (name.empty()) name = LinkUnnamed(file.get());
            if (name.empty()) {
                // No way to give the unnamed file a name here: the same with a named one.
                file.reset();
                name = CreateNamed(file, createMode);
                Fill(file.get());
                if (existed_) KeepIdentity(file.get());
            }
            if (::renameat(folder_.get(), name.c_str(), folder_.get(), NameOf(target_).c_str()) != 0) {
                Fail(kErrFileAccess, "Cannot replace " + pathText_ + ": " + Reason(errno));
            }
        } catch (...) {
            if (!name.empty()) ::unlinkat(folder_.get(), name.c_str(), 0);
            throw;
        }
        name.clear();
        // The rename is on disk only when the folder is.
        ::fsync(folder_.get());
        if (const int error = file.close())
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
    }

    [[noreturn]] void CannotCreate(int error) {
        if (existed_ && (error == EACCES || error == EPERM || error == EROFS)) throw WriteInPlace{};
        Fail(kErrFileAccess, "Cannot write in the folder " + folderPath_ + ": " + Reason(error));
    }

    // An exclusively created, locked temporary file with a short name of our own.
    std::string CreateNamed(Descriptor& file, mode_t mode) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = RandomName();
            file.reset(::openat(folder_.get(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode));
            if (!file) {
                if (errno == EEXIST) continue;
                CannotCreate(errno);
            }
            // Locked so that no other save takes it for a leftover; one that did so before the lock was
            // taken has removed the name, and another name is tried.
            struct stat info {};
            if (::flock(file.get(), LOCK_EX) == 0 && ::fstat(file.get(), &info) == 0 && info.st_nlink > 0) {
                return name;
            }
            ::unlinkat(folder_.get(), name.c_str(), 0);
        }
        Fail(kErrFileAccess, "Cannot write in the folder " + folderPath_ + ": no free temporary file name");
    }

    void Fill(int fd) {
        if (!WriteAll(fd, bytes_) || ::fsync(fd) != 0) {
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(errno));
        }
    }

    // Owner and group first (a change of owner clears the set-id bits), then the permissions, then the
    // attributes (an access list sets the group bits to its mask).
    void KeepIdentity(int fd) {
        struct stat now {};
        if (::fstat(fd, &now) != 0) Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(errno));
        if ((now.st_uid != old_.st_uid || now.st_gid != old_.st_gid) &&
            ::fchown(fd, old_.st_uid, old_.st_gid) != 0) {
            throw WriteInPlace{};
        }
        if (::fchmod(fd, old_.st_mode & 07777) != 0) throw WriteInPlace{};
        Descriptor original(::open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (!original) {
            // A file we may write but not read still has attributes to keep.
            original.reset(::open(target_.c_str(), O_PATH | O_CLOEXEC));
        }
        if (!original || !CopyAttributes(original.get(), fd)) throw WriteInPlace{};
    }

    // Gives the unnamed file a temporary name; "" when this system cannot.
    std::string LinkUnnamed(int fd) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = RandomName();
            if (::linkat(AT_FDCWD, self.c_str(), folder_.get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                return name;
            }
            if (errno != EEXIST) return std::string();
        }
        return std::string();
    }

    // The file itself rewritten: completely, flushed and read back. Space is claimed first, so that a full
    // disk is found before the old text is touched; a failure part-way puts the old text back.
    void InPlace() {
        Descriptor file(::open(target_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        const bool readable = static_cast<bool>(file);
        if (!file) file.reset(::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!file) Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(errno));
        struct stat info {};
        if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": it is not a regular file");
        }
        std::string oldText;
        if (readable && !ReadAll(file.get(), oldText, static_cast<size_t>(info.st_size))) oldText.clear();
        if (bytes_.size() > static_cast<size_t>(info.st_size) &&
            ::fallocate(file.get(), 0, 0, static_cast<off_t>(bytes_.size())) != 0 && errno != EOPNOTSUPP &&
            errno != ENOSYS) {
            const int error = errno;
            [[maybe_unused]] const int ignored = ::ftruncate(file.get(), info.st_size);
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
        }
        if (!WriteAll(file.get(), bytes_, 0) ||
            ::ftruncate(file.get(), static_cast<off_t>(bytes_.size())) != 0 || ::fsync(file.get()) != 0) {
            const int error = errno;
            if (readable) {
                WriteAll(file.get(), oldText, 0);
                [[maybe_unused]] const int ignored =
                    ::ftruncate(file.get(), static_cast<off_t>(oldText.size()));
            }
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
        }
        std::string back;
        if (readable && (!ReadAll(file.get(), back, bytes_.size() + 1) || back != bytes_)) {
            Fail(kErrFileAccess,
                 "Cannot write " + pathText_ + ": the file read back differs from what was written");
        }
        if (const int error = file.close())
            Fail(kErrFileAccess, "Cannot write " + pathText_ + ": " + Reason(error));
    }

    std::string pathText_;
    const std::string& bytes_;
    std::string target_;
    std::string folderPath_;
    Descriptor folder_;
    bool existed_ = false;
    struct stat old_ {};
};

}  // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    Save(path, bytes).Run();
}

}  // namespace pv::platform
