#include <gtest/gtest.h>

#include "dispositions/DispositionTestKit.h"
#include "dispositions/FrmDispositions.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

using Lines = std::vector<std::string>;

constexpr const char* kFwd = "(ForwardMessage) +/dispose/fwd.forwardmessage.xml";

// The dispositions editor opened on a copy of the "basic" fixture, with stand-in detailed editors.
struct Editor {
    TempDir dir;
    bool copied = (test::CopyFixture("basic", dir), true);
    ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
    test::ScopedEditors editors{{"frmForwardMessage", "frmRunSQL", "frmCustom"}};
    FrmDispositions form{s.services, links};

    bool Open() { return form.LoadFromFile("+/dispositions.xml", links.masterFilePath); }
    std::string file() const { return dir / "dispositions.xml"; }

    void SelectCategory(const std::string& name) {
        const Lines& lines = form.Items("lstCategories");
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].substr(lines[i].find_first_not_of(' ')) == name) {
                form.UserSelect("lstCategories", {static_cast<int>(i)});
                return;
            }
        }
        ADD_FAILURE() << "no category line " << name;
    }
    const Lines& Dispositions() const { return form.Items("lstDispositions"); }

    // The type chooser: picks the type at `line` and presses Go.
    void ExpectChooser(int line) {
        s.windows.Expect("frmChooseType", [line](Form& chooser) {
            chooser.UserSelect("lstDispositionType", {line});
            chooser.UserClick("cmdGo");
        });
    }
};

TEST(DispositionsEditor, OpensOnDefaultAddsThroughTheChooserAndSavesTheFile) {
    Editor e;
    ASSERT_TRUE(e.Open());
    EXPECT_EQ(e.form.caption(), "Category-Disposition Mappings");
    EXPECT_EQ(e.form.Text("txtFileName"), "+/dispositions.xml");
    EXPECT_EQ(e.form.Items("lstCategories"),
              (Lines{"Default", "  Spam", "    Junk", "    Phishing", "  Orders", "    Invoices"}));
    EXPECT_EQ(e.form.Selection("lstCategories"), std::vector<int>{0});
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_FALSE(e.form.Visible("txtUsingParent"));
    EXPECT_FALSE(e.form.Enabled("cmdUseParent"));
    EXPECT_FALSE(e.form.changed());

    e.SelectCategory("Junk");
    EXPECT_EQ(e.form.CurrentCategory(), "Junk");
    EXPECT_TRUE(e.Dispositions().empty());
    EXPECT_TRUE(e.form.Visible("txtUsingParent"));
    EXPECT_EQ(e.form.Text("txtUsingParent"), "Using Parent");
    EXPECT_TRUE(e.form.Enabled("cmdUseParent"));

    // A type without a detailed file: the dispatch sets the type and no editor opens. Go with nothing
    // selected asks for a type first; a double click on the list is Go.
    e.s.windows.Expect("frmChooseType", [&](Form& chooser) {
        EXPECT_EQ(chooser.caption(), "Choose Disposition Type");
        EXPECT_EQ(chooser.defaultButton(), "cmdGo");
        EXPECT_EQ(chooser.Text("cmdEscape"), "Cancel");
        EXPECT_TRUE(chooser.Visible("cmdEscape"));
        EXPECT_EQ(chooser.Items("lstDispositionType"),
                  (Lines{"ForwardMessage", "RunSQL", "DoNothing", "Archive"}));
        e.s.prompts.ExpectMessage("Please select a disposition type");
        chooser.UserClick("cmdGo");
        EXPECT_FALSE(chooser.IsClosed());
        chooser.UserSelect("lstDispositionType", {2});
        chooser.UserDoubleClick("lstDispositionType");
    });
    e.form.UserClick("cmdAdd");
    EXPECT_EQ(e.Dispositions(), Lines{"(DoNothing) "});
    EXPECT_FALSE(e.form.Visible("txtUsingParent"));
    EXPECT_TRUE(e.form.changed());

    // A detailed editor that stores a file adds the disposition, even when it is then closed unsaved...
    WriteFile(e.dir / "dispose/new.forwardmessage.xml", "<Disposition>\r\n</Disposition>\r\n\r\n");
    e.ExpectChooser(0);
    e.s.windows.Expect("frmForwardMessage", test::StoresFile("+/dispose/new.forwardmessage.xml"));
    e.form.UserClick("cmdAdd");
    // ...one whose file choice was cancelled adds nothing, and neither does Cancel in the chooser.
    e.ExpectChooser(0);
    e.s.windows.Expect("frmForwardMessage", test::ClosesUntouched());
    e.form.UserClick("cmdAdd");
    e.s.windows.Expect("frmChooseType", [](Form& chooser) { chooser.UserPressEscape(); });
    e.form.UserClick("cmdAdd");
    EXPECT_EQ(e.Dispositions(), (Lines{"(DoNothing) ", "(ForwardMessage) +/dispose/new.forwardmessage.xml"}));

    e.form.UserSelect("lstDispositions", {1});
    e.form.UserClick("cmdUp");
    EXPECT_EQ(e.Dispositions(), (Lines{"(ForwardMessage) +/dispose/new.forwardmessage.xml", "(DoNothing) "}));
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{0});

    e.s.prompts.ExpectMessage("Saved");
    e.form.UserClick("cmdSave");
    EXPECT_TRUE(e.form.IsClosed());
    std::string expected = ReadFile(test::TestData("dispositions/basic/expected-resave.xml"));
    const std::string emptyJunk = CrLf({"\t<Junk>", "\t</Junk>"});
    expected.replace(
        expected.find(emptyJunk), emptyJunk.size(),
        CrLf({"\t<Junk>", "\t\t<Disposition>", "\t\t\t<Type>ForwardMessage</Type>",
              "\t\t\t<DetailedDispositionFile>+/dispose/new.forwardmessage.xml</DetailedDispositionFile>",
              "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>", "\t\t<Disposition>",
              "\t\t\t<Type>DoNothing</Type>", "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
              "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>", "\t</Junk>"}));
    EXPECT_EQ(ReadFile(e.file()), expected);
}

TEST(DispositionsEditor, EditGoesThroughTheDispatchOnTheRecordItself) {
    Editor e;
    ASSERT_TRUE(e.Open());
    e.s.prompts.ExpectMessage("You must select a disposition first");
    e.form.UserClick("cmdEdit");

    // A double click edits; the editor's new file marks the window changed and the line shows it.
    e.form.UserSelect("lstDispositions", {0});
    e.s.windows.Expect("frmForwardMessage", [](Form& editor) {
        EXPECT_EQ(test::RecordOf(editor).Type, "ForwardMessage");
        test::StoresFile("+/dispose/other.forwardmessage.xml")(editor);
    });
    e.form.UserDoubleClick("lstDispositions");
    EXPECT_TRUE(e.form.changed());
    EXPECT_EQ(e.Dispositions(), Lines{"(ForwardMessage) +/dispose/other.forwardmessage.xml"});
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{0});

    // A type without a file has nothing to edit.
    e.SelectCategory("Spam");
    e.form.UserSelect("lstDispositions", {0});
    e.s.prompts.ExpectMessage("There is no config file to edit for \"DoNothing\" types");
    e.form.UserClick("cmdEdit");

    // No editor behind a built-in type: reported, and the window goes on.
    e.editors.Remove("frmForwardMessage");
    e.form.UserSelect("lstDispositions", {1});
    e.s.prompts.ExpectMessage("Error editing=5:No editor is available for frmForwardMessage");
    e.form.UserClick("cmdEdit");
    EXPECT_EQ(e.Dispositions(), (Lines{"(DoNothing) ", kFwd}));
}

TEST(DispositionsEditor, ATypeNoCatalogueKnowsIsReportedAndLeftAsItIs) {
    Editor e;
    WriteFile(e.file(),
              "<Dispositions><Default><Disposition><Type>HandWritten</Type><DetailedDispositionFile>"
              "+/x.xml</DetailedDispositionFile></Disposition></Default></Dispositions>");
    ASSERT_TRUE(e.Open());
    e.form.UserSelect("lstDispositions", {0});
    e.s.prompts.ExpectMessage(
        "The disposition type \"HandWritten\" is not in the disposition types files, so it cannot be edited");
    e.form.UserClick("cmdEdit");
    EXPECT_FALSE(e.form.changed());
    EXPECT_EQ(e.Dispositions(), Lines{"(HandWritten) +/x.xml"});
    // Still usable: it can be deleted, after which the file saves.
    e.form.UserClick("cmdDelete");
    EXPECT_TRUE(e.Dispositions().empty());
}

TEST(DispositionsEditor, DeleteAndMoveKeepASensibleSelection) {
    Editor e;
    WriteFile(e.file(),
              "<Dispositions><Default>"
              "<Disposition><Type>DoNothing</Type></Disposition>"
              "<Disposition><Type>RunSQL</Type></Disposition>"
              "<Disposition><Type>Archive</Type></Disposition>"
              "</Default></Dispositions>");
    ASSERT_TRUE(e.Open());
    auto& prompts = e.s.prompts;
    for (const char* button : {"cmdDelete", "cmdUp", "cmdDown"}) {
        prompts.ExpectMessage("You must select a disposition first");
        e.form.UserClick(button);
    }
    e.form.UserSelect("lstDispositions", {0});
    prompts.ExpectMessage("Item already first");
    e.form.UserClick("cmdUp");
    e.form.UserClick("cmdDown");
    EXPECT_EQ(e.Dispositions(), (Lines{"(RunSQL) ", "(DoNothing) ", "(Archive) "}));
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{1});
    e.form.UserClick("cmdDown");
    prompts.ExpectMessage("Item already last");
    e.form.UserClick("cmdDown");
    EXPECT_TRUE(e.form.changed());

    // The last of three: the new last is selected; a middle one: the one that took its place.
    e.form.UserClick("cmdDelete");
    EXPECT_EQ(e.Dispositions(), (Lines{"(RunSQL) ", "(Archive) "}));
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{1});
    e.form.UserSelect("lstDispositions", {0});
    e.form.UserClick("cmdDelete");
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{0});
    prompts.ExpectMessage("There is only one item, it cannot be moved");
    e.form.UserClick("cmdUp");
    e.form.UserClick("cmdDelete");
    EXPECT_TRUE(e.Dispositions().empty());
    EXPECT_TRUE(e.form.Selection("lstDispositions").empty());
    // "Default" never shows "Using Parent", even when empty.
    EXPECT_FALSE(e.form.Visible("txtUsingParent"));
}

TEST(DispositionsEditor, UseParentEmptiesACategoryAndTheSaveQuestionGuardsTheWayOut) {
    Editor e;
    ASSERT_TRUE(e.Open());
    const std::string before = ReadFile(e.file());
    e.form.UserClick("cmdUseParent");  // disabled on "Default"
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});

    e.SelectCategory("Spam");
    e.form.UserClick("cmdUseParent");
    EXPECT_TRUE(e.Dispositions().empty());
    EXPECT_TRUE(e.form.Visible("txtUsingParent"));
    EXPECT_TRUE(e.form.changed());

    // With "Default" emptied too, the save fails on the first category without dispositions.
    e.SelectCategory("Default");
    e.form.UserSelect("lstDispositions", {0});
    e.form.UserClick("cmdDelete");
    const std::string none =
        "You must have at least one Default disposition or at least one disposition for every category (even "
        "if "
        "it is a DoNothing disposition), Spam has none, and Default has none.";
    e.s.prompts.ExpectMessage(none);
    e.form.UserClick("cmdSave");
    EXPECT_FALSE(e.form.IsClosed());

    const std::string question = "There are unsaved changes, do you wish to save them?";
    e.s.prompts.ExpectYesNoCancel(question, Answer::Cancel);
    EXPECT_FALSE(e.form.UserRequestClose());
    e.s.prompts.ExpectYesNoCancel(question, Answer::Yes).ExpectMessage(none);
    e.form.UserPressEscape();
    EXPECT_FALSE(e.form.IsClosed());
    e.s.prompts.ExpectYesNoCancel(question, Answer::No);
    EXPECT_TRUE(e.form.UserRequestClose());
    EXPECT_EQ(ReadFile(e.file()), before);
}

TEST(DispositionsEditor, DiscardAndUnchangedExitsWriteNothing) {
    {
        Editor e;
        ASSERT_TRUE(e.Open());
        const std::string before = ReadFile(e.file());
        e.form.UserSelect("lstDispositions", {0});
        e.form.UserClick("cmdDelete");
        e.form.UserClick("cmdCancel");
        EXPECT_TRUE(e.form.IsClosed());
        EXPECT_EQ(ReadFile(e.file()), before);
    }
    {
        Editor e;
        ASSERT_TRUE(e.Open());
        const std::string before = ReadFile(e.file());
        e.form.UserClick("cmdSave");  // nothing changed: closes without writing or "Saved"
        EXPECT_TRUE(e.form.IsClosed());
        EXPECT_EQ(ReadFile(e.file()), before);
    }
    {
        Editor e;
        ASSERT_TRUE(e.Open());
        e.form.UserPressEscape();
        EXPECT_TRUE(e.form.IsClosed());
    }
}

TEST(DispositionsEditor, DoesNotOpenWithoutTheFirstTypesFile) {
    Editor e;
    e.links.dispositionTypes[0] = "+/gone.xml";
    e.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/gone.xml, please go back to "
        "main->Advanced settings to correct it.");
    EXPECT_FALSE(e.Open());
    EXPECT_TRUE(e.form.IsClosed());
}

#ifndef _WIN32
TEST(DispositionsEditor, DoesNotOpenOnAFileItCannotRead) {
    Editor e;
    std::filesystem::remove(e.file());
    test::SocketFile unreadable(e.file());
    if (!unreadable.bound()) GTEST_SKIP() << "cannot create a socket file here";
    // Saving would replace what nobody has seen, so the window stays shut; the catalogues are not even read.
    e.s.prompts.ExpectMessageStartingWith("Unexpected error in LoadFile=75:Cannot open " + e.file());
    EXPECT_FALSE(e.Open());
    EXPECT_TRUE(e.form.IsClosed());
}
#endif

TEST(DispositionsEditor, TheChooserClosesAtOnceWhenTheTypesFileWentAway) {
    Editor e;
    ASSERT_TRUE(e.Open());
    std::filesystem::remove(e.dir / "dispositionTypes.xml");
    e.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/dispositionTypes.xml, please go back to "
        "main->Advanced settings to correct it.");
    e.form.UserClick("cmdAdd");  // no window expected: the chooser is never shown
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_FALSE(e.form.changed());
}

TEST(DispositionsEditor, AFailureWhileAddingIsReportedAndAddsNothing) {
    Editor e;
    e.editors.Remove("frmForwardMessage");
    ASSERT_TRUE(e.Open());
    e.s.windows.Expect("frmChooseType", [&](Form& chooser) {
        chooser.UserSelect("lstDispositionType", {0});
        e.s.prompts.ExpectMessage("Error adding=5:No editor is available for frmForwardMessage");
        chooser.UserClick("cmdGo");
        EXPECT_TRUE(chooser.IsClosed());
    });
    e.form.UserClick("cmdAdd");
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_FALSE(e.form.changed());
}

}  // namespace
}  // namespace pv
