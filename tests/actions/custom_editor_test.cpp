#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "actions/DetailedEditorKit.h"
#include "cli/StreamPrompts.h"
#include "core/HeadlessServices.h"
#include "core/MasterLinks.h"
#include "core/process.h"
#include "dispositions/FrmCustom.h"

namespace pv {
namespace {

using test::DetailedEditorKit;
using test::ReadFile;
using test::TestData;
using test::WriteFile;

TEST(CustomDispositionEditor, ChosenFileGoesToTheRecordAndOpensInTheTextEditor) {
    DetailedEditorKit kit("Archive");
    // Blanks and double quotes in the name reach the text editor as one argument, unchanged.
    const std::string folder = kit.dir / "dispose/odd \"names\" here";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/my \"archive\" rules.customdisposition.xml";
    kit.s.dialogs.AnswerFile(file);
    FrmCustom form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(kit.record.DetailedDispositionFile,
              "+/dispose/odd \"names\" here/my \"archive\" rules.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);

    form.UserClick("cmdOpenWithNotepad");
    ASSERT_EQ(kit.s.launcher.launches.size(), 1u);
    EXPECT_EQ(kit.s.launcher.launches[0].program, PlainTextEditorProgram());
    EXPECT_EQ(kit.s.launcher.launches[0].arguments, std::vector<std::string>{file});
    EXPECT_EQ(kit.s.launcher.launches[0].workingDirectory, folder);
    kit.s.launcher.result = false;
    kit.s.prompts.ExpectMessage("Error launching notepad");
    form.UserClick("cmdOpenWithNotepad");
    form.UserClick("cmdExit");  // no question: nothing marks this window changed
    EXPECT_TRUE(form.IsClosed());
}

TEST(CustomDispositionEditor, ATypedNameReachesTheRecordOnlyThroughSave) {
    DetailedEditorKit kit("Archive");
    kit.Place("a.customdisposition.xml", "<Disposition><X>1</X></Disposition>");
    FrmCustom form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    form.UserClick("cmdExit");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/a.customdisposition.xml");

    form.Reopen();
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/b.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);
    // Only the name changed: the file itself is never written here.
    EXPECT_EQ(ReadFile(kit.Dispose("a.customdisposition.xml")), "<Disposition><X>1</X></Disposition>");
    EXPECT_FALSE(std::filesystem::exists(kit.Dispose("b.customdisposition.xml")));
}

// The tool opens the registered editor on a file by its path, as its window loads it, and saves it as the
// window's Save does; it learns whether the file was read as the editor's own before it saves anything.
TEST(DetailedFileTool, ResavesAForwardMessageFileAsTheWindowDoesAndNeverOverWhatItCannotRead) {
    test::TempDir dir;
    std::ostringstream messages;
    StreamPrompts prompts(messages, true);
    HeadlessServices headless(PathContext(dir.path()), prompts, BuiltInEditors());
    const EditorRegistration& forward = *BuiltInEditors().Find(EditorFamily::Disposition, "ForwardMessage");
    const std::string legacy = dir / "old.forward.xml";
    WriteFile(legacy, ReadFile(TestData("actions/forward/legacy.input.forward.xml")));
    EXPECT_TRUE(forward.OpenOnFile(headless.services, MasterLinks(), legacy)->SaveFile());
    EXPECT_EQ(ReadFile(legacy), ReadFile(TestData("actions/forward/legacy.expected.forward.xml")));

    const std::string foreign = dir / "foreign.forward.xml";
    WriteFile(foreign, "<Monitors/>");
    EXPECT_EQ(forward.OpenOnFile(headless.services, MasterLinks(), foreign)->lastLoad(),
              FileProblem::OtherKind);
    EXPECT_EQ(ReadFile(foreign), "<Monitors/>");
    EXPECT_EQ(messages.str(), "Saved\nThe file " + foreign +
                                  " is not a Forward Message detailed disposition file: its root element is "
                                  "<Monitors>, not <Disposition>.\n");
}

}  // namespace
}  // namespace pv
