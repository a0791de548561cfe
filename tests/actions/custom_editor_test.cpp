#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/DetailedEditorKit.h"
#include "core/process.h"
#include "dispositions/FrmCustom.h"

namespace pv {
namespace {

using test::DetailedEditorKit;
using test::ReadFile;

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

}  // namespace
}  // namespace pv
