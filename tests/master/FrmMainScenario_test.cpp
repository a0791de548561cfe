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

// A working day on a copy of a real-looking master file: a mailbox added by typing into the mailbox
// editor, another renamed and retuned, a third deleted. The untouched mailboxes (one with two rules files,
// a scrambled password and a domain account) must come back byte for byte.
TEST(MainWindowScenario, AddEditAndDeleteWriteTheExpectedMasterFile) {
    TempDir temp;
    const std::string cfg = temp / "cfg";
    const std::string master = cfg + "/master.xml";
    WriteFile(master, ReadFile(TestData("frmmain/scenario/master.xml")));
    WriteFile(cfg + "/categorization.xml", "<Rules/>");
    for (const char* name : {"sales", "support", "archive"}) {
        WriteFile(cfg + "/" + name + ".disposition.xml", "<Dispositions>\r\n</Dispositions>\r\n");
    }
    WriteFile(temp / "program/.keep", "");
    ScriptedServices s(temp / "program");
    FrmMain main(s.services);

    // Started from the folder above the master, with a relative path.
    main.Open("cfg/master.xml", temp.path());
    ASSERT_EQ(main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "support", "archive"}));

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

    main.UserSelect("lstMailboxes", {1});
    s.prompts
        .ExpectYesNo(
            "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\nMailbox to "
            "remove: \"archive\"",
            Answer::Yes, "Confirm Delete")
        .ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");

    EXPECT_EQ(main.Items("lstMailboxes"), (std::vector<std::string>{"sales", "orders", "helpdesk"}));
    EXPECT_EQ(ReadFile(master), ReadFile(TestData("frmmain/scenario/expected.master.xml")));
    EXPECT_FALSE(main.changed());
    s.dialogs.VerifyAllUsed();
}

}  // namespace
}  // namespace pv
