// Saving on a real file system: shared folders and files written as another user, links, attributes,
// interrupted and failed saves, saves in place and the copies they keep, and the changed-on-disk check.
// Where permissions matter the save runs in a child process as an unprivileged user, which needs the tests
// to run as root (as CI does); otherwise those cases are skipped.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <thread>

#include "core/DiskChangeGuard.h"
#include "core/HeadlessServices.h"
#include "core/SaveSequence.h"
#include "core/UnfinishedSave.h"
#include "core/errors.h"
#include "core/platform.h"
#include "support/OtherUser.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::FolderEntries;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using platform::testing::SaveStep;
using test::AsOtherUser;
using test::Attribute;
using test::InChild;
using test::kOtherGroup;
using test::kOtherUser;
using test::kSharedGroup;
using test::Stat;

// What a save reported: "" for success, else the error's text.
std::string Saved(const std::string& path, const std::string& bytes) {
    try {
        platform::ReplaceFileAtomically(path, bytes);
        return std::string();
    } catch (const AppError& error) {
        return error.description();
    }
}

struct FileSave : ::testing::Test {
    TempDir temp;
    // The copies of files written in place that cannot lie beside them go here, not to the home folder.
    const std::string state = temp / "state";
    std::optional<std::string> stateBefore;

    void SetUp() override {
        if (const char* before = std::getenv("XDG_STATE_HOME")) stateBefore = before;
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    }
    void TearDown() override {
        platform::testing::UseUnnamedTemporaryFiles(true);
        platform::testing::SetBeforeReplaceHook(nullptr);
        platform::testing::SetFaultHook(nullptr);
        if (stateBefore) {
            ::setenv("XDG_STATE_HOME", stateBefore->c_str(), 1);
        } else {
            ::unsetenv("XDG_STATE_HOME");
        }
    }
    static bool Root() { return ::geteuid() == 0; }

    // Runs the save in a child process as the unprivileged user (member of `groups` too), whose state folder
    // `state` is then, and returns what it reported.
    std::string SavedAsOtherUser(const std::string& path, const std::string& bytes,
                                 std::vector<gid_t> groups = {}) {
        fs::create_directories(state);
        if (::chown(state.c_str(), kOtherUser, kOtherGroup) != 0) return "could not give the state folder";
        return AsOtherUser([&] { return Saved(path, bytes); }, std::move(groups));
    }
};

// A window's prompts that say Yes to every question, keeping it among the messages.
struct WindowSayingYes : CollectingPrompts {
    Answer AskOrTell(const Message& question) override {
        messages.push_back(question);
        return Answer::Yes;
    }
};

// What an in-place save says when neither the new text nor the old could be written, before the copy's name.
const std::string kCutShort =
    ": No space left on device; putting its previous text back failed too (Input/output error), so the file "
    "may be cut short: a complete copy of the text it had before is in ";

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
    // Nor can a backup be kept of it here; but as nothing can be written, a window is not asked whether to
    // save without one, and the tool does not blame the backup: both say why the file cannot be written.
    EXPECT_EQ(AsOtherUser([&] {
                  WindowSayingYes window;
                  CollectingPrompts tool;
                  pv::FileSave save;  // the save sequence's, not this fixture
                  save.path = path;
                  save.text = [] { return std::optional<std::string>("other"); };
                  save.backup.control = BackupControl::Numbered;
                  std::string said;
                  for (CollectingPrompts* prompts : {static_cast<CollectingPrompts*>(&window), &tool}) {
                      if (RunSave(save, *prompts) != SaveOutcome::NotWritten) said += "written\n";
                      for (const Message& message : prompts->messages) said += WindowText(message) + "\n";
                  }
                  return said;
              }),
              "Error saving=75:Cannot write " + path + ": Permission denied\nError saving=75:Cannot write " +
                  path + ": Permission denied\n");
    EXPECT_EQ(ReadFile(path), "new text\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});
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
    // A dangling link: the file it names is created, with the usual permissions rather than those of a
    // private temporary file; the link stays.
    const std::string link = temp / "master.xml";
    fs::create_symlink("real/master.xml", link);
    fs::create_directory(temp / "real");
    const mode_t mask = ::umask(022);
    EXPECT_EQ(Saved(link, "first\r\n"), "");
    ::umask(mask);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(temp / "real/master.xml"), "first\r\n");
    EXPECT_EQ(Stat(temp / "real/master.xml").st_mode & 07777, 0644u);

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

// A restrictive umask is the user's choice for new files, never a reason to narrow one that is replaced: the
// access list (whose mask is the group's bits of the mode) stays as it was under the narrowest one.
TEST_F(FileSave, AccessListsExtendedAttributesAndInodeFlagsAreKept) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool withAttributes = ::setxattr(path.c_str(), "user.origin", "ops", 3, 0) == 0;
    // "No dump" and "no access time", as chattr +dA sets them.
    const int wantedFlags = FS_NODUMP_FL | FS_NOATIME_FL;
    const auto flagsOf = [](const std::string& file) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        const bool read = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (fd >= 0) ::close(fd);
        return read ? flags & (FS_NODUMP_FL | FS_NOATIME_FL) : -1;
    };
    bool withFlags = false;
    if (const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= wantedFlags;
            withFlags = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
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
    if (!withAttributes && !withAcl && !withFlags) {
        GTEST_SKIP() << "this file system keeps neither extended attributes, access lists nor inode flags";
    }
    const mode_t mode = Stat(path).st_mode & 07777;

    for (const bool unnamed : {true, false}) {
        platform::testing::UseUnnamedTemporaryFiles(unnamed);
        const mode_t previous = ::umask(077);
        const std::string saved = Saved(path, "new\r\n");
        ::umask(previous);
        EXPECT_EQ(saved, "");
        EXPECT_EQ(Attribute(path, "user.origin"), withAttributes ? "ops" : "");
        EXPECT_EQ(Attribute(path, "system.posix_acl_access"), withAcl ? acl : "");
        EXPECT_EQ(Stat(path).st_mode & 07777, mode);  // the group gains nothing, nor loses
        if (withFlags) {
            EXPECT_EQ(flagsOf(path), wantedFlags);
        }
    }
    if (withAcl && Root()) {
        EXPECT_EQ(SavedAsOtherUser(path, "x"), "Cannot write " + path + ": Permission denied");
    }
}

// A group-shared master stays group-writable under a restrictive umask, its owner as it was (its access list:
// the test above).
TEST_F(FileSave, AReplacedFileKeepsItsModeAndOwnerUnderARestrictiveUmask) {
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
    const std::string folder = temp / "folder.xml";
    WriteFile(folder + "/inside.txt", "kept");
    EXPECT_EQ(platform::NotARegularFile(folder), "a folder");
    EXPECT_EQ(Saved(folder, "x"), "Cannot write " + folder + ": it is a folder");
    EXPECT_EQ(ReadFile(folder + "/inside.txt"), "kept");
    EXPECT_EQ(platform::NotARegularFile(temp / "none.xml"), "");
}

// Long texts of different lengths, so that a part of one written over the other shows.
std::string BigText(char letter, size_t kilobytes) {
    std::string text;
    for (size_t line = 0; text.size() < (kilobytes << 10); ++line)
        text += "<Line" + std::to_string(line) + ">" + std::string(60, letter) + "</Line>\r\n";
    return text;
}

TEST_F(FileSave, AnInPlaceSaveKilledAtAnyMomentLeavesTheOldTextTheNewOrACompleteCopyOfTheOld) {
    const std::string path = temp / "master.xml";
    const std::string a = BigText('a', 1024);
    const std::string b = BigText('b', 768);
    WriteFile(path, a);
    // A second name makes every save write in place.
    fs::create_hard_link(path, temp / "second-name.xml");
    const ino_t inode = Stat(path).st_ino;
    std::mt19937 random(std::random_device{}());
    int copies = 0;
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool holdsA = ReadFile(path) == a;
        int events[2];
        ASSERT_EQ(::pipe(events), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(events[0]);
            platform::testing::SetFaultHook([&](SaveStep step, int fd) {
                if (step != SaveStep::WriteInPlace) return 0;
                // The first round dies by itself half-way through the text, the moment that matters most.
                if (round == 0) {
                    const std::string& text = holdsA ? b : a;
                    (void)!::pwrite(fd, text.data(), text.size() / 2, 0);
                    ::raise(SIGKILL);
                }
                (void)!::write(events[1], "w", 1);
                return 0;
            });
            for (bool writeA = !holdsA;; writeA = !writeA) Saved(path, writeA ? a : b);
        }
        ::close(events[1]);
        // The others are killed from outside, at a random moment of their first saves, or of the writing of
        // the text over the file.
        if (round % 3 == 1) {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 100000));
        } else if (round != 0) {
            pollfd event{events[0], POLLIN, 0};
            EXPECT_EQ(::poll(&event, 1, 10000), 1);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
        }
        if (round != 0) ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(events[0]);

        const std::optional<platform::UnfinishedSave> unfinished = platform::FindUnfinishedSave(path);
        if (unfinished) {
            const std::string copy = ReadFile(unfinished->copy);
            EXPECT_TRUE(copy == a || copy == b) << "the copy holds a part of a text";
            EXPECT_EQ(unfinished->copy, path + ".before-save");
            platform::RestoreUnfinishedSave(*unfinished);
            EXPECT_EQ(ReadFile(path), copy);
            ++copies;
        } else {
            const std::string text = ReadFile(path);
            EXPECT_TRUE(text == a || text == b) << "a part of a text, and no copy of the whole old one";
            if (text != a && text != b) WriteFile(path, a);
        }
        EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"master.xml", "second-name.xml"}));
        EXPECT_EQ(Stat(path).st_ino, inode);
    }
    EXPECT_GE(copies, 1);
}

TEST_F(FileSave, AFileSizeLimitFailsTheSaveInsteadOfStoppingTheProgram) {
    const std::string path = temp / "master.xml";
    const std::string old(4000, 'o');
    WriteFile(path, old);
    const auto limited = [&](const std::string& bytes) {
        return InChild([&] {
            const rlimit limit{8192, 8192};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return Saved(path, bytes);
        });
    };
    const std::string tooLarge = "Cannot write " + path + ": File too large";
    // Replaced: the new file stops at the limit, and the old one is untouched.
    EXPECT_EQ(limited(std::string(20000, 'n')), tooLarge);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
    // In place: the old text is put back, and its copy goes.
    fs::create_hard_link(path, temp / "second-name.xml");
    EXPECT_EQ(limited(std::string(20000, 'n')), tooLarge);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"master.xml", "second-name.xml"}));
    // A file past the limit already can have no copy anywhere, so it is not touched.
    const std::string big(12000, 'b');
    WriteFile(path, big);
    EXPECT_EQ(limited("small\r\n"),
              "Cannot write " + path +
                  ": it has to be rewritten in place, and no copy of its present text could be kept first, "
                  "neither beside it (File too large) nor in " +
                  state + "/postvane-config/unfinished-saves (File too large)");
    EXPECT_EQ(ReadFile(path), big);
}

TEST_F(FileSave, AFailedInPlaceWriteIsUndoneOrLeavesItsCopyNamedAndFoundAtTheNextOpen) {
    const std::string path = temp / "master.xml";
    const std::string copy = path + ".before-save";
    const std::string old = "old text\r\n";
    WriteFile(path, old);
    fs::create_hard_link(path, temp / "second-name.xml");
    const std::vector<std::string> files{"master.xml", "second-name.xml"};
    std::vector<SaveStep> failing;
    platform::testing::SetFaultHook([&](SaveStep step, int fd) {
        if (std::find(failing.begin(), failing.end(), step) == failing.end()) return 0;
        if (step != SaveStep::WriteInPlace) return EIO;
        (void)!::pwrite(fd, "NEW", 3, 0);  // a part, then the disk is full
        return ENOSPC;
    });

    // The old text cannot be read: nothing is written, since nothing could be put back.
    failing = {SaveStep::ReadOld, SaveStep::WriteInPlace};
    EXPECT_EQ(
        Saved(path, "new text\r\n"),
        "Cannot write " + path +
            ": it has to be rewritten in place, and its present text could not be read to keep a copy of it "
            "first: Input/output error");
    EXPECT_EQ(ReadFile(path), old);

    // The write fails part-way: the old text is put back, and the copy goes.
    failing = {SaveStep::WriteInPlace};
    EXPECT_EQ(Saved(path, "new text\r\n"), "Cannot write " + path + ": No space left on device");
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(temp.path()), files);

    // Putting it back fails too: the copy stays, the message names it, and the next open finds it.
    failing = {SaveStep::WriteInPlace, SaveStep::Restore};
    EXPECT_EQ(Saved(path, "new text\r\n"), "Cannot write " + path + kCutShort + copy);
    EXPECT_EQ(ReadFile(path), "NEW text\r\n");
    const std::optional<platform::UnfinishedSave> unfinished = platform::FindUnfinishedSave(path);
    ASSERT_TRUE(unfinished.has_value());
    EXPECT_EQ(std::make_tuple(unfinished->file, unfinished->copy, ReadFile(copy)),
              std::make_tuple(path, copy, old));
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    EXPECT_LT(now - unfinished->started, 60'000'000'000);

    // A later write leaves that copy alone: it holds the last complete text (the save sequence retires it).
    failing = {};
    EXPECT_EQ(Saved(path, "newer\r\n"), "");
    EXPECT_EQ(ReadFile(copy), old);
    EXPECT_TRUE(platform::FindUnfinishedSave(path).has_value());
    platform::RestoreUnfinishedSave(*unfinished);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_FALSE(platform::FindUnfinishedSave(path).has_value());
    EXPECT_EQ(FolderEntries(temp.path()), files);
}

TEST_F(FileSave, TheCopyOfAFileWrittenInPlaceIsGuardedAsTheFileIs) {
    NEEDS_ROOT();
    // Neither the new text nor the old can be written, so that the copy stays to be looked at.
    platform::testing::SetFaultHook([](SaveStep step, int) {
        return step == SaveStep::WriteInPlace ? ENOSPC : step == SaveStep::Restore ? EIO : 0;
    });

    // Beside the file, with its owner, group, permissions and attributes.
    const std::string path = temp / "master.xml";
    WriteFile(path, "secret\r\n");
    ASSERT_EQ(::chown(path.c_str(), kOtherUser, kSharedGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool withAttributes = ::setxattr(path.c_str(), "user.origin", "ops", 3, 0) == 0;
    fs::create_hard_link(path, temp / "second-name.xml");
    const std::string beside = path + ".before-save";
    EXPECT_EQ(Saved(path, "new\r\n"), "Cannot write " + path + kCutShort + beside);
    const struct stat besideInfo = Stat(beside);
    EXPECT_EQ(
        std::make_tuple(besideInfo.st_uid, besideInfo.st_gid, besideInfo.st_mode & 07777, ReadFile(beside)),
        std::make_tuple(kOtherUser, kSharedGroup, 0640u, std::string("secret\r\n")));
    EXPECT_EQ(Attribute(beside, "user.origin"), withAttributes ? "ops" : "");

    // A member of the group, who cannot give a copy the file's owner: in their state folder, theirs alone.
    const std::string folder = temp / "shared";
    const std::string shared = folder + "/master.xml";
    WriteFile(shared, "secret\r\n");
    ASSERT_EQ(::chown(folder.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0775), 0);
    ASSERT_EQ(::chown(shared.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0660), 0);
    const struct stat sharedInfo = Stat(shared);
    const std::string identity = std::to_string(sharedInfo.st_dev) + "-" + std::to_string(sharedInfo.st_ino);
    const std::string inState = state + "/postvane-config/unfinished-saves" + fs::canonical(folder).string() +
                                "/master.xml." + identity + ".before-save";
    EXPECT_EQ(SavedAsOtherUser(shared, "new\r\n", {kSharedGroup}),
              "Cannot write " + shared + kCutShort + inState);
    const struct stat inStateInfo = Stat(inState);
    EXPECT_EQ(std::make_tuple(inStateInfo.st_uid, inStateInfo.st_mode & 07777, ReadFile(inState)),
              std::make_tuple(kOtherUser, 0600u, std::string("secret\r\n")));
    EXPECT_EQ(Stat(state + "/postvane-config").st_mode & 07777, 0700u);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});
    const std::optional<platform::UnfinishedSave> unfinished = platform::FindUnfinishedSave(shared);
    ASSERT_TRUE(unfinished.has_value());
    EXPECT_EQ(unfinished->copy, inState);

    // That copy is for that path and that file alone. Another program puts a new file in its place, and a
    // file of the same name in another folder has its device and inode (the file system gives a removed
    // file's inode to the next one made; here the old file itself, moved there): neither is offered the
    // copy, which stays. Nor is a copy an earlier version kept under the device, inode and name alone.
    const std::string elsewhere = temp / "elsewhere/master.xml";
    fs::create_directories(temp / "elsewhere");
    fs::rename(shared, elsewhere);
    WriteFile(elsewhere, "another installation\r\n");
    WriteFile(shared, "replaced\r\n");
    WriteFile(state + "/postvane-config/unfinished-saves/" + identity + "-master.xml.before-save",
              "older\r\n");
    WindowSayingYes window;
    for (const std::string& path : {elsewhere, shared})
        EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::None) << path;
    EXPECT_EQ(
        std::make_tuple(ReadFile(elsewhere), ReadFile(shared), ReadFile(inState), window.messages.size()),
        std::make_tuple(std::string("another installation\r\n"), std::string("replaced\r\n"),
                        std::string("secret\r\n"), size_t{0}));
}

TEST_F(FileSave, AFileMountedOnItsOwnIsWrittenInPlace) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "old\r\n");
    // The rename a bind-mounted file refuses, made to fail here: the file is written in place.
    for (const int error : {EBUSY, EXDEV}) {
        platform::testing::SetFaultHook(
            [error](SaveStep step, int) { return step == SaveStep::Replace ? error : 0; });
        const ino_t inode = Stat(path).st_ino;
        const std::string text = "new " + std::to_string(error) + "\r\n";
        EXPECT_EQ(Saved(path, text), "");
        EXPECT_EQ(std::make_tuple(ReadFile(path), Stat(path).st_ino), std::make_tuple(text, inode));
        EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
    }
    platform::testing::SetFaultHook(nullptr);
    const std::string under = ReadFile(path);

    // A real one, where the system lets a test have a mount namespace of its own.
    const std::string source = temp / "outside/master.xml";
    WriteFile(source, "outside\r\n");
    const std::string outcome = InChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(source.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return std::string("no bind mount here: ") + std::strerror(errno);
        }
        return Saved(path, "through the mount\r\n");
    });
    if (outcome.starts_with("no bind mount here")) GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(std::make_tuple(ReadFile(source), ReadFile(path)),
              std::make_tuple(std::string("through the mount\r\n"), under));
    EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"master.xml", "outside"}));
}

TEST_F(FileSave, AFolderThatCannotBeFlushedAfterTheRenameFailsTheSave) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "old\r\n");
    int error = EIO;
    platform::testing::SetFaultHook(
        [&](SaveStep step, int) { return step == SaveStep::FlushFolder ? error : 0; });
    EXPECT_EQ(Saved(path, "new\r\n"),
              "Cannot make the save of " + path + " certain: the new text is in the file, but its folder " +
                  temp.path() +
                  " could not be flushed to the disk (Input/output error), so after a "
                  "power failure the file may hold its old text");
    EXPECT_EQ(ReadFile(path), "new\r\n");
    // A file system that cannot flush a folder at all says so: nothing to report.
    error = EINVAL;
    EXPECT_EQ(Saved(path, "newer\r\n"), "");

    // A window's save: the text in the file is the window's own, so its next save asks nothing. That one
    // finds the text there and writes nothing, but says the file is saved only once the folder is flushed.
    DiskChangeGuard guard;
    guard.Take(path);
    pv::FileSave save;  // the save sequence's, not this fixture
    save.path = path;
    save.text = [] { return std::optional<std::string>("newest"); };
    save.disk = &guard;
    save.reload = [] { ADD_FAILURE() << "read again"; };
    int written = 0;
    save.written = [&] { ++written; };
    const std::string uncertain = "Error saving=" + std::to_string(kErrFileAccess) +
                                  ":Cannot make the save of " + path + " certain: the ";
    const std::string unflushed =
        " could not be flushed to the disk (Input/output error), so after a power "
        "failure the file may hold its old text";
    test::ScriptedPrompts prompts;
    error = EIO;
    prompts.ExpectMessage(uncertain + "new text is in the file, but its folder " + temp.path() + unflushed);
    EXPECT_EQ(RunSave(save, prompts), SaveOutcome::NotWritten);
    prompts.ExpectMessage(uncertain + "file holds this text, but its folder " + temp.path() + unflushed);
    EXPECT_EQ(RunSave(save, prompts), SaveOutcome::NotWritten);
    error = 0;
    prompts.ExpectSavedUnchanged(path);
    EXPECT_EQ(RunSave(save, prompts), SaveOutcome::Written);
    EXPECT_EQ(std::make_tuple(ReadFile(path), written), std::make_tuple(std::string("newest\r\n"), 1));
}

TEST_F(FileSave, AFileLongerThanItsSizeSaysAndAnEmptyOneAreReadWholeIntoABufferAsIntoText) {
    // /proc's files say they hold nothing and hold more than a piece of the reader's: the bytes beyond the
    // size grow the buffer as they come. An empty file is read into a buffer that is still somewhere.
    const std::string empty = temp / "empty.xml";
    WriteFile(empty, "");
    std::vector<std::string> paths = {"/proc/self/cmdline", "/proc/cpuinfo", empty};
    // Megabytes where the kernel lists its symbols: the buffer grows many times over.
    if (fs::exists("/proc/kallsyms")) paths.push_back("/proc/kallsyms");
    for (const std::string& path : paths) {
        platform::FileFingerprint asText;
        platform::FileFingerprint asBuffer;
        const std::string text = platform::ReadFileBytes(path, asText);
        const platform::FileBuffer buffer = platform::ReadFileBuffer(path, asBuffer);
        EXPECT_EQ(buffer.view(), text) << path;
        EXPECT_NE(buffer.view().data(), nullptr) << path;
        EXPECT_EQ(asBuffer.content, asText.content) << path;
        EXPECT_EQ(asBuffer.size, asText.size) << path;
    }
}

// A file of gigabytes (one a crash filled with zero bytes) is refused before it is read, every way a file is
// read whole, and leaves nothing open; a window's next save finds it changed instead of reading it.
TEST_F(FileSave, AFileTooLargeToBeAConfigurationFileIsRefusedUnreadAndIsAChangeAtTheNextSave) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "text\r\n");
    DiskChangeGuard guard;
    guard.Take(path);
    fs::resize_file(path, platform::kLargestConfigFile + 1);  // sparse: nothing is written
    const auto open = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto before = open();
    const std::string said = "Cannot read " + path +
                             ": it holds 257 MB, more than any configuration file (at most 256 MB are read)";
    platform::FileFingerprint read;
    for (int time = 0; time < 3; ++time) {
        try {
            platform::ReadFileBuffer(path, read);
            ADD_FAILURE() << "read";
        } catch (const AppError& error) {
            EXPECT_EQ(error.description(), said);
        }
        EXPECT_THROW(platform::ReadFileBytes(path), AppError);
    }
    EXPECT_EQ(open(), before);
    EXPECT_EQ(platform::ReadFileBytes(path, 4), "text");  // a part is still read

    test::ScriptedPrompts prompts;
    prompts.ExpectYesNoCancel(
        "The file " + path +
            " has been changed by another program since this window read it. Do you want "
            "to overwrite it with what this window shows? Yes overwrites it; No reads it "
            "again, discarding the edits made in this window; Cancel does neither.",
        Answer::Cancel);
    EXPECT_EQ(guard.BeforeWrite(path, prompts, [] { ADD_FAILURE() << "read again"; }), DiskCheck::Cancelled);
}

TEST_F(FileSave, AnotherFileInThePlaceOfTheOneReadIsAChangeButOurOwnSaveIsNot) {
    const std::string path = temp / "master.xml";
    WriteFile(path, "text\r\n");
    platform::FileFingerprint read;
    platform::ReadFileBytes(path, read);
    DiskChangeGuard guard;
    guard.Take(path, read);
    test::ScriptedPrompts prompts;
    const auto noReload = [] { ADD_FAILURE() << "read again"; };

    // Our own save puts a new file in its place, which the window takes after it: no question.
    platform::ReplaceFileAtomically(path, "text\r\n");
    guard.Take(path);
    EXPECT_EQ(guard.BeforeWrite(path, prompts, noReload), DiskCheck::Write);

    // A link to another file with the same bytes, put in its place by another program: asked, although the
    // file holds what the save would write, which alone would write nothing.
    WriteFile(temp / "elsewhere.xml", "text\r\n");
    fs::create_hard_link(temp / "elsewhere.xml", temp / "link.xml");
    fs::rename(temp / "link.xml", path);
    pv::FileSave save;  // the save sequence's, not this fixture
    save.path = path;
    save.text = [] { return std::optional<std::string>("text"); };
    save.disk = &guard;
    save.reload = noReload;
    prompts.ExpectYesNoCancel(
        "The file " + path +
            " has been replaced by another program with another file of the same content "
            "since this window read it. Do you want to overwrite it with what this window "
            "shows? Yes overwrites it; No reads it again, discarding the edits made in this "
            "window; Cancel does neither.",
        Answer::Cancel);
    EXPECT_EQ(RunSave(save, prompts), SaveOutcome::NotWritten);

    // A file removed meanwhile cannot be read again: No keeps the edits, as Cancel does.
    fs::remove(path);
    prompts.ExpectYesNoCancel("The file " + path +
                                  " has been removed by another program since this window read it. Do you "
                                  "want to write it again with what this window shows? Yes writes it; No "
                                  "and Cancel leave it removed, and keep the edits made in this window.",
                              Answer::No);
    EXPECT_EQ(guard.BeforeWrite(path, prompts, noReload), DiskCheck::Cancelled);

    // Another program's change while the new text is written and flushed, after the last question: the
    // file keeps it, and the save says so.
    fs::remove(path);
    WriteFile(path, "text\r\n");
    guard.Take(path);
    save.text = [] { return std::optional<std::string>("new"); };
    platform::testing::SetBeforeReplaceHook([&](int) { WriteFile(path, "theirs, now longer\r\n"); });
    prompts.ExpectMessage("Error saving=" + std::to_string(kErrFileAccess) + ":The file " + path +
                          " was changed by another program while it was being saved, so it was not written: "
                          "that change is kept.");
    EXPECT_EQ(RunSave(save, prompts), SaveOutcome::NotWritten);
    EXPECT_EQ(ReadFile(path), "theirs, now longer\r\n");
    platform::testing::SetBeforeReplaceHook(nullptr);
}

TEST_F(FileSave, AnUnfinishedSaveIsOfferedAtTheNextOpenAndTheToolNamesIt) {
    const std::string path = temp / "master.xml";
    const std::string copy = path + ".before-save";
    WriteFile(path, "old\r\n");
    fs::create_hard_link(path, temp / "second-name.xml");
    const std::vector<std::string> files{"master.xml", "second-name.xml"};
    test::ScriptedPrompts window;
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::None);

    // Leaves the file cut ("NEW" over "old") and the copy beside it; returns what the offer says of them.
    const auto leaveUnfinished = [&] {
        WriteFile(path, "old\r\n");
        platform::testing::SetFaultHook([](SaveStep step, int fd) {
            if (step == SaveStep::WriteInPlace) (void)!::pwrite(fd, "NEW", 3, 0);
            return step == SaveStep::WriteInPlace ? ENOSPC : step == SaveStep::Restore ? EIO : 0;
        });
        Saved(path, "n\r\n");
        platform::testing::SetFaultHook(nullptr);
        const std::time_t began = static_cast<std::time_t>(Stat(copy).st_mtim.tv_sec);
        std::tm local{};
        char time[32];
        std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", ::localtime_r(&began, &local));
        return "The last save of " + path +
               " did not finish, so the file may be cut short. A complete copy of the text it had before "
               "that "
               "save (begun " +
               time + ") was kept in " + copy + ".";
    };

    // The tool asks nothing: it names the file and the copy, and leaves both.
    std::string what = leaveUnfinished();
    CollectingPrompts tool;
    EXPECT_EQ(OfferUnfinishedSave(path, tool), UnfinishedSaveChoice::Left);
    ASSERT_EQ(tool.messages.size(), 1u);
    EXPECT_EQ(tool.messages[0].text, std::string{what + " Open the file in the editor to put that text back, "
                                                        "or remove the copy to keep the file as it is."});
    const std::string question =
        " Do you want to put that text back? Yes puts it back, and keeps what the file holds now as a numbered "
        "backup beside it; No keeps the file as it is and deletes the copy; Cancel does neither and leaves the "
        "file closed.";
    window.ExpectYesNoCancel(what + question, Answer::Cancel);
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::Left);
    EXPECT_EQ(std::make_tuple(ReadFile(path), ReadFile(copy)),
              std::make_tuple(std::string("NEW\r\n"), std::string("old\r\n")));

    window.ExpectYesNoCancel(what + question, Answer::No);
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::Kept);
    EXPECT_EQ(ReadFile(path), "NEW\r\n");
    EXPECT_EQ(FolderEntries(temp.path()), files);

    // Saved whole since under its other name, which finds no copy: putting the old text back keeps that save
    // as a backup.
    what = leaveUnfinished();
    Saved(temp / "second-name.xml", "later\r\n");
    window.ExpectYesNoCancel(what + question, Answer::Yes);
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::Restored);
    EXPECT_EQ(std::make_tuple(ReadFile(path), ReadFile(path + ".~1~"), FolderEntries(temp.path())),
              std::make_tuple(std::string("old\r\n"), std::string("later\r\n"),
                              std::vector<std::string>{"master.xml", "master.xml.~1~", "second-name.xml"}));

    // Left (Cancel), then saved whole: the last save did finish, so the copy is offered no more. Its text is
    // kept as the next numbered backup, after the one the save itself keeps of the cut file.
    what = leaveUnfinished();
    window.ExpectYesNoCancel(what + question, Answer::Cancel);
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::Left);
    pv::FileSave save;  // the save sequence's, not this fixture
    save.path = path;
    save.text = [] { return std::optional<std::string>("saved"); };
    save.backup = BackupPolicy{BackupControl::Numbered, kDefaultBackupSuffix, 1};
    CollectingPrompts saving;
    EXPECT_EQ(RunSave(save, saving), SaveOutcome::Written);
    EXPECT_EQ(OfferUnfinishedSave(path, window), UnfinishedSaveChoice::None);
    EXPECT_EQ(std::make_tuple(ReadFile(path), ReadFile(path + ".~2~"), ReadFile(path + ".~3~"),
                              FolderEntries(temp.path())),
              std::make_tuple(std::string("saved\r\n"), std::string("NEW\r\n"), std::string("old\r\n"),
                              std::vector<std::string>{"master.xml", "master.xml.~2~", "master.xml.~3~",
                                                       "second-name.xml"}));
}

}  // namespace
}  // namespace pv
