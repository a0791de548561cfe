// The backups a window's saves keep, and the History window over them, driven through the monitor
// configuration window: every window that saves a file gets the same button from the same code.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <tuple>

#include "core/Backups.h"
#include "core/SaveReview.h"
#include "core/Settings.h"
#include "core/platform.h"
#include "monitoring/MonitorKit.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::MonitorKit;
using test::ReadFile;
using test::TestData;

using Lines = std::vector<std::string>;

TEST(HistoryWindow, ASaveKeepsABackupWhoseDifferenceIsShownAndARestoreIsASaveThatReloadsTheWindow) {
    const std::string original = ReadFile(TestData("monitoring/configuration/sparse.expected.monitor.xml"));
    MonitorKit kit(original);
    kit.Open();
    FrmMonitor& form = kit.form;
    const std::string backup1 = kit.file() + ".~1~";
    const std::string backup2 = kit.file() + ".~2~";

    // The editor's saves keep numbered backups unless told otherwise.
    form.UserClick("chkJmxEnabled");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(backup1), original);
    std::string saved = original;
    saved.replace(saved.find(">0</JMXEnabled>"), 3, ">1<");
    EXPECT_EQ(ReadFile(kit.file()), saved);

    // Saved again with the edit taken back by hand, the window writes nothing: the file keeps its bytes and
    // time, the only backup stays, and the window shows the file as it is.
    form.UserClick("chkJmxEnabled");
    form.UserClick("chkJmxEnabled");
    ASSERT_TRUE(form.changed());
    fs::last_write_time(kit.file(), fs::last_write_time(kit.file()) - std::chrono::hours(1));
    const auto disk = [&] {
        return std::make_tuple(ReadFile(kit.file()), fs::last_write_time(kit.file()), BackupsOf(kit.file()));
    };
    const auto before = disk();
    kit.s.prompts.ExpectSavedUnchanged(kit.file());
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(std::make_tuple(disk(), form.changed()), std::make_tuple(before, false));

    const std::string difference =
        "--- " + backup1 + "\n+++ " + kit.file() +
        "\n@@ -8,7 +8,7 @@\n"
        " \t\t<Parameter></Parameter>\r\n"
        " \t</Monitor>\r\n"
        " \t<JMX>\r\n"
        "-\t\t<JMXEnabled>0</JMXEnabled>\r\n"
        "+\t\t<JMXEnabled>1</JMXEnabled>\r\n"
        " \t\t<Adaptor>\r\n"
        " \t\t\t<ClassName>com.ombrivo.Postvane.monitor.HtmlAdaptorMBean</ClassName>\r\n"
        " \t\t\t<Parameter>8082</Parameter>\r\n";

    // An edit not saved yet: the restore asks before it discards it, and No leaves everything as it was.
    form.UserSetText("txtHtmlAdaptorPort", "1");
    kit.s.windows.Expect("frmHistory", [&](Form& history) {
        EXPECT_EQ(history.caption(), "History of monitor.xml");
        EXPECT_EQ(history.Text("lblBackups"), "Backups of " + kit.file() + ", newest first:");
        ASSERT_EQ(history.Items("lstBackups").size(), 1u);
        EXPECT_TRUE(history.Items("lstBackups")[0].starts_with("monitor.xml.~1~    20"));
        EXPECT_EQ(history.Selection("lstBackups"), std::vector<int>{0});
        EXPECT_EQ(history.Text("txtDifference"), difference);
        EXPECT_TRUE(history.Enabled("cmdRestore"));

        const std::string question = "The window has changes to " + kit.file() +
                                     " that were not saved; restoring the backup discards them. Restore "
                                     "monitor.xml.~1~ anyway?";
        kit.s.prompts.ExpectYesNo(question, Answer::No);
        history.UserClick("cmdRestore");
        EXPECT_EQ(ReadFile(kit.file()), saved);

        // Yes: the backup's bytes go back through the save sequence, which keeps what they replace.
        kit.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
        history.UserClick("cmdRestore");
        EXPECT_EQ(ReadFile(kit.file()), original);
        EXPECT_EQ(ReadFile(backup2), saved);
        ASSERT_EQ(history.Items("lstBackups").size(), 2u);
        EXPECT_TRUE(history.Items("lstBackups")[0].starts_with("monitor.xml.~2~    20"));
        EXPECT_TRUE(history.Items("lstBackups")[1].starts_with("monitor.xml.~1~    20"));
        EXPECT_EQ(history.Selection("lstBackups"), std::vector<int>{1});
        EXPECT_EQ(history.Text("txtDifference"), "The file holds what this backup holds.");
        history.UserSelect("lstBackups", {0});
        EXPECT_NE(history.Text("txtDifference").find("\n-\t\t<JMXEnabled>1</JMXEnabled>\r\n"),
                  std::string::npos);
        history.UserPressEscape();
    });
    form.UserClick("cmdHistory");
    // The window shows the file as the restore left it, unchanged, so closing asks nothing.
    EXPECT_EQ(form.Text("txtHtmlAdaptorPort"), "8082");
    EXPECT_FALSE(form.Checked("chkJmxEnabled"));
    EXPECT_FALSE(form.changed());
}

// A restore is a save like any other: reviewed when the user asked for it, and asked about when another
// program changed the file after the History window read it, so that a change the difference did not show is
// never replaced unseen.
TEST(HistoryWindow, ARestoreIsReviewedAndAsksAboutAChangeMadeSinceTheHistoryReadTheFile) {
    const std::string original = ReadFile(TestData("monitoring/configuration/sparse.expected.monitor.xml"));
    MonitorKit kit(original);
    kit.Open();
    kit.form.UserClick("chkJmxEnabled");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(kit.form.SaveFile());
    const std::string saved = ReadFile(kit.file());
    SetReviewBeforeSaving(kit.s.settings, true);
    const std::string theirs = "<Monitors>\r\n</Monitors>\r\n";
    // The question about another program's change, with what Yes does.
    const auto changed = [&](const std::string& yes) {
        return "The file " + kit.file() +
               " has been changed by another program since this window read it. Do you want to restore the "
               "chosen backup over it? Yes restores it, " +
               yes +
               "; No shows the difference from the file as it is now, restoring nothing; Cancel does "
               "neither.";
    };
    kit.s.windows.Expect("frmHistory", [&](Form& history) {
        // Cancel in the review writes nothing.
        kit.s.review.Expect(kit.file(), false, [&](const PendingWrite& write) {
            EXPECT_EQ(std::make_tuple(write.before, write.after),
                      std::make_tuple(std::optional(saved), original));
        });
        history.UserClick("cmdRestore");
        EXPECT_EQ(ReadFile(kit.file()), saved);

        // Changed since the History window read it: No shows the file as it is now and restores nothing.
        test::WriteFile(kit.file(), theirs);
        kit.s.review.Expect(kit.file(), true);
        kit.s.prompts.ExpectYesNoCancel(changed("keeping what the file holds now as a backup"), Answer::No);
        history.UserClick("cmdRestore");
        EXPECT_EQ(ReadFile(kit.file()), theirs);
        // The difference now ends at their two lines.
        EXPECT_NE(history.Text("txtDifference").find("\n@@ -1,23 +1,2 @@\n <Monitors>\r\n"),
                  std::string::npos);

        // Their change shown, the restore asks nothing more and keeps it as a backup.
        kit.s.review.Expect(kit.file(), true);
        kit.s.prompts.ExpectMessage("Saved");
        history.UserClick("cmdRestore");
        EXPECT_EQ(std::make_tuple(ReadFile(kit.file()), ReadFile(kit.file() + ".~2~")),
                  std::make_tuple(original, theirs));

        // With backups turned off Yes keeps nothing, and the question says so.
        kit.s.settings.SetText(kBackupsKeptKey, "0");
        test::WriteFile(kit.file(), theirs);
        kit.s.review.Expect(kit.file(), true);
        kit.s.prompts.ExpectYesNoCancel(
            changed("and what the file holds now is lost, since the backups setting keeps none"),
            Answer::Cancel);
        history.UserClick("cmdRestore");
        EXPECT_EQ(ReadFile(kit.file()), theirs);
        history.UserPressEscape();
    });
    kit.form.UserClick("cmdHistory");
}

TEST(HistoryWindow, WithBackupsTurnedOffASaveKeepsNoneAndTheHistorySaysSo) {
    const std::string original = ReadFile(TestData("monitoring/configuration/sparse.expected.monitor.xml"));
    MonitorKit kit(original);
    kit.s.settings.SetText(kBackupsKeptKey, "0");
    kit.Open();
    kit.form.UserClick("chkJmxEnabled");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(kit.form.SaveFile());
    EXPECT_EQ(test::FolderEntries(kit.dir.path()), (Lines{"master.xml", "monitor.xml"}));
    kit.s.windows.Expect("frmHistory", [&](Form& history) {
        EXPECT_EQ(history.Items("lstBackups"), Lines{});
        EXPECT_EQ(history.Text("txtDifference"), "No backup of " + kit.file() + " has been kept.");
        EXPECT_FALSE(history.Enabled("cmdRestore"));
        history.UserClick("cmdEscape");
    });
    kit.form.UserClick("cmdHistory");
}

}  // namespace
}  // namespace pv
