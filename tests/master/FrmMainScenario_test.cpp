#include <gtest/gtest.h>

#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::TestData;
using test::WriteFile;

// A copy of a real-looking master file with the files it names, opened as from the folder above it.
struct Scenario {
    TempDir temp;
    std::string cfg = temp / "cfg";
    std::string master = cfg + "/master.xml";
    bool placed = Place();
    ScriptedServices s{temp / "program"};
    FrmMain main{s.services};

    bool Place() {
        WriteFile(master, ReadFile(TestData("frmmain/scenario/master.xml")));
        WriteFile(cfg + "/categorization.xml", "<Rules/>");
        for (const char* name : {"sales", "support", "archive"}) {
            WriteFile(cfg + "/" + name + ".disposition.xml", "<Dispositions>\r\n</Dispositions>\r\n");
        }
        WriteFile(temp / "program/.keep", "");
        return true;
    }
    void Open() { main.Open("cfg/master.xml", temp.path()); }

    // A working day: a mailbox added by typing into the mailbox editor, another renamed and retuned, a
    // third deleted; the window writes the file after each.
    void Work() {
        s.windows.Expect("frmMailbox", [&](Form& editor) {
            EXPECT_EQ(editor.caption(), "Mailbox Configuration");
            editor.UserSetText("txtMailboxName", "orders");
            editor.UserClick("optImaps");
            editor.UserSetText("txtHost", "mail.example.com");
            editor.UserSetText("txtPort", "993");
            editor.UserSetText("txtDomain", "");
            editor.UserSetText("txtUser", "orders");
            editor.UserSetText("txtAlias", "");
            editor.UserSetText("txtPassword", "s3cret!");
            editor.UserSetText("txtWaitTime", "250");
            s.dialogs.AnswerFile(cfg + "/orders.disposition.xml");
            editor.UserClick("cmdBrowseDisposition");
            editor.UserClick("cmdSave");
        });
        s.prompts.ExpectMessage("Saved");
        main.UserClick("cmdAddMailbox");
        EXPECT_EQ(ReadFile(cfg + "/orders.disposition.xml"), "<Dispositions>\r\n</Dispositions>\r\n");

        main.UserSelect("lstMailboxes", {1});
        s.windows.Expect("frmMailbox", [](Form& editor) {
            EXPECT_EQ(editor.Text("txtMailboxName"), "support");
            EXPECT_EQ(editor.Text("txtPassword"), "help&desk");
            EXPECT_TRUE(editor.Checked("optPops"));
            editor.UserSetText("txtMailboxName", "helpdesk");
            editor.UserSetText("txtNoMessagesWaitTime", "120");
            editor.UserClick("cmdSave");
        });
        s.prompts.ExpectMessage("Saved");
        main.UserClick("cmdEditMailbox");
        ASSERT_EQ(main.Items("lstMailboxes"),
                  (std::vector<std::string>{"sales", "archive", "orders", "helpdesk"}));
        // The renamed mailbox stays selected, for the next Edit.
        EXPECT_EQ(main.Selection("lstMailboxes"), std::vector<int>{3});

        main.UserSelect("lstMailboxes", {1});
        s.prompts
            .ExpectYesNo(
                "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them "
                "back.\n\nMailbox to remove: \"archive\"",
                Answer::Yes, "Confirm Delete")
            .ExpectMessage("Saved");
        main.UserClick("cmdDeleteMailbox");
        EXPECT_EQ(main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "orders", "helpdesk"}));
    }
};

// The working day writes the expected master: the untouched mailboxes (one with two rules files, a
// scrambled password and a domain account) come back byte for byte. A check box and a chosen file undone
// before anything is written leave nothing to ask. The mailbox operations were written as they were made,
// so undoing them leaves the window changed, and its save writes the master as loaded; redone and saved,
// the master of the working day again.
TEST(MainWindowScenario, AWorkingDayWritesTheExpectedMasterAndUndoAndRedoLeadBackAndForth) {
    Scenario w;
    // Started from the folder above the master, with a relative path.
    w.Open();
    ASSERT_EQ(w.main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "support", "archive"}));
    // The master is written as the window writes it already.
    w.s.prompts.ExpectSavedUnchanged(w.master);
    w.main.UserClick("cmdSave");
    const std::string loaded = ReadFile(w.master);

    w.main.UserClick("cmdMoreLess");  // shows the catalogues, and is no change of the file
    EXPECT_FALSE(w.main.CanUndo());
    w.main.UserClick("chkOnePass");
    w.s.dialogs.AnswerFile(w.cfg + "/categorization.xml");
    w.main.UserClick("cmdBrowseCategoryDefinition");
    ASSERT_NE(w.main.Text("txtCategoryDefinitions1"), w.main.savedValues().CategoryDefinitionsFile1);
    EXPECT_TRUE(w.main.changed());
    w.main.UserUndo();
    EXPECT_EQ(w.main.Text("txtCategoryDefinitions1"), w.main.savedValues().CategoryDefinitionsFile1);
    w.main.UserUndo();
    EXPECT_FALSE(w.main.Checked("chkOnePass"));
    EXPECT_FALSE(w.main.changed());
    EXPECT_FALSE(w.main.CanUndo());

    w.Work();
    EXPECT_EQ(ReadFile(w.master), ReadFile(TestData("frmmain/scenario/expected.master.xml")));
    EXPECT_FALSE(w.main.changed());
    for (int step = 0; step < 3; ++step) w.main.UserUndo();
    EXPECT_EQ(w.main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "support", "archive"}));
    EXPECT_TRUE(w.main.changed());
    w.s.prompts.ExpectMessage("Saved");
    w.main.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(w.master), loaded);
    EXPECT_FALSE(w.main.changed());

    for (int step = 0; step < 3; ++step) w.main.UserRedo();
    EXPECT_EQ(w.main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "orders", "helpdesk"}));
    EXPECT_TRUE(w.main.changed());
    w.s.prompts.ExpectMessage("Saved");
    w.main.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(w.master), ReadFile(TestData("frmmain/scenario/expected.master.xml")));
    EXPECT_TRUE(w.main.UserRequestClose());
    w.s.dialogs.VerifyAllUsed();
}

// With "Review changes before saving" ticked, each save of the master shows what it changes first: Cancel
// writes nothing and keeps the window's edits (so closing asks), Save writes what was shown.
TEST(MainWindowScenario, AReviewedSaveWritesOnlyWhatTheUserSawAndAccepted) {
    Scenario w;
    w.Open();
    ScriptedServices& s = w.s;
    FrmMain& main = w.main;
    const std::string& master = w.master;
    const std::string original = ReadFile(master);
    EXPECT_FALSE(main.Checked("chkReviewChanges"));
    main.UserClick("chkReviewChanges");
    EXPECT_TRUE(ReviewsBeforeSaving(s.settings));

    const size_t from = original.find("\t\t<Mailbox>\r\n\t\t\t<Name>archive</Name>");
    const std::string expected = original.substr(0, from) + original.substr(original.find("\t</Mailboxes>"));
    const auto shows = [&](const PendingWrite& write) {
        EXPECT_EQ(write.before, original);
        EXPECT_EQ(write.after, expected);
    };
    main.UserSelect("lstMailboxes", {2});
    s.prompts.ExpectYesNo(
        "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\nMailbox to "
        "remove: \"archive\"",
        Answer::Yes, "Confirm Delete");
    s.review.Expect(master, false, shows);
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(ReadFile(master), original);
    EXPECT_EQ(main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "support"}));
    EXPECT_TRUE(main.changed());

    s.prompts.ExpectMessage("Saved");
    s.review.Expect(master, true, shows);
    main.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(master), expected);
    EXPECT_FALSE(main.changed());
    // Saved again unchanged, nothing is shown: there is nothing to review, nor to write.
    s.prompts.ExpectSavedUnchanged(master);
    main.UserClick("cmdSave");
    EXPECT_EQ(s.review.shown.size(), 2u);
}

}  // namespace
}  // namespace pv
