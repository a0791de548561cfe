// The Move To Subfolder, Copy To IMAP Folder, Rule Update and Write To RFC-822 editors: each opened the way
// the dispatch opens it, on files with every element set, with elements missing or empty, and with each
// check.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "actions/DataOutputKit.h"
#include "core/password.h"

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::DispositionWith;
using test::ReadFile;
using test::TestData;

// A kit whose record is opened by the type's own editor.
struct Opened {
    explicit Opened(const std::string& type) : kit(type), editor(kit.EditorOf(type)) {}
    FileEditorForm& form() { return *editor; }
    void Open() { editor->OpenOn(DetailedFileOf(kit.record)); }
    // Places `bytes` as dispose/<name> and opens the editor on it.
    std::string OpenOn(const std::string& name, const std::string& bytes) {
        const std::string file = kit.Place(name, bytes);
        Open();
        return file;
    }
    // Saves, expecting "Saved".
    bool Save() {
        kit.s.prompts.ExpectMessage("Saved");
        return form().SaveFile();
    }
    // Saves, expecting the check's message and nothing written.
    void Refused(const std::string& message) {
        const std::string before = ReadFile(form().GetConfigFilePath());
        kit.s.prompts.ExpectMessage(message);
        EXPECT_FALSE(form().SaveFile()) << message;
        EXPECT_EQ(ReadFile(form().GetConfigFilePath()), before);
    }

    DetailedEditorKit kit;
    std::unique_ptr<FileEditorForm> editor;
};

// Every detailed editor, opened the way the dispatch opens it on a file with every setting, saves it back
// byte for byte; the data-output ones read it with the test message fields.
TEST(DetailedEditors, AFileWithEverySettingComesBackByteForByte) {
    const struct {
        const char* type;
        const char* data;
        const char* caption;
        const char* password = nullptr;  // as the box shows it, unscrambled
    } cases[] = {
        {"MoveToSubfolder", "movetosubfolder/full.xml", "Edit MoveToSubfolder Disposition Configuration"},
        {"CopyToIMAPFolder", "copytoimapfolder/full.xml", "Edit CopyToIMAPFolder Disposition Configuration"},
        {"RuleUpdate", "ruleupdate/full.xml", "Edit RuleUpdate Disposition Configuration"},
        {"WriteRFC822File", "writerfc822/full.xml", "Edit Write To RFC822 File Disposition Configuration"},
        {"WriteAttachmentsToDB", "attachmentstodb/full.attachmentstodb.xml",
         "Edit Write Attachments to DB Disposition "},
        {"WriteToDB", "writetodb/full.writetodb.xml", nullptr, "Secr3t&Pass"},
        {"WriteToFile", "writetofile/full.writetofile.xml", nullptr},
        {"HttpRequest", "http/full.http.xml", nullptr, "hook<key>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        test::DataOutputKit kit(c.type);
        std::filesystem::create_directories(kit.Dispose("active/backup"));
        std::filesystem::create_directories(kit.Dispose("rfc822"));
        const std::string data = TestData(std::string("actions/") + c.data);
        const std::string file = kit.Place(std::string("full.") + c.type + ".xml", ReadFile(data));
        const std::unique_ptr<FileEditorForm> editor =
            kit.s.editors.Find(EditorFamily::Disposition, c.type)->make(kit.s.services, kit.master);
        editor->OpenOn(DetailedFileOf(kit.record));
        if (c.caption) {
            EXPECT_EQ(editor->caption(), c.caption);
        }
        if (c.password) {
            EXPECT_EQ(editor->Text("txtPassword"), c.password);
        }
        EXPECT_EQ(editor->lastLoad(), FileProblem::None);
        EXPECT_FALSE(editor->changed());
        kit.s.prompts.ExpectSavedUnchanged(file);
        ASSERT_TRUE(editor->SaveFile());
        EXPECT_EQ(ReadFile(file), ReadFile(data));
        EXPECT_FALSE(kit.record.Changed);
    }
}

TEST(MessagingEditors, MoveToSubfolderDefaultsEmptyElementsAndItsTwoChecks) {
    Opened move("MoveToSubfolder");
    // A flag other than "0" and "1" reads as set, and the window says that a save writes "1".
    move.kit.s.prompts.ExpectMessage("Unrecognized MarkAsUnread=yes, shown and saved as 1 (in the file " +
                                     move.kit.Dispose("m.movetosubfolder.xml") + ")");
    const std::string file = move.OpenOn(
        "m.movetosubfolder.xml", DispositionWith("<Subfolder></Subfolder><MarkAsUnread>yes</MarkAsUnread>"));
    FileEditorForm& form = move.form();
    EXPECT_EQ(form.Text("txtSubfolder"), "");
    EXPECT_FALSE(form.Checked("chkPutMessageGUIDInSubject"));
    EXPECT_TRUE(form.Checked("chkMarkAsUnread"));

    // A name with a backslash anywhere is refused first; then the two options that exclude each other.
    form.UserSetText("txtSubfolder", "\\Done");
    form.UserClick("chkPutMessageGUIDInSubject");
    EXPECT_TRUE(form.changed());
    move.Refused(
        "Postvane only supports a single level subfolder, please remove all slashes from the subfolder name");
    form.UserSetText("txtSubfolder", "");
    move.Refused(
        "Postvane cannot currently support both putting the GUID in the subject and marking the messages as "
        "unread; "
        "please uncheck one of those options.");
    form.UserClick("chkMarkAsUnread");
    ASSERT_TRUE(move.Save());
    EXPECT_EQ(ReadFile(file), CrLf({"<Disposition>", "\t<Subfolder></Subfolder>",
                                    "\t<PutMessageGUIDInSubject>1</PutMessageGUIDInSubject>",
                                    "\t<MarkAsUnread>0</MarkAsUnread>", "</Disposition>", ""}));
}

TEST(MessagingEditors, CopyToIMAPFolderNewFileSavesItsDefaultsWithTheEmptyPasswordScrambled) {
    Opened copy("CopyToIMAPFolder");
    const std::string file = copy.kit.OpenOnNewFile(*copy.editor, "new.copytoimapfolder.xml");
    FileEditorForm& form = copy.form();
    EXPECT_EQ(copy.kit.s.dialogs.requests.at(0).filter,
              "Copy To Imap Folder config files(*.copytoimapfolder.xml)|*.copytoimapfolder.xml|All xml "
              "files(*.xml)|*.xml");
    EXPECT_EQ(form.Text("txtDomain") + "|" + form.Text("txtUser") + "|" + form.Text("txtAlias"),
              "Your Domain|Your User|Your Alias");
    EXPECT_TRUE(form.control("txtPassword").password);
    ASSERT_TRUE(copy.Save());
    EXPECT_EQ(ReadFile(file),
              CrLf({"<Disposition>", "\t<Host>Your Mail Server</Host>", "\t<Port>-1</Port>",
                    "\t<Protocol>imap</Protocol>", "\t<User>Your Domain\\Your User\\Your Alias</User>",
                    "\t<Password>7qhw3pzk</Password>", "\t<Subfolder>INBOX</Subfolder>",
                    "\t<PutMessageGUIDInSubject>0</PutMessageGUIDInSubject>", "</Disposition>", ""}));
}

TEST(MessagingEditors, CopyToIMAPFolderKeepsThePasswordScrambledAndTheAccountInOneElement) {
    Opened copy("CopyToIMAPFolder");
    const std::string file = copy.OpenOn(
        "c.copytoimapfolder.xml", DispositionWith("<Port></Port><Subfolder></Subfolder><User>a\\b</User>"));
    FileEditorForm& form = copy.form();
    // Present but empty stays empty; two pieces are the user and the alias.
    EXPECT_EQ(form.Text("txtPort") + "|" + form.Text("txtSubfolder"), "|");
    EXPECT_EQ(form.Text("txtDomain") + "|" + form.Text("txtUser") + "|" + form.Text("txtAlias"), "|a|b");

    form.UserSetText("txtPassword", "S3cret pass");
    form.UserSetText("txtDomain", "CORP");
    form.UserSetText("txtUser", "jsmith");
    form.UserSetText("txtAlias", "");
    form.UserClick("chkImaps");
    ASSERT_TRUE(copy.Save());
    const std::string written = ReadFile(file);
    EXPECT_EQ(written.find("S3cret"), std::string::npos) << written;
    EXPECT_NE(written.find("\t<Password>" + ScramblePassword("S3cret pass", copy.kit.s.prompts) +
                           "</Password>\r\n"),
              std::string::npos);
    EXPECT_NE(written.find(
                  "\t<Port></Port>\r\n\t<Protocol>imaps</Protocol>\r\n\t<User>CORP\\jsmith\\jsmith</User>"),
              std::string::npos)
        << written;
    form.UserSetText("txtPassword", "typed over");
    copy.kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtPassword"), "S3cret pass");
    // The scrambled image of "`" is a blank: a password ending in it is kept in clear, and read back whole.
    form.UserSetText("txtPassword", "pass``");
    copy.kit.s.prompts.ExpectMessage(
        "Password ends with \"`\", which is scrambled to a blank that readers may take for layout, so it will "
        "not be encrypted.");
    ASSERT_TRUE(copy.Save());
    EXPECT_NE(ReadFile(file).find("\t<Password>pass``</Password>\r\n"), std::string::npos);
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtPassword"), "pass``");
    form.UserSetText("txtPassword", "S3cret pass");  // each save of it would warn again
    EXPECT_EQ(form.Text("txtAlias"), "jsmith");

    // A backslash inside a part would read back as a separator, splitting the account differently.
    form.UserSetText("txtDomain", "");
    form.UserSetText("txtAlias", "");
    form.UserSetText("txtUser", "name\\alias");
    copy.Refused(
        "Username must not contain a backslash (\\): the file keeps Domain, Username and Mailbox Alias "
        "in one text separated by backslashes, so \"name\\alias\" would read back split differently.");
    form.UserSetText("txtUser", "name");
    form.UserSetText("txtAlias", "alias");
    ASSERT_TRUE(copy.Save());
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtUser") + "|" + form.Text("txtAlias"), "name|alias");

    // A password on its own indented line is read without the layout.
    const std::string stored = ScramblePassword("S3cret`a", copy.kit.s.prompts);
    copy.OpenOn("c.copytoimapfolder.xml", "<Disposition>\r\n\t<User>u</User>\r\n\t<Password>\r\n\t\t" +
                                              stored + "\r\n\t</Password>\r\n</Disposition>");
    EXPECT_EQ(form.Text("txtPassword"), "S3cret`a");
    ASSERT_TRUE(copy.Save());
    EXPECT_NE(ReadFile(file).find("\t<Password>" + stored + "</Password>\r\n"), std::string::npos)
        << ReadFile(file);
    // Stored ending in a blank (the image of "`", as an earlier version wrote it), it is read whole and
    // named as it loads, since a reader that drops the blank reads another password; a save keeps it in
    // clear.
    copy.kit.s.prompts.ExpectMessage(BlankEndedPasswordMessage("Password") + " (in the file " + file + ")");
    copy.OpenOn("c.copytoimapfolder.xml", "<Disposition><User>u</User><Password>" +
                                              stored.substr(0, stored.size() - 1) +
                                              " </Password></Disposition>");
    EXPECT_EQ(form.Text("txtPassword"), "S3cret``");
    copy.kit.s.prompts.ExpectMessage(
        "Password ends with \"`\", which is scrambled to a blank that readers may take for layout, so it will "
        "not be encrypted.");
    ASSERT_TRUE(copy.Save());
    EXPECT_NE(ReadFile(file).find("\t<Password>S3cret``</Password>\r\n"), std::string::npos)
        << ReadFile(file);
    // Scrambled by hand with a character scrambling never writes: named as it loads too.
    copy.kit.s.prompts.ExpectMessage(UnknownImagePasswordMessage("Password") + " (in the file " + file + ")");
    copy.OpenOn("c.copytoimapfolder.xml", "<Disposition><User>u</User><Password>" + stored.substr(0, 8) +
                                              "\xC3\xA4</Password></Disposition>");
    EXPECT_EQ(form.Text("txtPassword"), "\xC3\xA4");

    // A line break in a one-line value shows as a blank, and a box hands it back with what is typed around
    // it: said as it loads, and kept by the save.
    const auto broken = [&](const std::string& element, const std::string& value) {
        return "The file " + file + " holds the " + element + " \"" + value +
               "\", which holds a line break: its box shows a blank for each line break. Saved, edited or not, "
               "the value keeps its line breaks until those blanks are deleted.";
    };
    copy.kit.s.prompts.ExpectMessage(broken("Host", "a&#8232;b&#8233;d"))
        .ExpectMessage(broken("User", "u&#13;&#10;x"));
    copy.OpenOn("c.copytoimapfolder.xml",
                DispositionWith("<Host>a&#x2028;b&#x2029;d</Host><User>u&#13;&#10;x</User>"));
    form.UserSetText("txtHost", form.Text("txtHost") + "c");
    ASSERT_TRUE(copy.Save());
    EXPECT_NE(ReadFile(file).find("\t<Host>a\u2028b\u2029dc</Host>\r\n"), std::string::npos)
        << ReadFile(file);

    // An empty piece is joined again otherwise by a save: said as it loads, and counted as a changed value.
    copy.kit.s.prompts.ExpectMessage(
        "The file " + file +
        " holds the User \"CORP\\jsmith\\\", which has an empty piece (a backslash at either end, or two "
        "together): it is shown, and saved, as the Domain, Username and Mailbox Alias boxes join it: "
        "\"CORP\\jsmith\\jsmith\"");
    copy.OpenOn("c.copytoimapfolder.xml", DispositionWith("<User>CORP\\jsmith\\</User>"));
    EXPECT_EQ(form.Text("txtDomain") + "|" + form.Text("txtUser") + "|" + form.Text("txtAlias"),
              "CORP|jsmith|");
}

TEST(MessagingEditors, CopyToIMAPFolderChecksTheSubfolderBeforeTheServerAndTheUser) {
    Opened copy("CopyToIMAPFolder");
    const std::string file = copy.OpenOn(
        "c.copytoimapfolder.xml", DispositionWith("<Host></Host><User></User><Subfolder>a/b</Subfolder>"));
    FileEditorForm& form = copy.form();
    EXPECT_EQ(form.Text("txtUser"), "");
    copy.Refused(
        "Postvane only supports a single level subfolder, please remove all slashes from the subfolder name");
    form.UserSetText("txtSubfolder", "ab");
    copy.Refused("Mail Server is missing");
    form.UserSetText("txtHost", " ");
    copy.Refused("Username is missing");
    // The user box alone counts: a domain and an alias do not make an account.
    form.UserSetText("txtDomain", "CORP");
    form.UserSetText("txtAlias", "shared");
    copy.Refused("Username is missing");
    form.UserSetText("txtUser", "u");
    // A server of blanks is refused too, where the file is written: the file would give it back empty.
    copy.Refused("The Host value \" \" begins or ends with a blank, which the file " + file +
                 " does not keep: it would read back as \"\". Remove the blank.");
    form.UserSetText("txtHost", "imap");
    EXPECT_TRUE(copy.Save());
}

TEST(MessagingEditors, CopyToIMAPFolderKeepsAProtocolItCannotShowUntilTheBoxIsSet) {
    Opened copy("CopyToIMAPFolder");
    const std::string original = DispositionWith("<Protocol>IMAPS</Protocol>");
    const std::string file = copy.kit.Place("p.copytoimapfolder.xml", original);
    copy.kit.s.prompts.ExpectMessage("Unrecognized Protocol=IMAPS (in the file " + file + ")");
    copy.Open();
    EXPECT_FALSE(copy.form().Checked("chkImaps"));
    EXPECT_FALSE(copy.form().changed());
    // Written as "imap", the file would quietly lose its encryption.
    copy.Refused(
        "Unrecognized Protocol=IMAPS. Click the box to choose one of its two values: this window does "
        "not write a value it does not know.");
    EXPECT_EQ(ReadFile(file), original);
    // Clicked and undone, the box is as loaded, and the save still refuses.
    copy.form().UserClick("chkImaps");
    copy.form().UserUndo();
    copy.Refused(
        "Unrecognized Protocol=IMAPS. Click the box to choose one of its two values: this window does "
        "not write a value it does not know.");
    EXPECT_EQ(ReadFile(file), original);
    copy.form().UserClick("chkImaps");
    ASSERT_TRUE(copy.Save());
    EXPECT_NE(ReadFile(file).find("\t<Protocol>imaps</Protocol>\r\n"), std::string::npos);

    // A value that cannot mean encryption is plain IMAP: shown and saved so, with a note; nothing to choose.
    for (const std::string plain : {"IMAP", ""}) {
        copy.kit.Place("p.copytoimapfolder.xml", DispositionWith("<Protocol>" + plain + "</Protocol>"));
        copy.kit.s.prompts.ExpectMessage("The file " + file + " holds Protocol=\"" + plain +
                                         "\", which is shown and saved as \"imap\".");
        copy.Open();
        EXPECT_FALSE(copy.form().Checked("chkImaps"));
        ASSERT_TRUE(copy.Save());
        EXPECT_NE(ReadFile(file).find("\t<Protocol>imap</Protocol>\r\n"), std::string::npos) << plain;
    }
}

TEST(MessagingEditors, AFileWhoseLastSaveDidNotFinishIsOfferedItsCopyBeforeItIsRead) {
    Opened move("MoveToSubfolder");
    const std::string whole = DispositionWith("<Subfolder>Kept</Subfolder>");
    namespace fs = std::filesystem;
    const std::string file = move.kit.Place("m.movetosubfolder.xml", "<Disposition><Subf");
    const std::string copy = file + ".before-save";
    test::WriteFile(copy, whole);
    // The question in full is the offer's own (see the file save tests): here, where it comes.
    // Cancel: nothing is read or changed; the window shows defaults, and a save would ask first.
    move.kit.s.prompts.ExpectYesNoCancelStartingWith("The last save of " + file + " did not finish",
                                                     Answer::Cancel);
    move.Open();
    EXPECT_EQ(move.form().lastLoad(), FileProblem::Unfinished);
    EXPECT_EQ(std::make_tuple(ReadFile(file), ReadFile(copy)),
              std::make_tuple(std::string("<Disposition><Subf"), whole));
    // Yes: the copy's text is back, read, and the copy gone.
    move.kit.s.prompts.ExpectYesNoCancelStartingWith("The last save of " + file + " did not finish",
                                                     Answer::Yes);
    move.form().UserClick("cmdReload");
    EXPECT_EQ(move.form().Text("txtSubfolder"), "Kept");
    EXPECT_EQ(ReadFile(file), whole);
    EXPECT_FALSE(fs::exists(copy));
}

TEST(MessagingEditors, RuleUpdateNeedsBothFoldersAndStoresThemRelativeToItsFile) {
    Opened rules("RuleUpdate");
    const std::string file = rules.kit.OpenOnNewFile(*rules.editor, "r.ruleupdate.xml");
    FileEditorForm& form = rules.form();
    EXPECT_EQ(form.Text("txtDirectory") + "|" + form.Text("txtBackupDirectory"), "|");
    EXPECT_TRUE(form.Checked("chkRestart"));
    rules.Refused("The directory for the new rules must exist");

    // A full path below the file's folder is stored with "+", and read back so.
    std::filesystem::create_directories(rules.kit.Dispose("active/old"));
    form.UserSetText("txtDirectory", rules.kit.Dispose("active"));
    rules.Refused("The backup directory must exist");
    form.UserSetText("txtBackupDirectory", rules.kit.Dispose("gone"));
    rules.Refused("The backup directory must exist");
    form.UserSetText("txtBackupDirectory", "+/active/old");
    ASSERT_TRUE(rules.Save());
    EXPECT_EQ(ReadFile(file), CrLf({"<Disposition>", "\t<Directory>+/active</Directory>",
                                    "\t<BackupDirectory>+/active/old</BackupDirectory>",
                                    "\t<Restart>1</Restart>", "</Disposition>", ""}));
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtDirectory"), "+/active");

    // An empty Restart element reads as checked and is written back as "1", which the window says.
    rules.kit.s.prompts.ExpectMessage("Unrecognized Restart=, shown and saved as 1 (in the file " + file +
                                      ")");
    rules.OpenOn("r.ruleupdate.xml",
                 DispositionWith("<Directory>+/active</Directory><BackupDirectory>+/active/old"
                                 "</BackupDirectory><Restart></Restart>"));
    EXPECT_TRUE(form.Checked("chkRestart"));
}

TEST(MessagingEditors, WriteToRFC822KeepsTheFieldNameAndChecksOnlyTheRoot) {
    Opened rfc822("WriteRFC822File");
    const std::string file = rfc822.kit.OpenOnNewFile(*rfc822.editor, "w.writerfc822.xml");
    FileEditorForm& form = rfc822.form();
    EXPECT_EQ(
        form.Text("txtDirectory") + "|" + form.Text("txtNumSubfolders") + "|" + form.KeptValue("FieldName"),
        "./output/rfc822|2|MessageObject");
    // The default root lies below the program's folder, so it must exist there.
    rfc822.Refused("The root directory must exist");
    std::filesystem::create_directories(rfc822.kit.dir / "output/rfc822");
    form.UserSetText("txtNumSubfolders", "two");
    ASSERT_TRUE(rfc822.Save());
    EXPECT_EQ(ReadFile(file), CrLf({"<Disposition>", "\t<RootDirectory>./output/rfc822</RootDirectory>",
                                    "\t<NumberOfSubfolderLevels>two</NumberOfSubfolderLevels>",
                                    "\t<FieldName>MessageObject</FieldName>", "</Disposition>", ""}));
    form.UserSetText("txtDirectory", "");
    rfc822.Refused("The root directory must exist");

    // Empty elements stay empty, the one without a control too.
    rfc822.OpenOn(
        "w.writerfc822.xml",
        DispositionWith("<RootDirectory>./output/rfc822</RootDirectory>"
                        "<NumberOfSubfolderLevels></NumberOfSubfolderLevels><FieldName></FieldName>"));
    ASSERT_TRUE(rfc822.Save());
    EXPECT_EQ(ReadFile(file), CrLf({"<Disposition>", "\t<RootDirectory>./output/rfc822</RootDirectory>",
                                    "\t<NumberOfSubfolderLevels></NumberOfSubfolderLevels>",
                                    "\t<FieldName></FieldName>", "</Disposition>", ""}));
}

}  // namespace
}  // namespace pv
