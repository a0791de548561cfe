// Backups kept by the one save sequence: numbered ones within their limit, simple ones, what a backup keeps
// of the file, and a backup that cannot be kept stopping the save. Where permissions matter the save runs in
// a child process as an unprivileged user, which needs the tests to run as root; otherwise those cases are
// skipped.
#include "core/Backups.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "core/HeadlessServices.h"
#include "core/SaveSequence.h"
#include "core/UnfinishedSave.h"
#include "core/errors.h"
#include "core/platform.h"
#include "support/OtherUser.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::FolderEntries;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::AsOtherUser;
using test::Attribute;
using test::kOtherGroup;
using test::kOtherUser;
using test::kSharedGroup;
using test::Stat;

// A window's prompts: the question whether to save without a backup is answered Yes, and kept.
class SavesWithoutBackup : public CollectingPrompts {
  public:
    Answer AskOrTell(const Message& question) override {
        asked = WindowText(question);
        return Answer::Yes;
    }
    std::string asked;
};

// Saves `text` (and the final line end) to `path` through the save sequence with the given backups; what
// it said, "" when it wrote the file.
std::string SaveWith(const std::string& path, const std::string& text, const BackupPolicy& policy,
                     CollectingPrompts& prompts) {
    FileSave save;
    save.path = path;
    save.text = [text]() -> std::optional<std::string> { return text; };
    save.backup = policy;
    const SaveOutcome outcome = RunSave(save, prompts);
    std::string said;
    for (const Message& message : prompts.messages) said += message.text;
    return outcome == SaveOutcome::Written ? said : said.empty() ? "not written" : said;
}

std::string SaveWith(const std::string& path, const std::string& text, const BackupPolicy& policy) {
    CollectingPrompts prompts;
    return SaveWith(path, text, policy, prompts);
}

BackupPolicy Policy(BackupControl control, size_t kept = kBackupsKeptDefault,
                    const std::string& suffix = "~") {
    BackupPolicy policy;
    policy.control = control;
    policy.kept = kept;
    policy.suffix = suffix;
    return policy;
}

std::vector<int64_t> Numbers(const std::vector<Backup>& backups) {
    std::vector<int64_t> numbers;
    for (const Backup& backup : backups) numbers.push_back(backup.number);
    return numbers;
}

TEST(Backups, ThirtySavesWithALimitOfFiveKeepTheFiveNewestAndNoCopyOfWhatTheNewestHolds) {
    TempDir temp;
    const std::string path = temp / "master.xml";
    const BackupPolicy policy = Policy(BackupControl::Numbered, 5);
    // A file that is not there yet has nothing to keep.
    EXPECT_EQ(SaveWith(path, "v0", policy), "");
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
    for (int i = 1; i <= 30; ++i) {
        ASSERT_EQ(SaveWith(path, "v" + std::to_string(i), policy), "") << i;
        ASSERT_LE(BackupsOf(path).size(), 5u) << i;
    }
    EXPECT_EQ(FolderEntries(temp.path()),
              (std::vector<std::string>{"master.xml", "master.xml.~26~", "master.xml.~27~", "master.xml.~28~",
                                        "master.xml.~29~", "master.xml.~30~"}));
    for (int n = 26; n <= 30; ++n)
        EXPECT_EQ(ReadFile(path + ".~" + std::to_string(n) + "~"), "v" + std::to_string(n - 1) + "\r\n");
    EXPECT_EQ(ReadFile(path), "v30\r\n");
    EXPECT_EQ(Numbers(BackupsOf(path)), (std::vector<int64_t>{30, 29, 28, 27, 26}));

    // Saving again what the file holds (a window saved twice with nothing changed in between) writes nothing
    // and keeps no backup: with one backup kept, the only copy of the text before the last change stays, and
    // the file keeps its bytes and its time. The window is told that nothing was written.
    const BackupPolicy one = Policy(BackupControl::Numbered, 1);
    EXPECT_EQ(SaveWith(path, "v31", one), "");
    const auto earlier = fs::last_write_time(path) - std::chrono::hours(1);
    fs::last_write_time(path, earlier);
    const auto state = [&] {
        return std::make_tuple(ReadFile(path), fs::last_write_time(path), BackupsOf(path));
    };
    const auto before = state();
    CollectingPrompts notes(true);
    EXPECT_EQ(SaveWith(path, "v31", one, notes),
              "Saved: " + path + " held this text already, so it was not written again.");
    EXPECT_EQ(state(), before);
    EXPECT_EQ(std::make_tuple(Numbers(BackupsOf(path)), ReadFile(path + ".~31~")),
              std::make_tuple(std::vector<int64_t>{31}, std::string("v30\r\n")));

    // A save tried again after its write failed finds the backup it kept then, and keeps no second one; the
    // failed one removed none.
    KeepBackup(path, one);
    KeepBackup(path, one);
    EXPECT_EQ(Numbers(BackupsOf(path)), (std::vector<int64_t>{32, 31}));
    EXPECT_EQ(SaveWith(path, "v32", one), "");
    EXPECT_EQ(Numbers(BackupsOf(path)), std::vector<int64_t>{32});

    // A lower limit removes the oldest at the next save.
    EXPECT_EQ(SaveWith(path, "v33", policy), "");
    EXPECT_EQ(SaveWith(path, "v34", policy), "");
    EXPECT_EQ(SaveWith(path, "v35", Policy(BackupControl::Numbered, 2)), "");
    EXPECT_EQ(Numbers(BackupsOf(path)), (std::vector<int64_t>{35, 34}));
    // Names that only look like backups are neither counted nor removed.
    WriteFile(path + ".~07~", "x");
    WriteFile(path + ".~x~", "x");
    EXPECT_EQ(SaveWith(path, "v36", Policy(BackupControl::Numbered, 2)), "");
    EXPECT_EQ(FolderEntries(temp.path()),
              (std::vector<std::string>{"master.xml", "master.xml.~07~", "master.xml.~35~", "master.xml.~36~",
                                        "master.xml.~x~"}));
    // Numbers go on past nine digits, as GNU's do: the backup after ~999999999~ is still one.
    const std::string last = path + ".~999999999~";
    WriteFile(last, "older\r\n");
    EXPECT_EQ(SaveWith(path, "v37", Policy(BackupControl::Numbered, 2)), "");
    EXPECT_EQ(SaveWith(path, "v38", Policy(BackupControl::Numbered, 2)), "");
    EXPECT_EQ(Numbers(BackupsOf(path)), (std::vector<int64_t>{1000000001, 1000000000}));
    EXPECT_EQ(ReadFile(path + ".~1000000001~"), "v37\r\n");
}

TEST(Backups, SimpleAndExistingBackupsFollowGnuAndLieBesideTheFileALinkNames) {
    TempDir temp;
    const std::string real = temp / "real/monitor.xml";
    WriteFile(real, "one\r\n");
    const std::string link = temp / "monitor.xml";
    fs::create_symlink("real/monitor.xml", link);

    // "existing" without numbered backups: a simple one, replaced by each save.
    EXPECT_EQ(SaveWith(link, "two", Policy(BackupControl::Existing)), "");
    EXPECT_EQ(SaveWith(link, "three", Policy(BackupControl::Existing)), "");
    EXPECT_EQ(FolderEntries(temp / "real"), (std::vector<std::string>{"monitor.xml", "monitor.xml~"}));
    EXPECT_EQ(ReadFile(real + "~"), "two\r\n");
    EXPECT_EQ(SaveWith(link, "four", Policy(BackupControl::Simple, 10, ".orig")), "");
    EXPECT_EQ(ReadFile(real + ".orig"), "three\r\n");

    // Once the file has a numbered backup, "existing" numbers them.
    EXPECT_EQ(SaveWith(link, "five", Policy(BackupControl::Numbered)), "");
    EXPECT_EQ(SaveWith(link, "six", Policy(BackupControl::Existing)), "");
    EXPECT_EQ(FolderEntries(temp / "real"),
              (std::vector<std::string>{"monitor.xml", "monitor.xml.orig", "monitor.xml.~1~",
                                        "monitor.xml.~2~", "monitor.xml~"}));
    EXPECT_EQ(ReadFile(real + ".~2~"), "five\r\n");
    // The history lists the numbered ones newest first, then the simple one.
    EXPECT_EQ(Numbers(BackupsOf(link)), (std::vector<int64_t>{2, 1, 0}));
    EXPECT_EQ(BackupsOf(link).back().path, real + "~");

    // A suffix that would make the backup a configuration file by its name stops the save.
    EXPECT_EQ(
        SaveWith(link, "seven", Policy(BackupControl::Simple, 10, ".old.XML")),
        "Error saving=75:Cannot keep a backup of " + link +
            ": a backup suffix cannot end in \".xml\": the backup would look like a configuration file");
    EXPECT_EQ(ReadFile(real), "six\r\n");
    EXPECT_EQ(SaveWith(link, "seven", Policy(BackupControl::None)), "");
    EXPECT_EQ(FolderEntries(temp / "real").size(), 5u);
}

// A save whose write fails takes no backup away: the oldest numbered one beyond the limit, or the simple one
// the new backup would replace, goes only once the file is written. A file that cannot be written is found
// so before any backup is made. A backup that cannot be named after the write is said, and the save stands.
TEST(Backups, ASaveThatFailsKeepsEveryBackupThereWas) {
    TempDir temp;
    const std::string path = temp / "master.xml";
    WriteFile(path + ".~1~", "A\r\n");
    WriteFile(path + "~", "A\r\n");
    WriteFile(path, "B\r\n");
    int replaces = 0;
    int failing = 0;  // the rename that fails, counted from 1; 0 for none
    platform::testing::SetFaultHook([&](platform::testing::SaveStep step, int) {
        return step == platform::testing::SaveStep::Replace && ++replaces == failing ? EIO : 0;
    });
    struct Unhook {
        ~Unhook() { platform::testing::SetFaultHook(nullptr); }
    } unhook;
    const auto failed = [&](const BackupPolicy& policy) {
        replaces = 0;
        failing = 1;
        return SaveWith(path, "C", policy).starts_with("Error saving=75:Cannot replace " + path);
    };
    EXPECT_TRUE(failed(Policy(BackupControl::Numbered, 1)));
    EXPECT_TRUE(failed(Policy(BackupControl::Simple)));
    EXPECT_EQ(std::make_tuple(ReadFile(path), ReadFile(path + ".~1~"), ReadFile(path + "~")),
              std::make_tuple("B\r\n", "A\r\n", "A\r\n"));

    // Once a save is written, the numbered backups are brought within the limit.
    failing = 0;
    EXPECT_EQ(SaveWith(path, "C", Policy(BackupControl::Numbered, 1)), "");
    EXPECT_EQ(FolderEntries(temp.path()),
              (std::vector<std::string>{"master.xml", "master.xml.~2~", "master.xml~"}));

    // The simple backup cannot take its name after the write (one of another owner in a shared folder, one
    // made immutable): the file is saved, the backup before stays, and the new one is kept under the next
    // number, said as a warning.
    replaces = 0;
    failing = 2;
    EXPECT_EQ(SaveWith(path, "D", Policy(BackupControl::Simple)),
              "The backup of " + path + " could not replace " + path +
                  "~ (Input/output error), so it was kept as " + path + ".~3~.");
    EXPECT_EQ(std::make_tuple(ReadFile(path), ReadFile(path + "~"), ReadFile(path + ".~3~")),
              std::make_tuple("D\r\n", "A\r\n", "C\r\n"));
    EXPECT_EQ(FolderEntries(temp.path()),
              (std::vector<std::string>{"master.xml", "master.xml.~2~", "master.xml.~3~", "master.xml~"}));

    if (::geteuid() != 0) GTEST_SKIP() << "acting as a second user needs the tests to run as root";
    // The user owns the folder and the file, so a backup could be made, but the file is read-only.
    for (const std::string& owned : {temp.path(), path})
        ASSERT_EQ(::chown(owned.c_str(), kOtherUser, kOtherGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(AsOtherUser([&] { return SaveWith(path, "E", Policy(BackupControl::Numbered, 1)); }),
              "Error saving=75:Cannot write " + path + ": Permission denied");
    EXPECT_EQ(std::make_tuple(ReadFile(path + ".~2~"), FolderEntries(temp.path()).size()),
              std::make_tuple("B\r\n", size_t{4}));
}

TEST(Backups, TheGnuWordsAndTheEditorSettingGiveThePolicy) {
    // The words the tool's test of --backup does not give: "nil", and GNU's abbreviations.
    EXPECT_EQ(ParseBackupControl("nil"), BackupControl::Existing);
    EXPECT_EQ(ParseBackupControl("num"), BackupControl::Numbered);
    EXPECT_EQ(ParseBackupControl("n"), std::nullopt);  // none, numbered, nil, never
    EXPECT_EQ(SuffixRefusal("/x"), "a backup suffix cannot hold a \"/\"");

    MemorySettings settings;
    EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::Numbered, 10));
    settings.SetText(kBackupsKeptKey, "3");
    EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::Numbered, 3));
    // A count too large to reach keeps every backup; so does a setting that is no count (a settings file
    // edited by hand): backups are never removed on a number the editor could not read.
    settings.SetText(kBackupsKeptKey, "1000000");
    EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::Numbered, 1000000));
    for (const char* all : {"99999999999999999999999", "-4", "ten"}) {
        settings.SetText(kBackupsKeptKey, all);
        EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::Numbered, SIZE_MAX)) << all;
    }
    settings.SetText(kBackupsKeptKey, " 12 ");
    EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::Numbered, 12));
    settings.SetText(kBackupsKeptKey, "000");
    EXPECT_EQ(EditorBackups(settings), Policy(BackupControl::None, 1));
}

TEST(Backups, ABackupKeepsTheOwnerGroupModeAndAttributesOfTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file another owner needs the tests to run as root";
    TempDir temp;
    const std::string path = temp / "master.xml";
    WriteFile(path, "password inside\r\n");
    ASSERT_EQ(::chown(path.c_str(), kOtherUser, kSharedGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool attributes = ::setxattr(path.c_str(), "user.origin", "ops", 3, 0) == 0;
    const mode_t mask = ::umask(0);  // a permissive umask must not widen the backup
    const std::string said = SaveWith(path, "new", Policy(BackupControl::Numbered));
    ::umask(mask);
    EXPECT_EQ(said, "");
    const struct stat backup = Stat(path + ".~1~");
    EXPECT_EQ(std::make_tuple(backup.st_uid, backup.st_gid, backup.st_mode & 07777),
              std::make_tuple(kOtherUser, kSharedGroup, 0640u));
    EXPECT_EQ(ReadFile(path + ".~1~"), "password inside\r\n");
    if (attributes) {
        EXPECT_EQ(Attribute(path + ".~1~", "user.origin"), "ops");
    }
}

// The file may be written (in place, with its recovery copy) but no backup can be made beside it: the save
// stops before anything is written and says which backup could not be kept.
TEST(Backups, ABackupThatCannotBeKeptStopsTheSaveAndWritesNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as a second user needs the tests to run as root";
    TempDir temp;
    const std::string state = temp / "state";
    fs::create_directories(state);
    ASSERT_EQ(::chown(state.c_str(), kOtherUser, kOtherGroup), 0);
    const std::string folder = temp / "locked";
    const std::string path = folder + "/master.xml";
    WriteFile(path, "old\r\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const auto save = [&](const BackupPolicy& policy) {
        return AsOtherUser([&] {
            ::setenv("XDG_STATE_HOME", state.c_str(), 1);
            return SaveWith(path, "new", policy);
        });
    };
    EXPECT_EQ(save(Policy(BackupControl::Numbered)), "Error saving=75:Cannot keep a backup of " + path +
                                                         " as " + path +
                                                         ".~1~: Permission denied; the file was not written");
    EXPECT_EQ(save(Policy(BackupControl::Simple)), "Error saving=75:Cannot keep a backup of " + path +
                                                       " as " + path +
                                                       "~: Permission denied; the file was not written");
    EXPECT_EQ(ReadFile(path), "old\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});
    EXPECT_EQ(FolderEntries(state), std::vector<std::string>{});
    // Without backups the same save writes the file in place.
    EXPECT_EQ(save(Policy(BackupControl::None)), "");
    EXPECT_EQ(ReadFile(path), "new\r\n");
    // A window asks, and saves without a backup when the user says so.
    EXPECT_EQ(AsOtherUser([&] {
                  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
                  SavesWithoutBackup window;
                  return SaveWith(path, "newer", Policy(BackupControl::Numbered), window) + window.asked;
              }),
              "Cannot keep a backup of " + path + " as " + path +
                  ".~1~: Permission denied.\n\nDo you want to save the file without keeping a backup?");
    EXPECT_EQ(ReadFile(path), "newer\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});
    // A save of it in place that did not finish kept its copy in the state folder, as none could lie beside
    // it either: putting that text back is asked the same way, and done without a backup.
    EXPECT_EQ(AsOtherUser([&] {
                  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
                  platform::testing::SetFaultHook([](platform::testing::SaveStep step, int fd) {
                      if (step == platform::testing::SaveStep::WriteInPlace) (void)!::ftruncate(fd, 3);
                      return step == platform::testing::SaveStep::WriteInPlace ? ENOSPC
                             : step == platform::testing::SaveStep::Restore    ? EIO
                                                                               : 0;
                  });
                  try {
                      platform::ReplaceFileAtomically(path, "cut\r\n");
                  } catch (const AppError&) {
                  }
                  platform::testing::SetFaultHook(nullptr);
                  SavesWithoutBackup window;
                  return std::to_string(static_cast<int>(OfferUnfinishedSave(path, window))) + window.asked;
              }),
              std::to_string(static_cast<int>(UnfinishedSaveChoice::Restored)) + "Cannot keep a backup of " +
                  path + " as " + path +
                  ".~1~: Permission denied.\n\nDo you want to put the copy's text back without keeping a "
                  "backup of what the file holds now?");
    EXPECT_EQ(ReadFile(path), "newer\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"master.xml"});
    for (const auto& entry : fs::recursive_directory_iterator(state)) EXPECT_TRUE(entry.is_directory());

    // A shared folder where the file belongs to another user: a backup there could not have its owner, so
    // none is made under another owner, and the save stops.
    const std::string shared = temp / "shared";
    const std::string file = shared + "/master.xml";
    WriteFile(file, "old\r\n");
    ASSERT_EQ(::chown(shared.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0775), 0);
    ASSERT_EQ(::chown(file.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    EXPECT_EQ(
        AsOtherUser([&] { return SaveWith(file, "new", Policy(BackupControl::Numbered)); }, {kSharedGroup}),
        "Error saving=75:Cannot keep a backup of " + file + " as " + file +
            ".~1~: a backup there cannot have the file's owner, group, permissions and access lists; the "
            "file was not written");
    EXPECT_EQ(ReadFile(file), "old\r\n");
    EXPECT_EQ(FolderEntries(shared), std::vector<std::string>{"master.xml"});
}

}  // namespace
}  // namespace pv
