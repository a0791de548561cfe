#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "actions/DetailedEditorKit.h"
#include "core/platform.h"

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::ReadFile;

// A small editor: a text with its check, a flag, and a value with no control.
class SampleEditor : public FileEditorForm {
  public:
    explicit SampleEditor(Services& services)
        : FileEditorForm(services,
                         DetailedFileSetup("Sample", "frmSample", "Edit Sample", "sample", "Sample")) {
        AddControl("txtName", ControlKind::TextBox);
        AddControl("chkOn", ControlKind::CheckBox, "On");
        TextSetting("Name", "txtName", "unnamed");
        Check([this] { return Text("txtName").empty(); }, "Name is missing");
        FlagSetting("On", "chkOn", "0");
        KeptSetting("TimeZone", "");
    }
};

std::string Sample(const std::string& name, const std::string& on, const std::string& zone) {
    return CrLf({"<Disposition>", "\t<Name>" + name + "</Name>", "\t<On>" + on + "</On>",
                 "\t<TimeZone>" + zone + "</TimeZone>", "</Disposition>", ""});
}

TEST(DetailedEditorFramework, ARecordWithoutFileStartsWithTheChooserAndReloadsOnlyWhenMarked) {
    DetailedEditorKit kit;
    kit.s.dialogs.AnswerFile(std::nullopt);
    SampleEditor form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    ASSERT_EQ(kit.s.dialogs.requests.size(), 1u);
    EXPECT_EQ(kit.s.dialogs.requests[0].title,
              "Choose the detailed disposition config file you wish to open (or create)");
    EXPECT_EQ(kit.s.dialogs.requests[0].mode, FileCheck::CreatePrompt);
    EXPECT_EQ(form.Text("txtName"), "");  // as designed, not the file's default
    EXPECT_FALSE(form.changed() || kit.record.Changed || form.IsClosed());

    // Still without a file, Save has nowhere to write: said so, instead of writing somewhere odd.
    form.UserSetText("txtName", "n");
    kit.s.prompts.ExpectMessage(
        "No configuration file has been chosen. Choose or create one with the \"...\" button beside "
        "\"Detailed Configuration File name\", then save again.");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(kit.record.DetailedDispositionFile, "");

    // The file chosen later is created, goes into the record and is loaded, once the user said the edit
    // may go (it cannot be saved: there is no file to save it to); saving writes every setting.
    const std::string file = kit.Dispose("late.sample.xml");
    const std::string replaces =
        "No file has been chosen for the values shown, so they cannot be saved. Choosing " + file +
        " replaces them with what it holds. Do you want to go on?";
    kit.s.dialogs.AnswerFile(file);
    kit.s.prompts.ExpectYesNo(replaces, Answer::No);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(std::make_tuple(form.Text("txtFileName"), form.Text("txtName")), std::make_tuple("", "n"));
    EXPECT_FALSE(std::filesystem::exists(file));
    kit.s.dialogs.AnswerFile(file);
    kit.s.prompts.ExpectYesNo(replaces, Answer::Yes);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/late.sample.xml");
    EXPECT_TRUE(kit.record.Changed);
    EXPECT_EQ(form.Text("txtName"), "unnamed");
    EXPECT_FALSE(form.changed());
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(file), Sample("unnamed", "0", ""));

    // The same file again keeps the edits, unless the record was marked changed: then it is loaded again,
    // after the question; Yes saves the edits first.
    kit.record.Changed = false;
    form.UserSetText("txtName", "edited");
    kit.s.dialogs.AnswerFile(file);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "edited");
    kit.record.Changed = true;
    kit.s.dialogs.AnswerFile(file);
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes).ExpectMessage("Saved");
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(form.Text("txtName"), "edited");
    EXPECT_EQ(ReadFile(file), Sample("edited", "0", ""));
}

TEST(DetailedEditorFramework, TheChooserStartsInDisposeCreatesTheFileAndStoresItRelative) {
    DetailedEditorKit kit;
    SampleEditor form(kit.s.services);
    const std::string chosen = kit.OpenOnNewFile(form, "new.sample.xml");
    EXPECT_EQ(kit.s.dialogs.requests.back().initialFolder, kit.dir / "dispose");
    EXPECT_EQ(kit.s.dialogs.requests.back().fileName, "");
    EXPECT_EQ(kit.s.dialogs.requests.back().pattern, "*.sample.xml");
    EXPECT_EQ(kit.s.dialogs.requests.back().filter,
              "Sample config files(*.sample.xml)|*.sample.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(ReadFile(chosen), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(form.Text("txtFileName"), "+/dispose/new.sample.xml");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/new.sample.xml");
    EXPECT_TRUE(kit.record.Changed);

    // The same file again: the file is kept as it is, the record is not marked again, and the dialog
    // starts at the file.
    kit.record.Changed = false;
    test::WriteFile(chosen, "<Disposition><Name>kept</Name></Disposition>");
    kit.s.dialogs.AnswerFile(chosen);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(kit.s.dialogs.requests.back().initialFolder, kit.dir / "dispose");
    EXPECT_EQ(kit.s.dialogs.requests.back().fileName, "new.sample.xml");
    EXPECT_EQ(ReadFile(chosen), "<Disposition><Name>kept</Name></Disposition>");
    EXPECT_FALSE(kit.record.Changed);
}

TEST(DetailedEditorFramework, TheRecordFollowsTheFileNameBoxEvenWhenTheSaveIsRefused) {
    DetailedEditorKit kit;
    kit.Place("a.sample.xml", Sample("a", "1", ""));
    SampleEditor form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
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
}

TEST(DetailedEditorFramework, ReloadAndClosingAskBeforeEditsAreDropped) {
    DetailedEditorKit kit;
    const std::string original = Sample("n", "0", "Europe/Zurich");
    const std::string file = kit.Place("c.sample.xml", original);
    SampleEditor form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(form.UserRequestClose());  // unchanged: no question
    form.Reopen();

    form.UserSetText("txtName", "typed");
    form.UserClick("chkOn");
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::Cancel);
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtName"), "typed");
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtName"), "n");
    EXPECT_FALSE(form.Checked("chkOn") || form.changed());
    form.UserClick("cmdReload");  // unchanged: no question

    form.UserSetText("txtName", "");
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Cancel);
    EXPECT_FALSE(form.UserRequestClose());
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes).ExpectMessage("Name is missing");
    EXPECT_FALSE(form.UserRequestClose());
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(ReadFile(file), original);

    // Yes saves, the value without a control included, and closes.
    form.Reopen();
    form.UserSetText("txtName", "m");
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.UserRequestClose());
    EXPECT_EQ(ReadFile(file), Sample("m", "0", "Europe/Zurich"));
}

TEST(DetailedEditorFramework, FilesThatCannotBeReadShowDefaultsAreReportedAndReplacedOnlyOnRequest) {
    DetailedEditorKit kit;
    SampleEditor form(kit.s.services);
    kit.record.DetailedDispositionFile = "+/dispose/none.sample.xml";
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.lastLoad(), FileProblem::Missing);

    const std::string other = kit.Place("other.sample.xml", "<Dispositions><Name>x</Name></Dispositions>");
    kit.s.prompts.ExpectMessage(
        "The file " + other +
        " is not a Sample detailed disposition file: its root element is <Dispositions>, "
        "not <Disposition>. It was read as empty, so default values are shown.");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.lastLoad(), FileProblem::OtherKind);
    EXPECT_EQ(form.Text("txtName"), "unnamed");
    form.UserSetText("txtName", "typed");
    const auto overwrite = [](const std::string& file) {
        return "The file " + file +
               " could not be read as a Sample detailed disposition file, so this window shows default values. "
               "Do you want to overwrite it with what this window shows?";
    };
    const std::string question = overwrite(other);
    kit.s.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(other), "<Dispositions><Name>x</Name></Dispositions>");
    kit.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(other), Sample("typed", "0", ""));
    form.UserSetText("txtName", "again");  // now a file of its kind: no more questions
    kit.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());

    const std::string damaged = kit.Place("bad.sample.xml", "<Disposition><Name>x</Name>");
    kit.s.prompts.ExpectMessage(MalformedMessage(OpenConfigFile(damaged, "", kit.s.prompts)).text);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.lastLoad(), FileProblem::Malformed);
    EXPECT_EQ(form.Text("txtName"), "unnamed");
    EXPECT_FALSE(form.changed());

    // A pipe is neither waited on nor written, and is named for what it is.
    const std::string pipe = kit.Dispose("pipe.sample.xml");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    kit.record.DetailedDispositionFile = "+/dispose/pipe.sample.xml";
    kit.s.prompts.ExpectMessage("Unexpected error in LoadFile=75:Cannot read " + pipe +
                                ": it is a named pipe (FIFO)");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.lastLoad(), FileProblem::NotAFile);
    kit.s.prompts.ExpectYesNo(overwrite(pipe), Answer::Yes).ExpectMessageStartingWith("Error saving=");
    EXPECT_FALSE(form.SaveFile());
}

// What the editor does not write back is asked about before each save until one is made: an unknown
// element, and a second one of an element it reads once; what a setting writes without reading it is not.
TEST(DetailedEditorFramework, WhatASaveWouldLeaveOutIsAskedAboutBeforeSaving) {
    DetailedEditorKit kit;
    SampleEditor form(kit.s.services);
    const std::string text =
        "<Disposition><Name>a</Name><Name>b</Name><Colour>red</Colour><!-- note --><On>1</On></Disposition>";
    const std::string file = kit.Place("e.sample.xml", text);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Text("txtName"), "a");
    const std::string question =
        "The file " + file +
        " holds what this window does not keep, and a save would leave it out: the "
        "elements Disposition/Name, Disposition/Colour and a comment at line 1. Do you want to "
        "save anyway?";
    kit.s.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), text);
    kit.s.prompts.ExpectYesNo(question, Answer::Yes);
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    // TimeZone was missing and is written now: the file holds nothing more to tell.
    EXPECT_EQ(ReadFile(file), Sample("a", "1", ""));
    form.OpenOn(DetailedFileOf(kit.record));
}

// Opening reads the file once: what a later save measures changes against is what that reading parsed, not
// a second reading, which could see a newer file than the window shows and would double the work of check.
// A save right after asks nothing; once another program changed or removed the file, the save asks first.
TEST(DetailedEditorFramework, AFileChangedByAnotherProgramIsOverwrittenOnlyWhenTheUserSaysSo) {
    DetailedEditorKit kit;
    const std::string file = kit.Place("d.sample.xml", Sample("n", "0", ""));
    SampleEditor form(kit.s.services);
    int reads = 0;
    platform::testing::SetReadHook([&](const std::string& path) { reads += path == file; });
    form.OpenOn(DetailedFileOf(kit.record));
    platform::testing::SetReadHook(nullptr);
    EXPECT_EQ(reads, 1);
    form.UserSetText("txtName", "mine");
    kit.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), Sample("mine", "0", ""));

    form.UserSetText("txtName", "mine again");
    kit.Place("d.sample.xml", Sample("theirs", "1", ""));
    kit.s.prompts.ExpectChangedMeanwhile(file, Answer::Cancel);
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), Sample("theirs", "1", ""));
    kit.s.prompts.ExpectChangedMeanwhile(file, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), Sample("mine again", "0", ""));
    // Removed meanwhile: No, as Cancel, keeps the edits, since there is nothing to read again.
    std::filesystem::remove(file);
    form.UserSetText("txtName", "again");
    kit.s.prompts.ExpectChangedMeanwhile(file, Answer::No, "removed");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(form.Text("txtName"), "again");
    EXPECT_TRUE(form.changed());
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace pv
