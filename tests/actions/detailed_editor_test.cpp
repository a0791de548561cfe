#include <gtest/gtest.h>

#include <filesystem>

#include "actions/DetailedEditor.h"
#include "actions/DetailedEditorKit.h"
#include "core/numeric.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::ReadFile;
using test::WriteFile;

// A small editor with one setting of each shape the forms build on, kept values and a refusing writer
// included.
class SampleEditor : public DetailedEditorForm {
  public:
    explicit SampleEditor(Services& services)
        : DetailedEditorForm(services, {"frmSample", "Edit Sample", "sample", "Sample"}) {
        AddControl("txtName", ControlKind::TextBox);
        AddControl("chkOn", ControlKind::CheckBox, "On");
        AddControl("txtLength", ControlKind::TextBox);
        TextSetting("Name", "txtName", "unnamed");
        Check([this] { return Text("txtName").empty(); }, "Name is missing");
        FlagSetting("On", "chkOn", "0");
        KeptSetting("TimeZone", "");
        CustomSetting(
            [this](XmlNode root) { SetText("txtLength", ReadNodeText(root, "Limits/Length", "80")); },
            [this](std::string& buffer) {
                if (!IsNumeric(Text("txtLength"))) Refuse("Length not numeric for " + Text("txtName"));
                WriteOpenTag(buffer, "Limits", 1);
                WriteElement(buffer, "Length", Text("txtLength"), 2);
                WriteCloseTag(buffer, "Limits", 1);
            });
    }
    bool catalogueMissing = false;

  protected:
    bool BeforeLoading() override {
        if (!catalogueMissing) return true;
        services_.prompts.ShowMessage("Couldn't load the catalogue, aborting");
        Close();
        return false;
    }
};

std::string Sample(const std::string& name, const std::string& on, const std::string& zone,
                   const std::string& length) {
    return CrLf({"<Disposition>", "\t<Name>" + name + "</Name>", "\t<On>" + on + "</On>",
                 "\t<TimeZone>" + zone + "</TimeZone>", "\t<Limits>", "\t\t<Length>" + length + "</Length>",
                 "\t</Limits>", "</Disposition>", ""});
}

TEST(DetailedEditorFramework, ARecordWithoutFileStartsWithTheChooserAndCancelKeepsTheDesign) {
    DetailedEditorKit kit;
    kit.s.dialogs.AnswerFile(std::nullopt);
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);

    ASSERT_EQ(kit.s.dialogs.requests.size(), 1u);
    EXPECT_EQ(kit.s.dialogs.requests[0].title,
              "Choose the detailed disposition config file you wish to open (or create)");
    EXPECT_EQ(kit.s.dialogs.requests[0].mode, FileCheck::CreatePrompt);
    EXPECT_EQ(form.Text("txtFileName"), "");
    EXPECT_EQ(form.Text("txtName"), "");  // as designed, not the file's default
    EXPECT_FALSE(form.changed());
    EXPECT_FALSE(kit.record.Changed);
    EXPECT_FALSE(form.IsClosed());

    // Still without a file, Save has nowhere to write: said so, instead of writing somewhere odd.
    form.UserSetText("txtName", "n");
    form.UserSetText("txtLength", "5");
    kit.s.prompts.ExpectMessage("Error saving=76:No detailed configuration file has been chosen");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_TRUE(form.changed());
    EXPECT_EQ(kit.record.DetailedDispositionFile, "");
    EXPECT_FALSE(kit.record.Changed);

    // The file chosen later is loaded, and saving writes every setting, kept and nested ones included.
    kit.s.dialogs.AnswerFile(kit.Dispose("late.sample.xml"));
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "unnamed");
    EXPECT_EQ(form.Text("txtLength"), "80");
    EXPECT_FALSE(form.changed());
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(kit.Dispose("late.sample.xml")), Sample("unnamed", "0", "", "80"));
}

TEST(DetailedEditorFramework, ChoosingTheNamedFileAgainReloadsOnlyWhenTheRecordWasMarked) {
    DetailedEditorKit kit;
    const std::string file = kit.Place("a.sample.xml", Sample("from file", "1", "UTC", "7"));
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);
    form.UserSetText("txtName", "edited");

    kit.s.dialogs.AnswerFile(file);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "edited");
    EXPECT_TRUE(form.changed());
    EXPECT_FALSE(kit.record.Changed);

    kit.record.Changed = true;
    kit.s.dialogs.AnswerFile(file);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "from file");
    EXPECT_FALSE(form.changed());

    // A cancelled dialog changes nothing, even with the mark set.
    form.UserSetText("txtName", "edited again");
    kit.s.dialogs.AnswerFile(std::nullopt);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "edited again");

    // Another file goes into the record and is loaded, discarding the edits.
    kit.record.Changed = false;
    WriteFile(kit.Dispose("b.sample.xml"), Sample("b", "0", "", "9"));
    kit.s.dialogs.AnswerFile(kit.Dispose("b.sample.xml"));
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/b.sample.xml");
    EXPECT_TRUE(kit.record.Changed);
    EXPECT_EQ(form.Text("txtName"), "b");
    EXPECT_FALSE(form.changed());
}

TEST(DetailedEditorFramework, TheRecordFollowsTheFileNameBoxEvenWhenTheSaveIsRefused) {
    DetailedEditorKit kit;
    kit.Place("a.sample.xml", Sample("a", "1", "", "7"));
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);
    // The chosen name reaches the box, but the new file cannot be created, so not the record.
    kit.s.dialogs.AnswerFile(kit.dir / "gone/new.sample.xml");
    kit.s.prompts.ExpectMessageStartingWith("Error=76:");
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtFileName"), "+/gone/new.sample.xml");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/a.sample.xml");
    EXPECT_FALSE(kit.record.Changed);

    form.UserSetText("txtName", "");
    kit.s.prompts.ExpectMessage("Name is missing");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/gone/new.sample.xml");
    EXPECT_TRUE(kit.record.Changed);

    // The folder is missing: the write fails, reported with its number, and the edits stay unsaved.
    form.UserSetText("txtName", "b");
    kit.s.prompts.ExpectMessageStartingWith("Error saving=76:");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_TRUE(form.changed());
}

TEST(DetailedEditorFramework, ChecksAndKeptValuesAcrossLoadAndSave) {
    DetailedEditorKit kit;
    const std::string original = Sample("a &amp; b", "", "Europe/Zurich", "12");
    const std::string file = kit.Place("k.sample.xml", original);
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.Text("txtName"), "a & b");
    EXPECT_TRUE(form.Checked("chkOn"));  // an empty flag reads as set
    EXPECT_EQ(form.KeptValue("TimeZone"), "Europe/Zurich");

    form.UserSetText("txtLength", "12x");
    kit.s.prompts.ExpectMessage("Length not numeric for a & b");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), original);

    form.UserSetText("txtLength", "13");
    kit.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), Sample("a &amp; b", "1", "Europe/Zurich", "13"));
}

TEST(DetailedEditorFramework, ReloadDiscardsEditsWithoutAsking) {
    DetailedEditorKit kit;
    kit.Place("r.sample.xml", Sample("kept", "0", "", "3"));
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);
    form.UserSetText("txtName", "typed");
    form.UserClick("chkOn");
    EXPECT_TRUE(form.changed());
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtName"), "kept");
    EXPECT_FALSE(form.Checked("chkOn"));
    EXPECT_FALSE(form.changed());
}

TEST(DetailedEditorFramework, TheCloseQuestionSavesDropsOrStays) {
    DetailedEditorKit kit;
    const std::string original = Sample("n", "0", "", "3");
    const std::string file = kit.Place("c.sample.xml", original);
    SampleEditor form(kit.s.services);
    form.PassDispositionObject(kit.record);

    // Unchanged: closes without a question.
    EXPECT_TRUE(form.UserRequestClose());
    form.Reopen();

    form.UserSetText("txtName", "");
    kit.s.prompts.ExpectYesNoCancel(kUnsavedChangesQuestion, Answer::Cancel);
    EXPECT_FALSE(form.UserRequestClose());

    kit.s.prompts.ExpectYesNoCancel(kUnsavedChangesQuestion, Answer::Yes).ExpectMessage("Name is missing");
    EXPECT_FALSE(form.UserRequestClose());
    EXPECT_EQ(ReadFile(file), original);

    kit.s.prompts.ExpectYesNoCancel(kUnsavedChangesQuestion, Answer::No);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(ReadFile(file), original);

    form.Reopen();
    form.UserClick("cmdReload");
    form.UserSetText("txtName", "m");
    kit.s.prompts.ExpectYesNoCancel(kUnsavedChangesQuestion, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(ReadFile(file), Sample("m", "0", "", "3"));
}

TEST(DetailedEditorFramework, FilesThatCannotBeReadShowDefaultsAndOnlyDamageIsReported) {
    DetailedEditorKit kit;
    SampleEditor form(kit.s.services);

    kit.record.DetailedDispositionFile = "+/dispose/none.sample.xml";
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::Missing);
    EXPECT_EQ(form.Text("txtName"), "unnamed");

    kit.Place("other.sample.xml", "<Dispositions><Name>x</Name></Dispositions>");
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::NoRoot);
    EXPECT_EQ(form.Text("txtName"), "unnamed");

    const std::string damaged = kit.Place("bad.sample.xml", "<Disposition><Name>x</Name>");
    kit.s.prompts.ExpectMessage(MalformedFileMessage(damaged, LoadXmlFile(damaged)));
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::Malformed);
    EXPECT_EQ(form.Text("txtName"), "unnamed");
    EXPECT_FALSE(form.changed());

    kit.Place("good.sample.xml", Sample("x", "1", "", "1"));
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::Loaded);
}

TEST(DetailedEditorFramework, AnEditorCanStopLoadingBeforeAnythingIsRead) {
    DetailedEditorKit kit;
    kit.Place("s.sample.xml", Sample("x", "1", "", "1"));
    SampleEditor form(kit.s.services);
    form.catalogueMissing = true;
    kit.s.prompts.ExpectMessage("Couldn't load the catalogue, aborting");
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::Stopped);
    EXPECT_EQ(form.Text("txtName"), "");
    EXPECT_TRUE(form.IsClosed());
}

#ifndef _WIN32
TEST(DetailedEditorFramework, AnUnreadableFileIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    DetailedEditorKit kit;
    const std::string file = kit.Place("locked.sample.xml", Sample("x", "1", "", "1"));
    std::filesystem::permissions(file, std::filesystem::perms::none);
    SampleEditor form(kit.s.services);
    kit.s.prompts.ExpectMessageStartingWith("Unexpected error in LoadFile=75:");
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(form.lastLoad(), DetailedLoad::Unreadable);
}
#endif

TEST(DetailedEditorFramework, MultiLineTextSplitsAtEveryLineEndAndDropsBlankLines) {
    EXPECT_EQ(DetailedEditorForm::NonBlankLines("a\r\n\r\n b \nc\rd\r\n \t\r\n"),
              (std::vector<std::string>{"a", " b ", "c", "d"}));
    EXPECT_TRUE(DetailedEditorForm::NonBlankLines("").empty());
}

}  // namespace
}  // namespace pv
