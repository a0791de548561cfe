#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "actions/DetailedEditorKit.h"
#include "actions/DetailedFileTool.h"
#include "actions/FrmCustom.h"
#include "actions/RegisterEditors.h"
#include "cli/StreamPrompts.h"
#include "core/process.h"
#include "master/MasterLinks.h"

namespace pv {
namespace {

using test::DetailedEditorKit;
using test::ReadFile;
using test::TestData;
using test::WriteFile;

// Registers the program's editors for one test and puts back whatever was registered before.
class BuiltInEditors {
  public:
    BuiltInEditors() {
        for (const auto& info : BuiltInDetailedEditors()) Save(info.formName);
        Save("frmCustom");
        RegisterBuiltInDispositionEditors();
    }
    ~BuiltInEditors() {
        for (auto& [name, creator] : saved_) RegisterDispositionEditor(name, std::move(creator));
    }

  private:
    void Save(const std::string& name) { saved_[name] = RegisteredDispositionEditor(name); }
    std::map<std::string, DispositionEditorCreator> saved_;
};

TEST(CustomDispositionEditor, ChosenFileGoesToTheRecordAndOpensInTheTextEditor) {
    DetailedEditorKit kit("Archive");
    // Blanks and double quotes in the name reach the text editor as one argument, unchanged.
    const std::string folder = kit.dir / "dispose/odd \"names\" here";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/my \"archive\" rules.customdisposition.xml";
    kit.s.dialogs.AnswerFile(file);
    FrmCustom form(kit.s.services);
    EXPECT_EQ(form.kind(), "frmCustom");
    EXPECT_EQ(form.caption(), "Edit Custom Disposition Configuration");
    form.PassDispositionObject(kit.record);

    ASSERT_EQ(kit.s.dialogs.requests.size(), 1u);
    EXPECT_EQ(kit.s.dialogs.requests[0].pattern, "*.customdisposition.xml");
    EXPECT_EQ(kit.s.dialogs.requests[0].filter,
              "Custom Disposition config files(*.customdisposition.xml)|*.customdisposition.xml|All xml "
              "files(*.xml)|*.xml");
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(kit.record.DetailedDispositionFile,
              "+/dispose/odd \"names\" here/my \"archive\" rules.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);
    EXPECT_EQ(form.Text("cmdOpenWithNotepad"), "Open File in Notepad");

    form.UserClick("cmdOpenWithNotepad");
    ASSERT_EQ(kit.s.launcher.launches.size(), 1u);
    EXPECT_EQ(kit.s.launcher.launches[0].program, PlainTextEditorProgram());
    EXPECT_EQ(kit.s.launcher.launches[0].arguments, std::vector<std::string>{file});
    EXPECT_EQ(kit.s.launcher.launches[0].workingDirectory, folder);

    kit.s.launcher.result = false;
    kit.s.prompts.ExpectMessage("Error launching notepad");
    form.UserClick("cmdOpenWithNotepad");

    // The chosen file stays in the record although the window closes without saving, and without a question.
    form.UserClick("cmdExit");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(kit.s.prompts.shown.size(), 1u);
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
}

TEST(CustomDispositionEditor, ATypedNameReachesTheRecordOnlyThroughSave) {
    DetailedEditorKit kit("Archive");
    kit.Place("a.customdisposition.xml", "<Disposition><X>1</X></Disposition>");
    FrmCustom form(kit.s.services);
    form.PassDispositionObject(kit.record);
    EXPECT_TRUE(kit.s.dialogs.requests.empty());
    EXPECT_EQ(form.Text("txtFileName"), "+/dispose/a.customdisposition.xml");

    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    EXPECT_FALSE(form.changed());
    form.UserClick("cmdExit");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/a.customdisposition.xml");
    EXPECT_FALSE(kit.record.Changed);

    form.Reopen();
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/b.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);
    // Only the name changed: the file itself is never written here.
    EXPECT_EQ(ReadFile(kit.Dispose("a.customdisposition.xml")), "<Disposition><X>1</X></Disposition>");
    EXPECT_FALSE(std::filesystem::exists(kit.Dispose("b.customdisposition.xml")));

    // Nothing named: there is nothing to open.
    form.UserSetText("txtFileName", "");
    kit.s.prompts.ExpectMessage("Error launching notepad");
    form.UserClick("cmdOpenWithNotepad");
    EXPECT_TRUE(kit.s.launcher.launches.empty());
}

TEST(CustomDispositionEditor, BuiltInTypesWithoutTheirOwnFormOpenItUnderTheirOwnFileKey) {
    BuiltInEditors editors;
    struct Case {
        const char* type;
        const char* caption;
        const char* filter;
    };
    const Case cases[] = {
        {"MoveToSubfolder", "Edit MoveToSubfolder Disposition Configuration",
         "Move To Subfolder config files(*.movetosubfolder.xml)|*.movetosubfolder.xml"},
        {"CopyToIMAPFolder", "Edit CopyToIMAPFolder Disposition Configuration",
         "Copy To Imap Folder config files(*.copytoimapfolder.xml)|*.copytoimapfolder.xml"},
        {"RuleUpdate", "Edit RuleUpdate Disposition Configuration",
         "Rule Update config files(*.ruleupdate.xml)|*.ruleupdate.xml"},
        {"WriteToDB", "Edit WriteToDB Disposition Configuration",
         "Write To DB config files(*.writetodb.xml)|*.writetodb.xml"},
        {"RunSQL", "Edit RunSQL Disposition Configuration",
         "Run SQL config files(*.runsql.xml)|*.runsql.xml"},
        {"WriteToFile", "Edit WriteToFile Disposition Configuration",
         "Write To File config files(*.writetofile.xml)|*.writetofile.xml"},
        {"WriteRFC822File", "Edit Write To RFC822 File Disposition Configuration",
         "Write To RFC-822 config files(*.writerfc822.xml)|*.writerfc822.xml"},
        {"HttpRequest", "Edit HttpRequest Disposition Configuration",
         "Http Request config files(*.http.xml)|*.http.xml"},
        {"WriteAttachmentsToDB", "Edit Write Attachments to DB Disposition ",
         "Write Attachments to DB config files(*.attachmentstodb.xml)|*.attachmentstodb.xml"},
        {"Archive", "Edit Custom Disposition Configuration",
         "Custom Disposition config files(*.customdisposition.xml)|*.customdisposition.xml"},
    };
    DetailedEditorKit kit;
    WriteFile(kit.dir / "types.xml",
              "<DispositionTypes><DispositionType><Name>Archive</Name></DispositionType></DispositionTypes>");
    MasterLinks master;
    master.masterFilePath = kit.DispositionFile();
    master.dispositionTypes[0] = "+/types.xml";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CCatDisposition record;
        record.DispositionFilePath = kit.DispositionFile();
        kit.s.dialogs.AnswerFile(std::nullopt);
        kit.s.windows.Expect("frmCustom", [&](Form& form) {
            EXPECT_EQ(form.caption(), c.caption);
            EXPECT_TRUE(form.HasControl("cmdOpenWithNotepad"));
            form.UserClick("cmdExit");
        });
        OpenDispositionEditor(kit.s.services, master, record, c.type);
        EXPECT_EQ(record.Type, c.type);
        ASSERT_FALSE(kit.s.dialogs.requests.empty());
        EXPECT_EQ(kit.s.dialogs.requests.back().filter,
                  std::string(c.filter) + "|All xml files(*.xml)|*.xml");
    }

    CCatDisposition record;
    record.DispositionFilePath = kit.DispositionFile();
    kit.s.dialogs.AnswerFile(std::nullopt);
    kit.s.windows.Expect("frmForwardMessage", [](Form& form) { form.UserRequestClose(); });
    OpenDispositionEditor(kit.s.services, master, record, "ForwardMessage");
}

TEST(DetailedFileTool, ResavesAForwardMessageFileAsTheWindowDoes) {
    BuiltInEditors editors;
    test::TempDir dir;
    const PathContext paths(dir.path());
    const MasterLinks master;
    std::ostringstream messages;
    StreamPrompts prompts(messages);

    const std::string legacy = dir / "old.forward.xml";
    WriteFile(legacy, ReadFile(TestData("actions/forward/legacy.input.forward.xml")));
    std::string text;
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", legacy, master, paths, prompts, &text),
              ResaveOutcome::Printed);
    EXPECT_EQ(text, ReadFile(TestData("actions/forward/legacy.expected.forward.xml")));
    EXPECT_EQ(ReadFile(legacy), ReadFile(TestData("actions/forward/legacy.input.forward.xml")));
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", legacy, master, paths, prompts),
              ResaveOutcome::Written);
    EXPECT_EQ(ReadFile(legacy), ReadFile(TestData("actions/forward/legacy.expected.forward.xml")));
    EXPECT_EQ(messages.str(), "Saved\n");

    // The window's checks, with its messages.
    const std::string incomplete = dir / "incomplete.forward.xml";
    WriteFile(incomplete, "<Disposition><From>a@b</From></Disposition>");
    messages.str("");
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", incomplete, master, paths, prompts),
              ResaveOutcome::Refused);
    EXPECT_EQ(messages.str(), "You must specify at least one address\n");
    EXPECT_EQ(ReadFile(incomplete), "<Disposition><From>a@b</From></Disposition>");

    // Never over a file it could not read as a detailed file.
    const std::string damaged = dir / "damaged.forward.xml";
    WriteFile(damaged, "<Disposition><From>a@b</Disposition>");
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", damaged, master, paths, prompts),
              ResaveOutcome::NotRead);
    EXPECT_EQ(ReadFile(damaged), "<Disposition><From>a@b</Disposition>");
    const std::string foreign = dir / "foreign.forward.xml";
    WriteFile(foreign, "<Monitors/>");
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", foreign, master, paths, prompts),
              ResaveOutcome::NoRoot);
    EXPECT_EQ(ReadFile(foreign), "<Monitors/>");
    EXPECT_EQ(ResaveDispositionFile("ForwardMessage", dir / "none.xml", master, paths, prompts),
              ResaveOutcome::Missing);
    EXPECT_EQ(ResaveDispositionFile("RunSQL", legacy, master, paths, prompts), ResaveOutcome::NoEditor);
    EXPECT_EQ(ResaveDispositionFile("Archive", legacy, master, paths, prompts), ResaveOutcome::NoEditor);
}

}  // namespace
}  // namespace pv
