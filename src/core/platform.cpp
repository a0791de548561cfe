#include "core/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "core/errors.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace pv::platform {
namespace {

fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Describe(const std::error_code& ec) {
    return ec.message();
}

}  // namespace

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const auto status = fs::status(ToPath(NativePath(path)), ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_directory(ToPath(NativePath(path)), ec);
}

std::string ParentFolder(const std::string& path) {
    std::string parent = FromPath(ToPath(NativePath(path)).parent_path());
    return parent;
}

std::string FileName(const std::string& path) {
    return FromPath(ToPath(NativePath(path)).filename());
}

std::string CurrentDirectory() {
    std::error_code ec;
    const fs::path dir = fs::current_path(ec);
    return ec ? std::string() : FromPath(dir);
}

std::string ExecutableDirectory(const char* argv0) {
#ifndef _WIN32
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return FromPath(self.parent_path());
#endif
    std::error_code ec2;
    const fs::path exe = fs::absolute(ToPath(argv0 ? argv0 : ""), ec2);
    return ec2 ? CurrentDirectory() : FromPath(exe.parent_path());
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
#endif
}

std::string ReadFileBytes(const std::string& path, size_t maxBytes) {
    std::ifstream in(ToPath(NativePath(path)), std::ios::binary);
    if (!in) {
        throw AppError(kErrFileAccess, "Cannot open " + path + ": " + std::strerror(errno));
    }
    std::string bytes;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (maxBytes != std::string::npos && size > static_cast<std::streamoff>(maxBytes)) {
        size = static_cast<std::streamoff>(maxBytes);
    }
    if (size > 0) {
        bytes.resize(static_cast<size_t>(size));
        in.seekg(0, std::ios::beg);
        in.read(bytes.data(), size);
    }
    if (in.bad()) throw AppError(kErrFileAccess, "Cannot read " + path);
    return bytes;
}

void ReplaceFileAtomically(const std::string& pathText, const std::string& bytes) {
    fs::path target = ToPath(NativePath(pathText));
    std::error_code linkError;
    if (fs::is_symlink(fs::symlink_status(target, linkError))) {
        // Renaming over a link would replace the link itself; the administrator linked the file for a
        // reason, so the file it points to is the one that gets the new text.
        const fs::path resolved = fs::weakly_canonical(target, linkError);
        if (!linkError) target = resolved;
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        throw AppError(kErrPathNotFound,
                       "Path not found: the folder " + FromPath(folder) + " does not exist");
    }
    if (fs::is_directory(target, ec)) {
        throw AppError(kErrFileAccess, "Cannot write " + pathText + ": it is a folder");
    }

    std::random_device random;
    fs::path temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp =
            folder / ToPath("." + FromPath(target.filename()) + ".tmp" + std::to_string(random() % 1000000));
        if (!fs::exists(temp, ec)) break;
    }
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw AppError(kErrFileAccess,
                           "Cannot write in the folder " + FromPath(folder) + ": " + std::strerror(errno));
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string reason = std::strerror(errno);
            fs::remove(temp, ec);
            throw AppError(kErrFileAccess, "Cannot write " + pathText + ": " + reason);
        }
    }
    const auto oldStatus = fs::status(target, ec);
    const bool existed = !ec && fs::exists(oldStatus);
    if (existed) {
#ifndef _WIN32
        // Run as root on another user's file, the new file would otherwise belong to root. Owner first:
        // a change of owner clears the set-id bits that the permissions below put back.
        struct stat old {};
        if (::stat(FromPath(target).c_str(), &old) == 0) {
            [[maybe_unused]] const int ignored = ::chown(FromPath(temp).c_str(), old.st_uid, old.st_gid);
        }
#endif
        fs::permissions(temp, oldStatus.permissions(), fs::perm_options::replace, ec);
    } else {
#ifndef _WIN32
        // A new file gets the usual permissions of a new file, not the temporary file's private ones.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        fs::permissions(temp, static_cast<fs::perms>(0666 & ~mask), fs::perm_options::replace, ec);
#endif
    }
#ifndef _WIN32
    // A read-only target is as unwritable as it would be when opened in place.
    if (existed && ::access(FromPath(target).c_str(), W_OK) != 0) {
        const std::string reason = std::strerror(errno);
        fs::remove(temp, ec);
        throw AppError(kErrFileAccess, "Cannot write " + pathText + ": " + reason);
    }
#endif
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw AppError(kErrFileAccess, "Cannot replace " + pathText + ": " + Describe(ec));
    }
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace pv::platform
