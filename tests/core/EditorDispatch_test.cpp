#include "core/EditorDispatch.h"

#include <gtest/gtest.h>

#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

struct Dispatch {
    TempDir dir;
    ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
    test::ScopedEditors editors{{"frmRunSQL", "frmWriteToDB", "frmCustom"}};

    Dispatch() {
        WriteFile(
            dir / "dispositionTypes.xml",
            "<DispositionTypes><DispositionType><Name>writetodb</Name></DispositionType>"
            "<DispositionType><Name>DoNothing</Name><DetailedDispositionFile>0</DetailedDispositionFile>"
            "</DispositionType></DispositionTypes>");
    }
    void Open(CCatDisposition& record, const std::string& type) {
        OpenDispositionEditor(s.services, links, record, type);
    }
};

TEST(EditorDispatch, BuiltInTypesOpenTheirEditorWithTheTypeAlreadySet) {
    Dispatch d;
    CCatDisposition record{"RunSQL", "+/a.runsql.xml", "", d.dir / "dispositions.xml", false};
    d.s.windows.Expect("frmRunSQL", [](Form& editor) {
        EXPECT_EQ(test::RecordOf(editor).Type, "RunSQL");
        editor.Close();
    });
    d.Open(record, kUseRecordType);
    EXPECT_EQ(record.Type, "RunSQL");
    EXPECT_FALSE(record.Changed);

    // Choosing another built-in type changes the record's type even though its editor saved nothing.
    d.s.windows.Expect("frmWriteToDB", test::ClosesUntouched());
    d.Open(record, "WriteToDB");
    EXPECT_EQ(record.Type, "WriteToDB");
}

TEST(EditorDispatch, OtherNamesAreLookedUpInTheCatalogueExactly) {
    Dispatch d;
    CCatDisposition record{"RunSQL", "", "", d.dir / "dispositions.xml", false};
    // "writetodb" is not the built-in "WriteToDB": the catalogue says it needs a file, so the custom editor.
    d.s.windows.Expect("frmCustom", test::ClosesUntouched());
    d.Open(record, "writetodb");
    EXPECT_EQ(record.Type, "writetodb");
    EXPECT_FALSE(record.Changed);

    // A type without a file is set at once and marks the record; asked again, there is nothing to edit.
    d.Open(record, "DoNothing");
    EXPECT_EQ(record.Type, "DoNothing");
    EXPECT_TRUE(record.Changed);
    record.Changed = false;
    d.s.prompts.ExpectMessage("There is no config file to edit for \"DoNothing\" types");
    d.Open(record, kUseRecordType);
    EXPECT_FALSE(record.Changed);
}

TEST(EditorDispatch, EmptyAndUnknownTypesLeaveTheRecordAlone) {
    Dispatch d;
    CCatDisposition record;
    d.s.prompts.ExpectMessage("Please select a disposition type");
    d.Open(record, kUseRecordType);

    record = {"HandWritten", "+/h.xml", "errs", d.dir / "dispositions.xml", false};
    const CCatDisposition before = record;
    d.s.prompts.ExpectMessage(
        "The disposition type \"HandWritten\" is not in the disposition types files, so it cannot be edited");
    d.Open(record, kUseRecordType);
    EXPECT_EQ(record.Type, before.Type);
    EXPECT_EQ(record.DetailedDispositionFile, before.DetailedDispositionFile);
    EXPECT_FALSE(record.Changed);

    // Without any types file the dispatch reports it and still answers.
    d.links.dispositionTypes[0] = "+/gone.xml";
    d.s.prompts
        .ExpectMessage(
            "Couldn't find the Disposition Types file, +/gone.xml, please go back to main->Advanced "
            "settings to correct it.")
        .ExpectMessage(
            "The disposition type \"DoNothing\" is not in the disposition types files, so it cannot be "
            "edited");
    d.Open(record, "DoNothing");
    EXPECT_EQ(record.Type, "HandWritten");
}

// A window with the file-name box of a detailed editor.
class FileBoxForm : public Form {
  public:
    FileBoxForm() : Form("frmTest", "Test") { AddControl("txtFile", ControlKind::TextBox); }
};

TEST(EditorDispatch, ChooseDetailedFileStartsInDisposeCreatesTheFileAndStoresItRelative) {
    Dispatch d;
    WriteFile(d.dir / "dispositions.xml", "<Dispositions/>");
    std::filesystem::create_directory(d.dir / "dispose");
    CCatDisposition record{"Custom1", "", "", d.dir / "dispositions.xml", false};
    FileBoxForm form;

    d.s.dialogs.AnswerFile(d.dir / "dispose/new.customdisposition.xml");
    EXPECT_TRUE(
        ChooseDetailedFile(d.s.services, form, "txtFile", "customdisposition", "Custom Disposition", record));
    const FileDialogRequest& request = d.s.dialogs.requests.back();
    EXPECT_EQ(request.initialFolder, d.dir / "dispose");
    EXPECT_EQ(request.fileName, "");
    EXPECT_EQ(request.pattern, "*.customdisposition.xml");
    EXPECT_EQ(request.filter,
              "Custom Disposition config files(*.customdisposition.xml)|*.customdisposition.xml|"
              "All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.title, "Choose the detailed disposition config file you wish to open (or create)");
    EXPECT_EQ(request.mode, FileCheck::CreatePrompt);
    EXPECT_EQ(form.Text("txtFile"), "+/dispose/new.customdisposition.xml");
    EXPECT_EQ(ReadFile(d.dir / "dispose/new.customdisposition.xml"), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(record.DetailedDispositionFile, "+/dispose/new.customdisposition.xml");
    EXPECT_TRUE(record.Changed);

    // The same file again: the dialog starts on it, and the record is not marked again.
    record.Changed = false;
    WriteFile(d.dir / "dispose/new.customdisposition.xml", "<Disposition><Kept/></Disposition>");
    d.s.dialogs.AnswerFile(d.dir / "dispose/new.customdisposition.xml");
    EXPECT_TRUE(
        ChooseDetailedFile(d.s.services, form, "txtFile", "customdisposition", "Custom Disposition", record));
    EXPECT_EQ(d.s.dialogs.requests.back().fileName, "new.customdisposition.xml");
    EXPECT_FALSE(record.Changed);
    EXPECT_EQ(ReadFile(d.dir / "dispose/new.customdisposition.xml"), "<Disposition><Kept/></Disposition>");

    // A cancelled dialog changes nothing.
    d.s.dialogs.AnswerFile(std::nullopt);
    EXPECT_FALSE(
        ChooseDetailedFile(d.s.services, form, "txtFile", "customdisposition", "Custom Disposition", record));
    EXPECT_EQ(form.Text("txtFile"), "+/dispose/new.customdisposition.xml");
}

}  // namespace
}  // namespace pv
