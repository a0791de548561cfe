#include "mailbox/FrmMailbox.h"

#include <gtest/gtest.h>

#include "mailbox/CMailbox.h"
#include "master/MasterLinks.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

// A master file with the files a mailbox names beside it, and the editor opened on one record.
struct MailboxEditor : ::testing::Test {
    TempDir temp;
    std::string program = temp / "program";
    std::string cfg = temp / "cfg";
    MasterLinks links;
    ScriptedServices s{program};
    FrmMailbox form{s.services, links};
    CMailbox record;

    void SetUp() override {
        links.masterFilePath = cfg + "/master.xml";
        links.dispositionTypes[0] = "+/dispositionTypes.xml";
        links.categoryDefinitions[0] = "+/categoryDefinitions.xml";
        WriteFile(links.masterFilePath, "<ResponseHandler/>");
        WriteFile(cfg + "/categorization.xml", "<Rules/>");
        WriteFile(cfg + "/disposition.xml", "<Dispositions>\r\n</Dispositions>\r\n");
        WriteFile(cfg + "/dispositionTypes.xml",
                  "<DispositionTypes><DispositionType><Name>ForwardMessage</Name></DispositionType>"
                  "</DispositionTypes>");
        WriteFile(cfg + "/categoryDefinitions.xml",
                  "<Categories><Category><Name>Spam</Name></Category></Categories>");
        WriteFile(cfg + "/maildir/.keep", "");
        WriteFile(program + "/.keep", "");
        record.sName = "sales";
        record.sHost = "mail.example.com";
        record.sPort = "993";
        record.sProtocol = "imaps";
        record.setDomain("CORP");
        record.setUser("jsmith");
        record.setMailboxAlias("");
        record.sPassword = "pa55";
    }
};

TEST_F(MailboxEditor, LoadShowsTheRecordAndSaveStoresItBack) {
    record.sSensitivitySettingsFile = "+/sensitivity.xml";
    record.nMessageSizeLimit = 7;
    record.nWaitTime = 250;
    record.sHomeFolder = "+/maildir";
    record.nLimitOnCurSize = 900;
    record.bCloseImmediately = true;
    form.LoadFromObject(record);

    EXPECT_FALSE(form.changed());
    EXPECT_EQ(form.Text("txtMailboxName"), "sales");
    EXPECT_EQ(form.Text("txtDomain"), "CORP");
    EXPECT_EQ(form.Text("txtUser"), "jsmith");
    EXPECT_EQ(form.Text("txtAlias"), "");
    EXPECT_EQ(form.Text("txtPassword"), "pa55");
    EXPECT_TRUE(form.control("txtPassword").password);
    EXPECT_EQ(form.Text("txtCatRuleFile"), "+/categorization.xml");
    EXPECT_EQ(form.Text("txtWaitTime"), "250");
    EXPECT_EQ(form.Text("txtLimitOnCurSize"), "900");
    EXPECT_TRUE(form.Checked("optImaps"));
    EXPECT_TRUE(form.Visible("frameServer"));
    EXPECT_FALSE(form.Visible("frameFile"));
    // The two settings nobody should change by hand stay out of sight but travel with the record.
    EXPECT_FALSE(form.Visible("chkExpungeWorkaround"));
    EXPECT_FALSE(form.Visible("chkCloseImmediately"));
    EXPECT_TRUE(form.Checked("chkCloseImmediately"));

    form.UserSetText("txtAlias", "sales-box");
    form.UserSetText("txtThreads", " 2.5 ");  // half to the even neighbour
    EXPECT_TRUE(form.changed());
    form.UserClick("cmdSave");

    EXPECT_TRUE(form.IsClosed());
    EXPECT_FALSE(form.changed());
    EXPECT_TRUE(record.Changed);
    EXPECT_EQ(record.accountText(), "CORP\\jsmith\\sales-box");
    EXPECT_EQ(record.nThreads, 2);
    EXPECT_EQ(record.nWaitTime, 250);
    EXPECT_EQ(record.nLimitOnCurSize, 900);
    EXPECT_EQ(record.sProtocol, "imaps");
    EXPECT_TRUE(record.bCloseImmediately);
    EXPECT_FALSE(record.bExpungeWorkaround);
    EXPECT_EQ(record.sSensitivitySettingsFile, "+/sensitivity.xml");
    EXPECT_EQ(record.nMessageSizeLimit, 7);
    EXPECT_EQ(record.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/categorization.xml"});
}

// Every check in its order: the walk starts from a form where all of them fail and mends one at a time.
TEST_F(MailboxEditor, ChecksComeInTheirOrderAndStopAtTheFirstFailure) {
    record.sProtocol = "imap4";
    record.sDispositionFileName = "+/missing.xml";
    record.saCategorizationRulesConfigFiles = {"+/missing-rules.xml"};
    record.sName = "";
    record.sHost = "";
    record.sPort = "x";
    record.setUser("");
    record.setDomain("");
    s.prompts.ExpectMessage("Unknown protocol=imap4");
    form.LoadFromObject(record);
    for (const char* option :
         {"optPOP", "optPops", "optIMAP", "optImaps", "optMaildir", "optHighperfMaildir"}) {
        EXPECT_FALSE(form.Checked(option)) << option;
    }
    EXPECT_TRUE(form.Visible("frameFile"));
    for (const char* box : {"txtMsgsPerThreadBeforeRefresh", "txtErrorWaitTime", "txtNoMessagesWaitTime",
                            "txtThreads", "txtWaitTime"}) {
        form.UserSetText(box, "many");
    }

    struct Step {
        std::string message;
        std::function<void()> mend;
    };
    const std::vector<Step> steps = {
        {"Please choose a protocol", [&] { form.UserClick("optPOP"); }},
        {"Messages Per Thread Before Refresh must be numeric",
         [&] { form.UserSetText("txtMsgsPerThreadBeforeRefresh", "10"); }},
        {"Error wait time must be numeric", [&] { form.UserSetText("txtErrorWaitTime", "11"); }},
        {"No messages wait time must be numeric", [&] { form.UserSetText("txtNoMessagesWaitTime", "12"); }},
        {"Threads must be numeric", [&] { form.UserSetText("txtThreads", "3"); }},
        {"Success wait time must be numeric", [&] { form.UserSetText("txtWaitTime", "14"); }},
        {"Categorization rules file does not exist",
         [&] { WriteFile(cfg + "/missing-rules.xml", "<Rules/>"); }},
        {"Disposition configuration file does not exist",
         [&] { WriteFile(cfg + "/missing.xml", "<Dispositions/>"); }},
        {"Mailbox name is missing", [&] { form.UserSetText("txtMailboxName", "support"); }},
        {"Mail Server is missing", [&] { form.UserSetText("txtHost", "pop.example.com"); }},
        {"Port must be numeric", [&] { form.UserSetText("txtPort", "995"); }},
        {"Username is missing", [&] { form.UserSetText("txtUser", "help"); }},
    };
    for (const Step& step : steps) {
        s.prompts.ExpectMessage(step.message);
        EXPECT_FALSE(form.SaveToRecord()) << step.message;
        step.mend();
    }
    EXPECT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.sProtocol, "pop3");
    EXPECT_EQ(record.sName, "support");
    EXPECT_EQ(record.accountText(), "help");
    EXPECT_EQ(record.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/missing-rules.xml"});
}

TEST_F(MailboxEditor, FileProtocolChecksTheHomeFolderAndTheCurLimit) {
    record.sProtocol = "highperformancemaildir";
    record.sHost = "";
    record.setUser("");
    record.setDomain("");
    record.sPort = "not a port";
    form.LoadFromObject(record);
    EXPECT_TRUE(form.Visible("frameFile"));
    EXPECT_FALSE(form.Visible("frameServer"));

    s.prompts.ExpectMessage("Home Folder is missing");
    EXPECT_FALSE(form.SaveToRecord());
    form.UserSetText("txtHomeFolder", "+/nowhere");
    s.prompts.ExpectMessage("Home Folder does not exist");
    EXPECT_FALSE(form.SaveToRecord());
    form.UserSetText("txtHomeFolder", "+/maildir");  // resolved against the master file
    form.UserSetText("txtLimitOnCurSize", "");
    s.prompts.ExpectMessage("Limit on size of cur is missing");
    EXPECT_FALSE(form.SaveToRecord());
    form.UserSetText("txtLimitOnCurSize", "lots");
    s.prompts.ExpectMessage("Limit on size of cur must be numeric");
    EXPECT_FALSE(form.SaveToRecord());
    form.UserSetText("txtLimitOnCurSize", "4000");
    // An empty host and user and a port that is no number do not matter to a Maildir mailbox.
    EXPECT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.sHomeFolder, "+/maildir");
    EXPECT_EQ(record.nLimitOnCurSize, 4000);
    EXPECT_EQ(record.sPort, "not a port");

    // A server option brings its frame back, and its own checks with it.
    form.UserClick("optPOP");
    EXPECT_TRUE(form.changed());
    EXPECT_TRUE(form.Visible("frameServer"));
    EXPECT_FALSE(form.Visible("frameFile"));
    EXPECT_FALSE(form.Checked("optHighperfMaildir"));
    s.prompts.ExpectMessage("Mail Server is missing");
    EXPECT_FALSE(form.SaveToRecord());
}

TEST_F(MailboxEditor, ServerProtocolKeepsTheCurLimitWhenItsBoxHoldsNoNumber) {
    record.nLimitOnCurSize = 321;
    form.LoadFromObject(record);
    form.UserSetText("txtLimitOnCurSize", "n/a");
    form.UserSetText("txtPort", "");
    ASSERT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.nLimitOnCurSize, 321);
    EXPECT_EQ(record.sPort, "");

    form.UserSetText("txtLimitOnCurSize", "-1");
    ASSERT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.nLimitOnCurSize, -1);
}

TEST_F(MailboxEditor, NumbersBeyondThirtyTwoBitsAreRefusedAsNotNumeric) {
    form.LoadFromObject(record);
    form.UserSetText("txtMsgsPerThreadBeforeRefresh", "2147483647");
    form.UserSetText("txtErrorWaitTime", "-2147483648");
    form.UserSetText("txtNoMessagesWaitTime", "2147483648");
    s.prompts.ExpectMessage("No messages wait time must be numeric");
    EXPECT_FALSE(form.SaveToRecord());
    // The numbers before the failing one have reached the record already; the rest has not.
    EXPECT_EQ(record.nMsgsPerThreadBeforeRefresh, 2147483647);
    EXPECT_EQ(record.nErrorWaitTime, -2147483648);
    EXPECT_EQ(record.nNoMessagesWaitTime, 60);
    EXPECT_FALSE(record.Changed);

    form.UserSetText("txtNoMessagesWaitTime", "5");
    form.UserSetText("txtPort", "99999999999");
    s.prompts.ExpectMessage("Port must be numeric");
    EXPECT_FALSE(form.SaveToRecord());
}

TEST_F(MailboxEditor, SeveralCategorizationFilesStayUntilOneIsChosen) {
    record.saCategorizationRulesConfigFiles = {"+/a.xml", "+/b.xml", "/elsewhere/c.xml"};
    form.LoadFromObject(record);
    EXPECT_EQ(form.Text("txtCatRuleFile"), "*MULTIPLE - Configure in xml file directly*");
    EXPECT_TRUE(form.control("txtCatRuleFile").readOnly);
    ASSERT_TRUE(form.SaveToRecord());  // none of the three exists, and none is checked
    EXPECT_EQ(record.saCategorizationRulesConfigFiles,
              (std::vector<std::string>{"+/a.xml", "+/b.xml", "/elsewhere/c.xml"}));

    s.dialogs.AnswerFile(cfg + "/categorization.xml");
    form.UserClick("cmdBrowseCategorization");
    ASSERT_EQ(s.dialogs.requests.size(), 1u);
    const FileDialogRequest& request = s.dialogs.requests[0];
    EXPECT_EQ(request.title, "Choose the categorization config file you wish to use");
    EXPECT_EQ(request.pattern, "*.categorization.xml");
    EXPECT_EQ(
        request.filter,
        "Categorization config files(*.categorization.xml)|*categorization.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.mode, FileCheck::MustExist);
    EXPECT_TRUE(request.refuseReadOnly);
    EXPECT_EQ(request.fileName, "categorization.xml");
    EXPECT_EQ(request.initialFolder, program);
    EXPECT_EQ(form.Text("txtCatRuleFile"), "+/categorization.xml");
    EXPECT_TRUE(form.changed());
    ASSERT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/categorization.xml"});
}

TEST_F(MailboxEditor, ChoosingANewDispositionFileCreatesItAndEditOpensIt) {
    form.LoadFromObject(record);
    s.dialogs.AnswerFile(std::nullopt);
    form.UserClick("cmdBrowseDisposition");
    EXPECT_EQ(form.Text("txtDisposition"), "+/disposition.xml");
    EXPECT_FALSE(form.changed());
    const FileDialogRequest& request = s.dialogs.requests.at(0);
    EXPECT_EQ(request.title, "Choose the disposition config file you wish to open");
    EXPECT_EQ(request.pattern, "*.disposition.xml");
    EXPECT_EQ(request.filter,
              "Disposition config files(*.disposition.xml)|*.disposition.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.mode, FileCheck::CreatePrompt);
    EXPECT_EQ(request.initialFolder, cfg);  // the current file exists
    EXPECT_EQ(request.fileName, "disposition.xml");

    // Edit on a file that is not there: the message, the choice, the new empty file, then the editor on it.
    form.UserSetText("txtDisposition", "typed");  // read-only: only loading and "..." change it
    EXPECT_EQ(form.Text("txtDisposition"), "+/disposition.xml");
    record.sDispositionFileName = "+/gone.xml";
    form.LoadFromObject(record);
    s.prompts.ExpectMessage("Disposition config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(cfg + "/new.disposition.xml");
    s.windows.Expect("frmDispositions", [](Form& dispositions) { dispositions.UserRequestClose(); });
    form.UserClick("cmdEdit");
    EXPECT_EQ(form.Text("txtDisposition"), "+/new.disposition.xml");
    EXPECT_EQ(ReadFile(cfg + "/new.disposition.xml"), "<Dispositions>\r\n</Dispositions>\r\n");
    EXPECT_TRUE(form.changed());
    EXPECT_EQ(s.windows.shown, std::vector<std::string>{"frmDispositions"});

    // Cancelling the choice opens nothing.
    record.sDispositionFileName = "+/gone.xml";
    form.LoadFromObject(record);
    s.prompts.ExpectMessage("Disposition config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(std::nullopt);
    form.UserClick("cmdEdit");
    EXPECT_EQ(form.Text("txtDisposition"), "+/gone.xml");
    EXPECT_EQ(s.windows.shown.size(), 1u);
}

TEST_F(MailboxEditor, ClosingAsksWhetherToKeepTheChanges) {
    form.LoadFromObject(record);
    form.UserPressEscape();  // nothing changed: no question
    EXPECT_TRUE(form.IsClosed());

    form.Reopen();
    form.UserSetText("txtHost", "");
    s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to keep them?", Answer::Cancel);
    EXPECT_FALSE(form.UserRequestClose());
    // Yes stores, and a failing check keeps the window open with the input.
    s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to keep them?", Answer::Yes);
    s.prompts.ExpectMessage("Mail Server is missing");
    form.UserPressEscape();
    EXPECT_FALSE(form.IsClosed());
    EXPECT_EQ(form.Text("txtHost"), "");
    form.UserSetText("txtHost", "imap.example.com");
    s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to keep them?", Answer::Yes);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(record.sHost, "imap.example.com");
    EXPECT_TRUE(record.Changed);

    // No closes without storing; the record's flag keeps its value.
    record.Changed = false;
    form.Reopen();
    form.LoadFromObject(record);
    form.UserSetText("txtHost", "other.example.com");
    s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to keep them?", Answer::No);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(record.sHost, "imap.example.com");
    EXPECT_FALSE(record.Changed);

    // The discard button clears the record's flag and asks nothing.
    record.Changed = true;
    form.Reopen();
    form.LoadFromObject(record);
    form.UserSetText("txtHost", "third.example.com");
    form.UserClick("cmdCancel");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_FALSE(record.Changed);
    EXPECT_EQ(record.sHost, "imap.example.com");
}

}  // namespace
}  // namespace pv
