#include "core/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// The fingerprint's hash is computed inline: no library is loaded for it.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <system_error>

#include "core/LargeMemory.h"
#include "core/errors.h"

namespace fs = std::filesystem;

namespace pv::platform {
namespace {

// The fingerprint's hash of every byte read: XXH3 reads a large master in a fraction of a millisecond, where
// the standard library's string hash took several.
size_t ContentHash(std::string_view bytes) {
    return static_cast<size_t>(XXH3_64bits(bytes.data(), bytes.size()));
}

fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_regular_file(ToPath(path), ec);
}

PathLook LookAt(const std::string& path) {
    PathLook look;
    if (path.empty()) return look;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        // A path that cannot be looked at (too long, a folder on the way that may not be entered) may well
        // name a file: reading it then says why it cannot, where "doesn't exist" would send the user looking.
        const int error = errno;
        look.exists = error != ENOENT && error != ENOTDIR;
        if (error == ELOOP) {
            look.notRegular = "a link that leads back to itself (a link loop)";
        } else if (look.exists) {
            look.unreachable = std::strerror(error);
        }
        return look;
    }
    look.exists = true;
    if (S_ISREG(info.st_mode)) return look;
    look.notRegular = S_ISDIR(info.st_mode)                            ? "a folder"
                      : S_ISFIFO(info.st_mode)                         ? "a named pipe (FIFO)"
                      : S_ISSOCK(info.st_mode)                         ? "a socket"
                      : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                       : "not a regular file";
    return look;
}

std::string WhyNotAFile(const PathLook& look) {
    if (!look.exists) return {};
    if (!look.notRegular.empty()) return "is " + look.notRegular + ", not a file";
    if (!look.unreachable.empty()) return "cannot be reached (" + look.unreachable + ")";
    return {};
}

std::string WhyNotAFolder(const PathLook& look) {
    if (!look.exists || look.notRegular == "a folder") return {};
    if (!look.unreachable.empty()) return "cannot be reached (" + look.unreachable + ")";
    return "is " + (look.notRegular.empty() ? std::string("a file") : look.notRegular) + ", not a folder";
}

bool PathExists(const std::string& path) {
    return LookAt(path).exists;
}

std::string NotARegularFile(const std::string& path) {
    return LookAt(path).notRegular;
}

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_directory(ToPath(path), ec);
}

std::string ParentFolder(const std::string& path) {
    std::string parent = FromPath(ToPath(path).parent_path());
    return parent;
}

std::string FileName(const std::string& path) {
    return FromPath(ToPath(path).filename());
}

std::string CurrentDirectory() {
    std::error_code ec;
    const fs::path dir = fs::current_path(ec);
    return ec ? std::string() : FromPath(dir);
}

std::string ExecutableDirectory(const char* argv0) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return FromPath(self.parent_path());
    std::error_code ec2;
    const fs::path exe = fs::absolute(ToPath(argv0 ? argv0 : ""), ec2);
    return ec2 ? CurrentDirectory() : FromPath(exe.parent_path());
}

namespace {

std::function<void(const std::string&)>& ReadHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

// Open for as long as it is read, however the reading ends.
struct OpenFile {
    int fd;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

AppError TooLarge(const std::string& path, uint64_t size) {
    const uint64_t megabytes = (size + (uint64_t{1} << 20) - 1) >> 20;
    return AppError(kErrFileAccess, "Cannot read " + path + ": it holds " + std::to_string(megabytes) +
                                        " MB, more than any configuration file (at most " +
                                        std::to_string(kLargestConfigFile >> 20) + " MB are read)");
}

// The one reader: `read`, when given, receives the size and time of the file opened and the hash of the
// bytes read from it. `grow(n, kept)` makes the storage n bytes long, keeping its first `kept` bytes, and
// gives its start; returns the number of bytes read.
template <typename Grow>
size_t ReadBytes(const std::string& path, size_t maxBytes, FileFingerprint* read, Grow grow,
                 bool lookedAt = false) {
    if (ReadHook()) ReadHook()(path);
    if (!lookedAt) {
        const std::string what = NotARegularFile(path);
        if (!what.empty()) throw AppError(kErrFileAccess, "Cannot read " + path + ": it is " + what);
    }
    // Opened without waiting, and looked at once open: what the name stood for a moment ago may have been
    // replaced by a pipe meanwhile.
    const OpenFile file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    const int fd = file.fd;
    if (fd < 0) throw AppError(kErrFileAccess, "Cannot open " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw AppError(kErrFileAccess, "Cannot read " + path + ": it is not a regular file");
    const bool whole = maxBytes == std::string::npos;
    if (whole && static_cast<uint64_t>(info.st_size) > kLargestConfigFile) throw TooLarge(path, info.st_size);
    size_t size = std::min(static_cast<size_t>(info.st_size), maxBytes);
    char* bytes = grow(size, 0);
    size_t done = 0;
    char more[4096];  // what a file that grew meanwhile has beyond its size; the buffer is not regrown
    for (;;) {
        const bool full = done == size;
        if (full && done >= maxBytes) break;
        const size_t room = full ? std::min(sizeof more, maxBytes - done) : size - done;
        const ssize_t got = ::read(fd, full ? more : bytes + done, room);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            throw AppError(kErrFileAccess, "Cannot read " + path + ": " + std::strerror(error));
        }
        if (got == 0) break;
        if (full) {
            size = done + static_cast<size_t>(got);
            // A file that grows while it is read is held to the same limit.
            if (whole && size > kLargestConfigFile) throw TooLarge(path, size);
            bytes = grow(size, done);
            std::memcpy(bytes + done, more, static_cast<size_t>(got));
        }
        done += static_cast<size_t>(got);
    }
    if (read) {
        read->present = true;
        read->device = static_cast<uint64_t>(info.st_dev);
        read->inode = static_cast<uint64_t>(info.st_ino);
        read->size = static_cast<uint64_t>(info.st_size);
        read->modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        read->content = ContentHash(std::string_view(bytes, done));
    }
    return done;
}

std::string ReadString(const std::string& path, size_t maxBytes, FileFingerprint* read) {
    std::string bytes;
    bytes.resize(ReadBytes(path, maxBytes, read, [&bytes](size_t size, size_t) {
        bytes.resize(size);
        return bytes.data();
    }));
    return bytes;
}

std::function<int(const std::string&)>& ListFaultHook() {
    static std::function<int(const std::string&)> hook;
    return hook;
}

}  // namespace

std::vector<fs::directory_entry> FolderEntries(const std::string& path, std::error_code& error) {
    std::vector<fs::directory_entry> entries;
    error.clear();
    if (ListFaultHook()) {
        if (const int fault = ListFaultHook()(path)) {
            error.assign(fault, std::generic_category());
            return entries;
        }
    }
    fs::directory_iterator listed(ToPath(path), error);
    for (; !error && listed != fs::directory_iterator(); listed.increment(error)) entries.push_back(*listed);
    return entries;
}

namespace testing {
void SetListFaultHook(std::function<int(const std::string& folder)> hook) {
    ListFaultHook() = std::move(hook);
}
void SetReadHook(std::function<void(const std::string& path)> hook) {
    ReadHook() = std::move(hook);
}
}  // namespace testing

size_t HashText(std::string_view text) noexcept {
    return ContentHash(text);
}

std::string ReadFileBytes(const std::string& path, size_t maxBytes) {
    return ReadString(path, maxBytes, nullptr);
}

std::string ReadFileBytes(const std::string& path, FileFingerprint& read) {
    read = FileFingerprint();
    return ReadString(path, std::string::npos, &read);
}

void FileBufferRelease::operator()(char* block) const noexcept {
    ReleaseLarge(block, capacity);
}

FileBuffer ReadFileBuffer(const std::string& path, FileFingerprint& read, bool lookedAt) {
    read = FileFingerprint();
    FileBuffer buffer;
    size_t capacity = 0;
    buffer.size = ReadBytes(
        path, std::string::npos, &read,
        [&](size_t size, size_t kept) {
            // An empty file has a buffer too: its bytes are never a null pointer (memchr and the parser take
            // them).
            if (size > capacity || !buffer.bytes) {
                // The bytes are not zero-filled: the read writes every one of them. A file that grew
                // while it was read grows the buffer by halves, not by each piece.
                const size_t wanted =
                    std::max<size_t>(kept == 0 ? size : std::max(size, capacity + capacity / 2), 1);
                std::unique_ptr<char[], FileBufferRelease> larger(static_cast<char*>(AllocateLarge(wanted)),
                                                                  FileBufferRelease{wanted});
                if (kept > 0) std::memcpy(larger.get(), buffer.bytes.get(), kept);
                buffer.bytes = std::move(larger);
                capacity = wanted;
            }
            return buffer.bytes.get();
        },
        lookedAt);
    return buffer;
}

namespace {

// The terminal settings HiddenTyping changed, for a signal handler to put back (one terminal at a time).
int gHiddenFd = -1;
struct termios gShown {};
constexpr int kStoppingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction gPreviousActions[std::size(kStoppingSignals)];

void ShowTypingAndStop(int signal) {
    // Only async-signal-safe calls: the settings are put back, and the signal does what it did before.
    if (gHiddenFd >= 0) ::tcsetattr(gHiddenFd, TCSAFLUSH, &gShown);
    for (size_t i = 0; i < std::size(kStoppingSignals); ++i) {
        if (kStoppingSignals[i] == signal) ::sigaction(signal, &gPreviousActions[i], nullptr);
    }
    ::raise(signal);
}

}  // namespace

HiddenTyping::HiddenTyping(int fd) {
    struct termios settings {};
    if (fd < 0 || gHiddenFd >= 0 || ::isatty(fd) == 0 || ::tcgetattr(fd, &settings) != 0) return;
    gShown = settings;
    gHiddenFd = fd;
    struct sigaction action {};
    action.sa_handler = ShowTypingAndStop;
    ::sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kStoppingSignals); ++i)
        ::sigaction(kStoppingSignals[i], &action, &gPreviousActions[i]);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // The line end the user types is still shown, so the next output starts on a line of its own.
    settings.c_lflag |= ECHONL;
    hidden_ = ::tcsetattr(fd, TCSAFLUSH, &settings) == 0;
    if (!hidden_) {
        for (size_t i = 0; i < std::size(kStoppingSignals); ++i)
            ::sigaction(kStoppingSignals[i], &gPreviousActions[i], nullptr);
        gHiddenFd = -1;
    }
}

HiddenTyping::~HiddenTyping() {
    if (!hidden_) return;
    ::tcsetattr(gHiddenFd, TCSAFLUSH, &gShown);
    for (size_t i = 0; i < std::size(kStoppingSignals); ++i)
        ::sigaction(kStoppingSignals[i], &gPreviousActions[i], nullptr);
    gHiddenFd = -1;
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace pv::platform
