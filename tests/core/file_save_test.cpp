// Saving on a real file system: shared folders and files written as another user, links, attributes,
// interrupted saves. Where permissions matter the save runs in a child process as an unprivileged user,
// which needs the tests to run as root (as CI does); otherwise those cases are skipped.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/errors.h"
#include "core/platform.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::FolderEntries;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;
constexpr gid_t kSharedGroup = 4242;

struct stat Stat(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

// What a save reported: "" for success, else the error's text.
std::string Saved(const std::string& path, const std::string& bytes) {
    try {
        platform::ReplaceFileAtomically(path, bytes);
        return std::string();
    } catch (const AppError& error) {
        return error.description();
    }
}

// Runs the save in a child process as the unprivileged user (member of `groups` too) and returns what it
// reported.
std::string SavedAsOtherUser(const std::string& path, const std::string& bytes,
                             std::vector<gid_t> groups = {}) {
    int report[2];
    if (::pipe(report) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        std::string outcome = "could not become the other user";
        if (::setgroups(groups.size(), groups.data()) == 0 && ::setgid(kOtherGroup) == 0 &&
            ::setuid(kOtherUser) == 0) {
            outcome = Saved(path, bytes);
        }
        (void)!::write(report[1], outcome.data(), outcome.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string outcome;
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(report[0], buffer, sizeof buffer)) > 0)
        outcome.append(buffer, static_cast<size_t>(got));
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return outcome;
}

struct FileSave : ::testing::Test {
    TempDir temp;
    void TearDown() override {
        platform::testing::UseUnnamedTemporaryFiles(true);
        platform::testing::SetBeforeReplaceHook(nullptr);
    }
    static bool Root() { return ::geteuid() == 0; }
};

#define NEEDS_ROOT()                                                                           \
    do {                                                                                       \
        if (!Root()) GTEST_SKIP() << "acting as a second user needs the tests to run as root"; \
    } while (false)

TEST_F(FileSave, AFileTheUserMayWriteInAFolderTheyMayNotIsWrittenInPlace) {
    NEEDS_ROOT();
    const std::string folder = temp / "locked";
    const std::string path = folder + "/master.xml";
    WriteFile(path, "old\r\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const ino_t inode = Stat(path).st_ino;

    EXPECT_EQ(SavedAsOtherUser(path, "new text\r\n"), "");
    EXPECT_EQ(ReadFile(path), "new text\r\n");
    EXPECT_EQ(Stat(path).st_ino, inode);
    EXPECT_EQ(Stat(path).st_uid, 0u);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});

    // A new file there is still refused: there is nothing to write in place.
    EXPECT_EQ(SavedAsOtherUser(folder + "/new.xml", "x"),
              "Cannot write in the folder " + folder + ": Permission denied");
    // And a file the user may not write keeps its text.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(SavedAsOtherUser(path, "other"), "Cannot write " + path + ": Permission denied");
    EXPECT_EQ(ReadFile(path), "new text\r\n");
}

TEST_F(FileSave, AGroupSharedFileKeepsItsOwnerGroupAndModeWhenAnotherMemberSaves) {
    NEEDS_ROOT();
    const std::string folder = temp / "shared";
    const std::string path = folder + "/master.xml";
    WriteFile(path, "old\r\n");
    ASSERT_EQ(::chown(folder.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0775), 0);
    ASSERT_EQ(::chown(path.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);

    EXPECT_EQ(SavedAsOtherUser(path, "new\r\n", {kSharedGroup}), "");
    const struct stat after = Stat(path);
    EXPECT_EQ(std::make_tuple(after.st_uid, after.st_gid, after.st_mode & 07777),
              std::make_tuple(0u, kSharedGroup, 0664u));
    EXPECT_EQ(ReadFile(path), "new\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});

    // The user's own file in that folder is still replaced whole, under its owner and group.
    const std::string own = folder + "/own.xml";
    WriteFile(own, "old\r\n");
    ASSERT_EQ(::chown(own.c_str(), kOtherUser, kSharedGroup), 0);
    ASSERT_EQ(::chmod(own.c_str(), 0640), 0);
    const ino_t inode = Stat(own).st_ino;
    EXPECT_EQ(SavedAsOtherUser(own, "mine\r\n", {kSharedGroup}), "");
    const struct stat mine = Stat(own);
    EXPECT_NE(mine.st_ino, inode);
    EXPECT_EQ(std::make_tuple(mine.st_uid, mine.st_gid, mine.st_mode & 07777),
              std::make_tuple(kOtherUser, kSharedGroup, 0640u));
}

TEST_F(FileSave, TheTemporaryFileHasTheFinalModeAndTheWholeTextBeforeItReplacesTheOld) {
    const std::string path = temp / "master.xml";
    const std::string text(100000, 'x');
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        platform::testing::UseUnnamedTemporaryFiles(unnamed);
        WriteFile(path, "old\r\n");
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
        const mode_t mask = ::umask(0);  // a permissive umask must not widen the temporary file
        std::vector<std::string> seen;
        platform::testing::SetBeforeReplaceHook([&](int fd) {
            struct stat info {};
            ASSERT_EQ(::fstat(fd, &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0600u);
            EXPECT_EQ(info.st_size, static_cast<off_t>(text.size()));
            seen = FolderEntries(temp.path());
        });
        EXPECT_EQ(Saved(path, text), "");
        ::umask(mask);
        // Unnamed until complete; a named one has a short name of its own.
        if (unnamed) {
            EXPECT_EQ(seen, std::vector<std::string>{"master.xml"});
        } else {
            ASSERT_EQ(seen.size(), 2u);
            EXPECT_TRUE(seen[0].starts_with(".pvsave-")) << seen[0];
            EXPECT_EQ(seen[0].size(), 16u);
        }
        EXPECT_EQ(ReadFile(path), text);
        EXPECT_EQ(Stat(path).st_mode & 07777, 0600u);
        EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
    }
}

TEST_F(FileSave, LinksAreWrittenThroughHardLinksKeptAndLoopsRefused) {
    // A dangling link: the file it names is created, the link stays.
    const std::string link = temp / "master.xml";
    fs::create_symlink("real/master.xml", link);
    fs::create_directory(temp / "real");
    EXPECT_EQ(Saved(link, "first\r\n"), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(temp / "real/master.xml"), "first\r\n");

    // A hard link: both names keep showing one file with the new text.
    const std::string other = temp / "other-name.xml";
    fs::create_hard_link(temp / "real/master.xml", other);
    EXPECT_EQ(Saved(link, "second\r\n"), "");
    EXPECT_EQ(ReadFile(other), "second\r\n");
    EXPECT_EQ(Stat(other).st_nlink, 2u);

    // A loop: refused, nothing written.
    fs::create_symlink("b.xml", temp / "a.xml");
    fs::create_symlink("a.xml", temp / "b.xml");
    EXPECT_EQ(Saved(temp / "a.xml", "x"),
              "Cannot write " + (temp / "a.xml") + ": it is a link that leads back to itself (a link loop)");
    EXPECT_TRUE(fs::is_symlink(temp / "a.xml"));
    EXPECT_EQ(FolderEntries(temp.path()),
              (std::vector<std::string>{"a.xml", "b.xml", "master.xml", "other-name.xml", "real"}));
}

// An access list entry for one user: version 2 header, then tag, permissions, id for each entry.
std::string AccessList(std::initializer_list<std::tuple<uint16_t, uint16_t, uint32_t>> entries) {
    std::string bytes;
    const auto put = [&](const void* data, size_t size) {
        bytes.append(static_cast<const char*>(data), size);
    };
    const uint32_t version = 2;
    put(&version, 4);
    for (const auto& [tag, permissions, id] : entries) {
        put(&tag, 2);
        put(&permissions, 2);
        put(&id, 4);
    }
    return bytes;
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t got = ::getxattr(path.c_str(), name, value, sizeof value);
    return got < 0 ? std::string() : std::string(value, static_cast<size_t>(got));
}

TEST_F(FileSave, AccessListsAndExtendedAttributesAreKept) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    if (::setxattr(path.c_str(), "user.origin", "ops", 3, 0) != 0) {
        GTEST_SKIP() << "this file system keeps no extended attributes: " << std::strerror(errno);
    }
    // Owner rw, the other user r, group r, mask r, others nothing.
    constexpr uint16_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kMask = 0x10, kOther = 0x20;
    constexpr uint32_t kUndefined = 0xFFFFFFFF;
    const std::string acl = AccessList({{kUserObj, 6, kUndefined},
                                        {kUser, 4, kOtherUser},
                                        {kGroupObj, 4, kUndefined},
                                        {kMask, 4, kUndefined},
                                        {kOther, 0, kUndefined}});
    const bool withAcl = ::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const mode_t mode = Stat(path).st_mode & 07777;

    for (const bool unnamed : {true, false}) {
        platform::testing::UseUnnamedTemporaryFiles(unnamed);
        EXPECT_EQ(Saved(path, "new\r\n"), "");
        EXPECT_EQ(Attribute(path, "user.origin"), "ops");
        if (withAcl) {
            EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
        }
        EXPECT_EQ(Stat(path).st_mode & 07777, mode);  // the group gains nothing
    }
    if (withAcl && Root()) {
        EXPECT_EQ(SavedAsOtherUser(path, "x"), "Cannot write " + path + ": Permission denied");
    }
}

// A restrictive umask is the user's choice for new files, never a reason to narrow one that is replaced: a
// group-shared master stays group-writable, its owner and access list stay as they were.
TEST_F(FileSave, AReplacedFileKeepsItsModeOwnerAndAccessListUnderARestrictiveUmask) {
    const std::string path = temp / "master.xml";
    const uid_t owner = Root() ? kOtherUser : ::geteuid();
    const gid_t group = Root() ? kSharedGroup : ::getegid();
    for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
        for (const bool unnamed : {true, false}) {
            SCOPED_TRACE(std::to_string(mask) + (unnamed ? " unnamed" : " named"));
            platform::testing::UseUnnamedTemporaryFiles(unnamed);
            WriteFile(path, "old\r\n");
            ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
            if (Root()) {
                ASSERT_EQ(::chown(path.c_str(), owner, group), 0);
            }
            const mode_t previous = ::umask(mask);
            const std::string saved = Saved(path, "new\r\n");
            ::umask(previous);
            EXPECT_EQ(saved, "");
            const struct stat after = Stat(path);
            EXPECT_EQ(std::make_tuple(after.st_uid, after.st_gid, after.st_mode & 07777),
                      std::make_tuple(owner, group, 0664u));
            EXPECT_EQ(ReadFile(path), "new\r\n");
        }
    }
    // Owner rw, the other user rw, group r, mask rw, others r.
    constexpr uint16_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kMask = 0x10, kOther = 0x20;
    constexpr uint32_t kUndefined = 0xFFFFFFFF;
    const std::string acl = AccessList({{kUserObj, 6, kUndefined},
                                        {kUser, 6, kOtherUser},
                                        {kGroupObj, 4, kUndefined},
                                        {kMask, 6, kUndefined},
                                        {kOther, 4, kUndefined}});
    WriteFile(path, "old\r\n");
    if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        GTEST_SKIP() << "this file system keeps no access lists: " << std::strerror(errno);
    }
    const mode_t mode = Stat(path).st_mode & 07777;
    const mode_t previous = ::umask(077);
    const std::string saved = Saved(path, "new\r\n");
    ::umask(previous);
    EXPECT_EQ(saved, "");
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(Stat(path).st_mode & 07777, mode);
}

TEST_F(FileSave, AKilledSaveLeavesNothingThatTheNextSaveDoesNotRemove) {
    const std::string path = temp / "master.xml";
    const std::string big(8 << 20, 'x');
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        platform::testing::UseUnnamedTemporaryFiles(unnamed);
        WriteFile(path, "old\r\n");
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;) Saved(path, big);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string text = ReadFile(path);
        EXPECT_TRUE(text == "old\r\n" || text == big) << "a part of a text";
        EXPECT_EQ(Saved(path, "after\r\n"), "");
        EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
    }
}

TEST_F(FileSave, ALongFileNameCanBeSaved) {
    const std::string path = temp / (std::string(250, 'm') + ".xml");
    for (const bool unnamed : {true, false}) {
        platform::testing::UseUnnamedTemporaryFiles(unnamed);
        EXPECT_EQ(Saved(path, "text\r\n"), "");
        EXPECT_EQ(ReadFile(path), "text\r\n");
    }
}

TEST_F(FileSave, APipeOrAFolderIsNeitherReadNorWritten) {
    const std::string pipe = temp / "master.xml";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(platform::FileExists(pipe));
    EXPECT_EQ(platform::NotARegularFile(pipe), "a named pipe (FIFO)");
    EXPECT_EQ(Saved(pipe, "x"), "Cannot write " + pipe + ": it is a named pipe (FIFO)");
    try {
        platform::ReadFileBytes(pipe);
        ADD_FAILURE() << "a pipe was read";
    } catch (const AppError& error) {
        EXPECT_EQ(error.description(), "Cannot read " + pipe + ": it is a named pipe (FIFO)");
    }
    EXPECT_EQ(platform::NotARegularFile(temp.path()), "a folder");
    EXPECT_EQ(platform::NotARegularFile(temp / "none.xml"), "");
}

}  // namespace
}  // namespace pv
