#include "mailbox/FrmMailbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <tuple>

#include "core/MasterLinks.h"
#include "mailbox/CMailbox.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::WriteFile;

constexpr const char* kEmptyDispositions = "<Dispositions>\r\n</Dispositions>\r\n";

// The editor on a default record, whose files exist beside the master file.
struct MailboxEditor : ::testing::Test {
    test::TempDir temp;
    std::string program = temp / "program";
    std::string cfg = temp / "cfg";
    MasterLinks links;
    test::ScriptedServices s{program};
    FrmMailbox form{s.services, links};
    CMailbox record;

    void SetUp() override {
        links.masterFilePath = cfg + "/master.xml";
        WriteFile(links.masterFilePath, "<ResponseHandler/>");
        // The dispositions editor opens only with its catalogues.
        links.dispositionTypes[0] = "+/dispositionTypes.xml";
        links.categoryDefinitions[0] = "+/categoryDefinitions.xml";
        WriteFile(
            cfg + "/dispositionTypes.xml",
            "<DispositionTypes><DispositionType><Name>DoNothing</Name></DispositionType></DispositionTypes>");
        WriteFile(cfg + "/categoryDefinitions.xml",
                  "<Categories><Category><Name>Spam</Name></Category></Categories>");
        WriteFile(cfg + "/categorization.xml", "<Rules/>");
        WriteFile(cfg + "/disposition.xml", kEmptyDispositions);
        WriteFile(cfg + "/maildir/.keep", "");
        WriteFile(program + "/.keep", "");
    }
};

// One walk through every check: the form starts with all of them failing and is mended one at a time, the
// Maildir branch first, then the server branch.
TEST_F(MailboxEditor, ChecksComeInTheirOrderWithTheFieldsMessages) {
    record.sProtocol = "imap4";
    record.sDispositionFileName = "+/missing.xml";
    record.saCategorizationRulesConfigFiles = {"+/missing-rules.xml"};
    record.sName = "";
    record.sHost = "";
    record.sPort = "99999999999";
    record.setUser("");
    record.setDomain("");
    record.setMailboxAlias("");
    s.prompts.ExpectMessage("Unknown protocol=imap4");
    form.LoadFromObject(record);
    EXPECT_EQ(form.SelectedProtocol(), "");
    // The two settings nobody should change by hand are never shown.
    EXPECT_FALSE(form.Visible("chkExpungeWorkaround") || form.Visible("chkCloseImmediately"));
    for (const char* box :
         {"txtMsgsPerThreadBeforeRefresh", "txtErrorWaitTime", "txtThreads", "txtWaitTime"}) {
        form.UserSetText(box, "many");
    }
    form.UserSetText("txtNoMessagesWaitTime", "2147483648");  // one past 32 bits
    form.UserSetText("txtLimitOnCurSize", "");

    const auto type = [&](const char* box, const char* text) {
        return [=, this] { form.UserSetText(box, text); };
    };
    // Each failed check names the control to mend, which then gets the focus.
    struct Step {
        std::string message;
        std::string control;
        std::function<void()> mend;
    };
    const Step steps[] = {
        {"Please choose a protocol", "optPOP", [&] { form.UserClick("optMaildir"); }},
        {"Messages Per Thread Before Refresh must be numeric", "txtMsgsPerThreadBeforeRefresh",
         type("txtMsgsPerThreadBeforeRefresh", "2147483647")},
        {"Error wait time must be numeric", "txtErrorWaitTime", type("txtErrorWaitTime", "-2147483648")},
        {"No messages wait time must be numeric", "txtNoMessagesWaitTime",
         type("txtNoMessagesWaitTime", "12")},
        {"Threads must be numeric", "txtThreads", type("txtThreads", " 2.5 ")},  // half to the even neighbour
        {"Success wait time must be numeric", "txtWaitTime",
         [&] {
             EXPECT_EQ(record.nThreads, 2);  // the numbers before the failing one are stored already
             form.UserSetText("txtWaitTime", "14");
         }},
        {"Categorization rules file does not exist: " + cfg + "/missing-rules.xml", "cmdBrowseCategorization",
         [&] { WriteFile(cfg + "/missing-rules.xml", "<Rules/>"); }},
        {"Disposition configuration file does not exist: " + cfg + "/missing.xml", "cmdBrowseDisposition",
         [&] { WriteFile(cfg + "/missing.xml", "<Dispositions/>"); }},
        // Names are checked as the file gives them back: blanks around a name are not kept.
        {"Mailbox name is missing", "txtMailboxName", type("txtMailboxName", " \t ")},
        {"Mailbox name is missing", "txtMailboxName", type("txtMailboxName", "support ")},
        {"The mailbox name \"support \" begins or ends with a blank, which the master file does not keep: it "
         "would read back as \"support\". Remove the blank.",
         "txtMailboxName",
         [&] {
             form.UserSetText("txtMailboxName", "support");
             form.UserSetText("txtSubfolder", " Inbox ");
         }},
        {"The subfolder \" Inbox \" begins or ends with a blank, which the master file does not keep: it "
         "would read back as \"Inbox\". Remove the blank.",
         "txtSubfolder",
         [&] {
             form.UserSetText("txtSubfolder", "Inbox");
             form.UserSetText("txtHost", "mx ");
         }},
        // Written for Maildir too, while Maildir hides its box.
        {"The mail server \"mx \" begins or ends with a blank, which the master file does not keep: it would "
         "read back as \"mx\". Remove the blank. The box is shown when a mail server protocol (POP3 or IMAP) "
         "is chosen.",
         "txtHost", type("txtHost", "")},
        {"Home Folder is missing", "txtHomeFolder", type("txtHomeFolder", "+/nowhere")},
        {"Home Folder does not exist", "txtHomeFolder", type("txtHomeFolder", "+/maildir")},
        {"Limit on size of cur is missing", "txtLimitOnCurSize",
         [&] {
             form.UserSetText("txtLimitOnCurSize", "4000");
             form.UserSetText("txtAlias", "x\\y");
         }},
        // The account is saved under Maildir too, whose window hides its boxes.
        {"Mailbox Alias must not contain a backslash (\\): the master file keeps Domain, Username and "
         "Mailbox Alias in one text separated by backslashes, so \"x\\y\" would read back split differently. "
         "The box is shown when a mail server protocol (POP3 or IMAP) is chosen.",
         "txtAlias",
         [&] {
             form.UserSetText("txtAlias", "");
             form.UserSetText("txtLimitOnCurSize", "lots");
         }},
        {"Limit on size of cur must be numeric", "txtLimitOnCurSize",
         [&] {
             form.UserSetText("txtLimitOnCurSize", "4000");
             // No host, no user and a port too big do not matter to Maildir.
             EXPECT_TRUE(form.SaveToRecord());
             form.UserClick("optPOP");
             EXPECT_TRUE(form.Visible("frameServer") && !form.Visible("frameFile"));
             // A server protocol keeps the stored cur limit when its box holds no number.
             form.UserSetText("txtLimitOnCurSize", "n/a");
         }},
        {"Mail Server is missing", "txtHost", type("txtHost", "   ")},
        {"Mail Server is missing", "txtHost", type("txtHost", "pop.example.com ")},
        {"The mail server \"pop.example.com \" begins or ends with a blank, which the master file does not "
         "keep: it would read back as \"pop.example.com\". Remove the blank.",
         "txtHost", type("txtHost", "pop.example.com")},
        {"Port must be numeric", "txtPort", type("txtPort", " 993 ")},
        {"The port \" 993 \" begins or ends with a blank, which the master file does not keep: it would read "
         "back as \"993\". Remove the blank.",
         "txtPort", type("txtPort", "")},
        {"Username is missing", "txtUser", type("txtUser", "CORP\\help")},
        // The account is one text with backslashes between its parts.
        {"Username must not contain a backslash (\\): the master file keeps Domain, Username and Mailbox "
         "Alias "
         "in one text separated by backslashes, so \"CORP\\help\" would read back split differently.",
         "txtUser",
         [&] {
             form.UserSetText("txtUser", "help");
             form.UserSetText("txtDomain", "A\\B");
         }},
        {"Domain must not contain a backslash (\\): the master file keeps Domain, Username and Mailbox Alias "
         "in one text separated by backslashes, so \"A\\B\" would read back split differently.",
         "txtDomain",
         [&] {
             form.UserSetText("txtDomain", "");
             form.UserSetText("txtAlias", "\\");
         }},
        {"Mailbox Alias must not contain a backslash (\\): the master file keeps Domain, Username and "
         "Mailbox "
         "Alias in one text separated by backslashes, so \"\\\" would read back split differently.",
         "txtAlias",
         [&] {
             form.UserSetText("txtAlias", "");
             form.UserSetText("txtUser", "help ");
         }},
        {"The account \"help \" begins or ends with a blank, which the master file does not keep: it would "
         "read back as \"help\". Remove the blank.",
         "txtUser",
         [&] {
             form.UserSetText("txtUser", "help");
             form.UserSetText("txtPassword", "7qhw3pzk\xC3\xA4");
         }},
        // Kept in clear for its last character, it would read back scrambled.
        {"The password begins with \"7qhw3pzk\" and holds a character that cannot be scrambled (#228), so it "
         "would be stored as it is and read back as another password. Change the password.",
         "txtPassword", type("txtPassword", "")},
    };
    for (const auto& [message, control, mend] : steps) {
        s.prompts.ExpectMessage(message);
        EXPECT_FALSE(form.SaveToRecord()) << message;
        EXPECT_EQ(form.requestedFocus(), control) << message;
        mend();
    }
    EXPECT_TRUE(form.SaveToRecord());
    EXPECT_EQ(std::tie(record.sProtocol, record.sName, record.sPort, record.sSubfolder, record.sHomeFolder),
              std::make_tuple("pop3", "support", "", "Inbox", "+/maildir"));
    EXPECT_EQ(std::tie(record.nMsgsPerThreadBeforeRefresh, record.nErrorWaitTime, record.nNoMessagesWaitTime,
                       record.nThreads, record.nWaitTime, record.nLimitOnCurSize),
              std::make_tuple(2147483647, -2147483648LL, 12, 2, 14, 4000));
    EXPECT_EQ(record.accountText(), "help");
}

// A folder or a pipe where a file is named is there: "does not exist" would send the user looking for it.
TEST_F(MailboxEditor, AFolderOrPipeNamedAsAFileIsReportedForWhatItIs) {
    std::filesystem::create_directory(cfg + "/folder.xml");
    ASSERT_EQ(::mkfifo((cfg + "/pipe.xml").c_str(), 0644), 0);
    const auto fault = [&](const std::string& rules, const std::string& dispositions) {
        record.saCategorizationRulesConfigFiles = {rules};
        record.sDispositionFileName = dispositions;
        form.LoadFromObject(record);
        return form.CheckFields(nullptr).value_or(Message());
    };
    EXPECT_EQ(
        std::make_tuple(fault("+/categorization.xml", "+/folder.xml").text,
                        fault("+/pipe.xml", "+/x.xml").text,
                        fault("+/categorization.xml", "+/nothing.xml").text),
        std::make_tuple("Disposition configuration file is a folder, not a file: " + cfg + "/folder.xml",
                        "Categorization rules file is a named pipe (FIFO), not a file: " + cfg + "/pipe.xml",
                        "Disposition configuration file does not exist: " + cfg + "/nothing.xml"));
    EXPECT_EQ(fault("+/categorization.xml", "+/folder.xml").place.control, "cmdBrowseDisposition");
    // And a file where a Maildir home folder is named.
    record.sProtocol = "maildir";
    record.sHomeFolder = "+/categorization.xml";
    EXPECT_EQ(fault("+/categorization.xml", "+/disposition.xml").text,
              "Home Folder is a file, not a folder: " + cfg + "/categorization.xml");
    record.sProtocol = "pop3";
    // A path the system will not look up may name a file as well: its reason is said, not "does not exist".
    const std::string tooLong = std::string(PATH_MAX, 'l') + ".xml";
    EXPECT_EQ(fault("+/" + tooLong, "+/x.xml").text,
              "Categorization rules file cannot be reached (File name too long): " + cfg + "/" + tooLong);

    // Edit says the same as Save of a folder, then lets the user choose another, as for a missing file.
    record.saCategorizationRulesConfigFiles = {"+/categorization.xml"};
    record.sDispositionFileName = "+/folder.xml";
    form.LoadFromObject(record);
    s.prompts.ExpectMessage("Disposition configuration file is a folder, not a file: " + cfg + "/folder.xml");
    s.dialogs.AnswerFile(std::nullopt);
    form.UserClick("cmdEdit");
    EXPECT_EQ(s.dialogs.requests.back().title, "Choose the disposition config file you wish to open");
}

TEST_F(MailboxEditor, BrowseButtonsUseTheirOwnDialogAndSeveralCategorizationFilesStayUntilOneIsChosen) {
    record.saCategorizationRulesConfigFiles = {"+/a.xml", "+/b.xml", "/elsewhere/c.xml"};
    form.LoadFromObject(record);
    EXPECT_EQ(form.Text("txtCatRuleFile"), "*MULTIPLE - Configure in xml file directly*");
    ASSERT_TRUE(form.SaveToRecord());  // none of the three exists, and none is checked
    EXPECT_EQ(record.saCategorizationRulesConfigFiles.size(), 3u);

    s.dialogs.AnswerFile(cfg + "/categorization.xml").AnswerFile(cfg + "/new.disposition.xml");
    form.UserClick("cmdBrowseCategorization");
    form.UserClick("cmdBrowseDisposition");
    const auto settings = [](const FileDialogRequest& r) {
        return std::tie(r.title, r.pattern, r.filter, r.fileName, r.initialFolder, r.mode, r.refuseReadOnly);
    };
    EXPECT_EQ(settings(s.dialogs.requests.at(0)),
              std::make_tuple("Choose the categorization config file you wish to use", "*.categorization.xml",
                              "Categorization config files(*.categorization.xml)|*categorization.xml|"
                              "All xml files(*.xml)|*.xml",
                              "categorization.xml", cfg, FileCheck::MustExist, true));
    EXPECT_EQ(settings(s.dialogs.requests.at(1)),
              std::make_tuple("Choose the disposition config file you wish to open", "*.disposition.xml",
                              "Disposition config files(*.disposition.xml)|*.disposition.xml|"
                              "All xml files(*.xml)|*.xml",
                              "disposition.xml", cfg, FileCheck::CreatePrompt, true));
    EXPECT_EQ(form.Text("txtCatRuleFile"), "+/categorization.xml");
    EXPECT_EQ(ReadFile(cfg + "/new.disposition.xml"), kEmptyDispositions);
    EXPECT_TRUE(form.changed());
    // A new file that cannot be made leaves the box as it was.
    s.dialogs.AnswerFile(cfg + "/nowhere/d.disposition.xml");
    s.prompts.ExpectMessageStartingWith("Error=76");
    form.UserClick("cmdBrowseDisposition");
    EXPECT_EQ(form.Text("txtDisposition"), "+/new.disposition.xml");
    ASSERT_TRUE(form.SaveToRecord());
    EXPECT_EQ(record.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/categorization.xml"});
    EXPECT_EQ(record.sDispositionFileName, "+/new.disposition.xml");

    // Edit on a file that is gone: the message, the choice, the new empty file, then the editor on it.
    std::filesystem::remove(cfg + "/new.disposition.xml");
    s.prompts.ExpectMessage("Disposition config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(cfg + "/other.disposition.xml");
    s.windows.Expect("frmDispositions", [](Form& dispositions) { dispositions.UserRequestClose(); });
    form.UserClick("cmdEdit");
    EXPECT_EQ(form.Text("txtDisposition"), "+/other.disposition.xml");
    EXPECT_EQ(ReadFile(cfg + "/other.disposition.xml"), kEmptyDispositions);
}

TEST_F(MailboxEditor, ClosingAsksWhetherToKeepTheChanges) {
    const std::string keep = "There are unsaved changes, do you wish to keep them?";
    form.LoadFromObject(record);
    form.UserPressEscape();  // nothing changed: no question
    EXPECT_TRUE(form.IsClosed());

    form.Reopen();
    form.UserSetText("txtHost", "");
    s.prompts.ExpectYesNoCancel(keep, Answer::Cancel);
    EXPECT_FALSE(form.UserRequestClose());
    // Yes stores, and a failing check keeps the window open with the input.
    s.prompts.ExpectYesNoCancel(keep, Answer::Yes).ExpectMessage("Mail Server is missing");
    form.UserPressEscape();
    EXPECT_FALSE(form.IsClosed());
    form.UserSetText("txtHost", "imap.example.com");
    s.prompts.ExpectYesNoCancel(keep, Answer::Yes);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(record.sHost, "imap.example.com");
    EXPECT_TRUE(record.Changed);

    // No closes without storing and leaves the record's flag as it was.
    form.Reopen();
    form.LoadFromObject(record);
    form.UserSetText("txtHost", "other.example.com");
    s.prompts.ExpectYesNoCancel(keep, Answer::No);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(record.sHost, "imap.example.com");
    EXPECT_TRUE(record.Changed);
}

}  // namespace
}  // namespace pv
