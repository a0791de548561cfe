#include <gtest/gtest.h>

#include "dispositions/DispositionTestKit.h"
#include "dispositions/FrmDispositions.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::WriteFile;

using Lines = std::vector<std::string>;

constexpr const char* kFwd = "(ForwardMessage) +/dispose/fwd.forwardmessage.xml";

// The dispositions editor opened on a copy of the "basic" fixture, with stand-in detailed editors.
struct Editor {
    test::TempDir dir;
    bool copied = (test::CopyFixture("basic", dir), true);
    test::ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
    bool fakes = (test::UseFakeEditors(s, {"frmForwardMessage"}), true);
    FrmDispositions form{s.services, links};

    // The fixture keeps dispositions for "Retired", which no catalogue defines: asked about at every save.
    void ExpectRetiredDropped() {
        s.prompts.ExpectYesNo(
            "The file " + file() +
                " holds dispositions of the categories \"Retired\", which no category "
                "definitions file defines; a save would drop them. Do you want to save anyway?",
            Answer::Yes);
    }
    // The fixture writes Spam in two elements, read and saved as one: said at every load of it.
    bool Load() {
        const std::string text = ReadFile(file());
        if (text.find("<Spam>") != text.rfind("<Spam>"))
            s.prompts.ExpectMessage(
                "The file " + file() +
                " holds the category \"Spam\" in more than one element; a save writes the "
                "dispositions of each in one element, in the order they come.");
        return form.LoadFromFile("+/dispositions.xml", links.masterFilePath);
    }
    std::string file() const { return dir / "dispositions.xml"; }
    const Lines& Dispositions() const { return form.Items("lstDispositions"); }

    // The type chooser: picks the type at `line` and presses Go.
    void ExpectChooser(int line) {
        s.windows.Expect("frmChooseType", [line](Form& chooser) {
            chooser.UserSelect("lstDispositionType", {line});
            chooser.UserClick("cmdGo");
        });
    }
};

TEST(DispositionsEditor, AddEditMoveDeleteAndUseParentThenSaveTheFile) {
    Editor e;
    ASSERT_TRUE(e.Load());
    // Orders is listed before Junk in the catalogue, yet each child follows its own parent.
    EXPECT_EQ(e.form.Items("lstCategories"),
              (Lines{"Default", "  Spam", "    Junk", "    Phishing", "  Orders", "    Invoices"}));
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_FALSE(e.form.Visible("txtUsingParent"));
    EXPECT_FALSE(e.form.Enabled("cmdUseParent"));  // "Default" has no parent to fall back on

    // Spam: deleting the first selects the one that took its place; "Use Parent" empties the rest.
    e.form.UserSelect("lstCategories", {1});  // Spam
    e.form.UserSelect("lstDispositions", {0});
    e.form.UserClick("cmdDelete");
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{0});
    e.form.UserClick("cmdUseParent");
    EXPECT_TRUE(e.Dispositions().empty());
    EXPECT_TRUE(e.form.Visible("txtUsingParent"));
    EXPECT_EQ(e.form.Text("txtUsingParent"), "Using Parent");

    // Junk: a type without a detailed file is added at once (Go first asks for a type; a double click is Go).
    e.form.UserSelect("lstCategories", {2});  // Junk
    e.s.windows.Expect("frmChooseType", [&](Form& chooser) {
        e.s.prompts.ExpectMessage("Please select a disposition type");
        chooser.UserClick("cmdGo");
        chooser.UserSelect("lstDispositionType", {2});
        chooser.UserDoubleClick("lstDispositionType");
    });
    e.form.UserClick("cmdAdd");
    EXPECT_FALSE(e.form.Visible("txtUsingParent"));
    // A detailed editor that stored a file adds the disposition; a cancelled one adds nothing.
    e.ExpectChooser(0);
    e.s.windows.Expect("frmForwardMessage", [&](Form& editor) {
        // The chooser has closed first: the editor is over this window, which has the keyboard back after.
        EXPECT_EQ(e.s.windows.open, 1);
        test::StoresFile("+/dispose/fwd.forwardmessage.xml")(editor);
    });
    e.form.UserClick("cmdAdd");
    e.ExpectChooser(0);
    e.s.windows.Expect("frmForwardMessage", test::ClosesUntouched());
    e.form.UserClick("cmdAdd");
    EXPECT_EQ(e.Dispositions(), (Lines{"(DoNothing) ", kFwd}));

    // A double click edits the record itself.
    WriteFile(e.dir / "dispose/new.forwardmessage.xml", "<Disposition/>");
    e.form.UserSelect("lstDispositions", {1});
    e.s.windows.Expect("frmForwardMessage", [](Form& editor) {
        EXPECT_EQ(*test::RecordOf(editor).storedName, "+/dispose/fwd.forwardmessage.xml");
        test::StoresFile("+/dispose/new.forwardmessage.xml")(editor);
    });
    e.form.UserDoubleClick("lstDispositions");
    e.form.UserClick("cmdUp");
    EXPECT_EQ(e.Dispositions(), (Lines{"(ForwardMessage) +/dispose/new.forwardmessage.xml", "(DoNothing) "}));

    e.ExpectRetiredDropped();
    e.s.prompts.ExpectMessage("Saved");
    e.form.UserClick("cmdSave");
    EXPECT_TRUE(e.form.IsClosed());
    std::string expected = ReadFile(test::TestData("dispositions/basic/expected-resave.xml"));
    const auto replace = [&](const std::string& category, const std::string& with) {
        const size_t begin = expected.find("\t<" + category + ">");
        const std::string close = "\t</" + category + ">\r\n";
        expected.replace(begin, expected.find(close, begin) + close.size() - begin, with);
    };
    replace("Spam", CrLf({"\t<Spam>", "\t</Spam>"}));
    replace(
        "Junk",
        CrLf({"\t<Junk>", "\t\t<Disposition>", "\t\t\t<Type>ForwardMessage</Type>",
              "\t\t\t<DetailedDispositionFile>+/dispose/new.forwardmessage.xml</DetailedDispositionFile>",
              "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>", "\t\t<Disposition>",
              "\t\t\t<Type>DoNothing</Type>", "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
              "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>", "\t</Junk>"}));
    EXPECT_EQ(ReadFile(e.file()), expected);
}

// Every change undone in order leads back to the lists as loaded, with nothing to ask at closing; redone,
// the same file is saved as without undo; after a save, undo and redo still work and move the changed flag.
TEST(DispositionsEditor, UndoLeadsBackToTheLoadedListsAndRedoToTheSameSave) {
    constexpr const char* kNothing = "(DoNothing) ";
    const auto work = [](Editor& e) {
        e.form.UserSelect("lstCategories", {1});  // Spam
        e.form.UserSelect("lstDispositions", {0});
        e.form.UserClick("cmdDown");
        e.form.UserSelect("lstDispositions", {1});
        e.form.UserClick("cmdDelete");            // asks nothing
        e.form.UserSelect("lstCategories", {2});  // Junk
        e.ExpectChooser(2);
        e.form.UserClick("cmdAdd");
        // Opening what was just added, and changing nothing there, is no step of its own.
        e.form.UserSelect("lstDispositions", {static_cast<int>(e.Dispositions().size()) - 1});
        e.s.prompts.ExpectMessage("There is no config file to edit for \"DoNothing\" types");
        e.form.UserClick("cmdEdit");
        e.form.UserSelect("lstCategories", {1});
        e.form.UserClick("cmdUseParent");
    };
    Editor direct;
    ASSERT_TRUE(direct.Load());
    work(direct);
    direct.ExpectRetiredDropped();
    direct.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(direct.form.SaveDispositionFile());

    Editor e;
    ASSERT_TRUE(e.Load());
    work(e);
    ASSERT_TRUE(e.form.changed());
    // Each undo shows the category it changed, the line it concerns selected.
    e.form.UserUndo();
    EXPECT_EQ(e.form.Selection("lstCategories"), std::vector<int>{1});
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    e.form.UserUndo();
    EXPECT_EQ(e.form.Selection("lstCategories"), std::vector<int>{2});
    EXPECT_TRUE(e.Dispositions().empty());
    e.form.UserUndo();
    EXPECT_EQ(e.form.Selection("lstCategories"), std::vector<int>{1});
    EXPECT_EQ(e.Dispositions(), (Lines{kFwd, kNothing}));
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{1});
    EXPECT_TRUE(e.form.changed());
    e.form.UserUndo();
    EXPECT_EQ(e.Dispositions(), (Lines{kNothing, kFwd}));
    EXPECT_EQ(e.form.Selection("lstDispositions"), std::vector<int>{0});
    EXPECT_FALSE(e.form.changed());
    EXPECT_FALSE(e.form.CanUndo());

    for (int step = 0; step < 4; ++step) e.form.UserRedo();
    EXPECT_FALSE(e.form.CanRedo());
    EXPECT_TRUE(e.form.changed());
    EXPECT_TRUE(e.Dispositions().empty());
    e.ExpectRetiredDropped();
    e.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(e.form.SaveDispositionFile());
    EXPECT_EQ(ReadFile(e.file()), ReadFile(direct.file()));
    EXPECT_FALSE(e.form.changed());
    e.form.UserUndo();
    EXPECT_TRUE(e.form.changed());
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    e.form.UserRedo();
    EXPECT_FALSE(e.form.changed());
    EXPECT_TRUE(e.form.UserRequestClose());  // nothing asked
}

TEST(DispositionsEditor, AnUnknownTypeIsLeftAsItIsAndAFailedSaveKeepsTheWindowOpen) {
    Editor e;
    WriteFile(e.file(),
              "<Dispositions><Default><Disposition><Type>HandWritten</Type><DetailedDispositionFile>"
              "+/x.xml</DetailedDispositionFile></Disposition></Default></Dispositions>");
    const std::string before = ReadFile(e.file());
    ASSERT_TRUE(e.Load());
    e.form.UserSelect("lstDispositions", {0});
    e.s.prompts.ExpectMessage(
        "The disposition type \"HandWritten\" is not in the disposition types files, so it cannot be edited");
    e.form.UserClick("cmdEdit");
    EXPECT_EQ(e.Dispositions(), Lines{"(HandWritten) +/x.xml"});
    EXPECT_FALSE(e.form.changed());

    e.form.UserClick("cmdDelete");
    const std::string none =
        "You must have at least one Default disposition or at least one disposition for every category (even "
        "if it is a DoNothing disposition), Spam has none, and Default has none.";
    e.s.prompts.ExpectMessage(none);
    e.form.UserClick("cmdSave");
    EXPECT_FALSE(e.form.IsClosed());
    const std::string question = "There are unsaved changes, do you wish to save them?";
    e.s.prompts.ExpectYesNoCancel(question, Answer::Cancel);
    EXPECT_FALSE(e.form.UserRequestClose());
    e.s.prompts.ExpectYesNoCancel(question, Answer::Yes).ExpectMessage(none);
    e.form.UserPressEscape();
    EXPECT_FALSE(e.form.IsClosed());
    e.form.UserClick("cmdCancel");
    EXPECT_TRUE(e.form.IsClosed());
    EXPECT_EQ(ReadFile(e.file()), before);
}

// The chooser reads the types files afresh, and so does every save: a type added to them while the window is
// open can be chosen, and each type is judged as they have it at the save, as check of the saved file will
// judge it, instead of as they had it when the window opened.
TEST(DispositionsEditor, TheSaveJudgesTypesAsTheTypesFilesHaveThemNow) {
    Editor e;
    // ForwardMessage, whose editor is its own, is taken out of the types file as the window opens, and put
    // back after Quarantine, which needs no file. Spam's first disposition is of a type no types file lists
    // yet, and Junk's an Archive without a file, which Archive needs as the window opens.
    const std::string types = e.dir / "dispositionTypes.xml";
    const std::string forward = "<DispositionType><Name>ForwardMessage</Name></DispositionType>";
    std::string text = ReadFile(types);
    text.erase(text.find(forward), forward.size());
    WriteFile(types, text);
    std::string dispositions = ReadFile(e.file());
    dispositions.replace(dispositions.find("DoNothing"), 9, "Frobnicate");
    dispositions.insert(dispositions.find("</Dispositions>"),
                        "<Junk><Disposition><Type>Archive</Type></Disposition></Junk>");
    WriteFile(e.file(), dispositions);
    ASSERT_TRUE(e.Load());
    text.insert(text.find("</DispositionTypes>"),
                "<DispositionType><Name>Quarantine</Name><DetailedDispositionFile>0</DetailedDispositionFile>"
                "</DispositionType>" +
                    forward);
    WriteFile(types, text);
    e.form.UserSelect("lstCategories", {2});  // Junk
    e.ExpectChooser(3);
    e.form.UserClick("cmdAdd");
    e.ExpectChooser(4);
    e.s.windows.Expect("frmForwardMessage", test::StoresFile("+/dispose/fwd.forwardmessage.xml"));
    e.form.UserClick("cmdAdd");
    EXPECT_EQ(e.Dispositions(), (Lines{"(Archive) ", "(Quarantine) ", kFwd}));

    e.s.prompts.ExpectMessage(
        "Error saving=5:The disposition type \"Frobnicate\" of category Spam is not in the disposition types "
        "files");
    e.form.UserClick("cmdSave");
    EXPECT_FALSE(e.form.IsClosed());
    text.insert(text.find("</DispositionTypes>"),
                "<DispositionType><Name>Frobnicate</Name><DetailedDispositionFile>0</DetailedDispositionFile>"
                "</DispositionType>");
    WriteFile(types, text);
    e.s.prompts.ExpectMessage(
        "Detailed disposition file is missing or incorrect for at least one disposition in the Junk "
        "category, File=");
    e.form.UserClick("cmdSave");
    EXPECT_FALSE(e.form.IsClosed());
    const std::string archive = "<Name>Archive</Name><DetailedDispositionFile>yes";
    text.replace(text.find(archive), archive.size(), "<Name>Archive</Name><DetailedDispositionFile>0");
    WriteFile(types, text);
    e.ExpectRetiredDropped();
    e.s.prompts.ExpectMessage("Saved");
    e.form.UserClick("cmdSave");
    EXPECT_TRUE(e.form.IsClosed());
    const std::string saved = ReadFile(e.file());
    EXPECT_NE(saved.find(CrLf({"\t<Spam>", "\t\t<Disposition>", "\t\t\t<Type>Frobnicate</Type>"})),
              std::string::npos);
    EXPECT_NE(saved.find(CrLf({"\t<Junk>", "\t\t<Disposition>", "\t\t\t<Type>Archive</Type>",
                               "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
                               "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>",
                               "\t\t<Disposition>", "\t\t\t<Type>Quarantine</Type>",
                               "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
                               "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>",
                               "\t\t<Disposition>", "\t\t\t<Type>ForwardMessage</Type>"})),
              std::string::npos);
}

TEST(DispositionsEditor, DoesNotOpenWithoutTheFirstTypesFileNorOnAFileItCannotRead) {
    Editor e;
    e.links.dispositionTypes[0] = "+/gone.xml";
    e.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/gone.xml, please go back to "
        "main->Advanced settings to correct it.");
    EXPECT_FALSE(e.form.LoadFromFile("+/dispositions.xml", e.links.masterFilePath));
    EXPECT_TRUE(e.form.IsClosed());
    // Nor with the first name empty and the second given (the main window's first box cleared): the first
    // is the one that must be read, which is said, where nothing was.
    Editor emptied;
    emptied.links.dispositionTypes[1] = emptied.links.dispositionTypes[0];
    emptied.links.dispositionTypes[0].clear();
    emptied.s.prompts.ExpectMessage(
        "The first disposition types file of the master file " + emptied.links.masterFilePath +
        " is empty (the second is named): the first is the one that must be read, the second only adds to "
        "it, so the dispositions cannot be edited. Please go back to main->Advanced settings to correct it.");
    FrmDispositions::Open(emptied.s.services, emptied.links, "+/dispositions.xml",
                          emptied.links.masterFilePath);
    // Saving would replace what nobody has seen.
    Editor unreadable;
    std::filesystem::remove(unreadable.file());
    test::SocketFile socket(unreadable.file());
    if (!socket.bound()) GTEST_SKIP() << "cannot create a socket file here";
    unreadable.s.prompts.ExpectMessage("Unexpected error in LoadFile=75:Cannot read " + unreadable.file() +
                                       ": it is a socket");
    EXPECT_FALSE(unreadable.form.LoadFromFile("+/dispositions.xml", unreadable.links.masterFilePath));
    EXPECT_TRUE(unreadable.form.IsClosed());
}

// Opened as the other windows open it, while its files are read on another thread: what the reading says
// comes before the window, in the words a load here would use, and a question the reading cannot wait for is
// asked here, once.
TEST(DispositionsEditor, OpensWhileItsFilesAreReadAndAsksHereWhatTheReadingCouldNot) {
    Editor e;
    WriteFile(e.file(), "<Dispositions><Default>");
    e.s.prompts.ExpectMessage("The file " + e.file() +
                              " is not well-formed XML (line 1, column 24: the file ends before the element "
                              "<Default> is closed). It was read as empty, so every category starts with no "
                              "dispositions.");
    e.s.windows.Expect("frmDispositions", [](Form& window) {
        EXPECT_EQ(window.Items("lstCategories").size(), 6u);
        window.UserClick("cmdCancel");
    });
    FrmDispositions::Open(e.s.services, e.links, "+/dispositions.xml", e.links.masterFilePath);
    e.s.windows.VerifyAllUsed();

    WriteFile(e.file() + ".before-save", "<Dispositions/>");
    e.s.prompts.ExpectYesNoCancelStartingWith("The last save of " + e.file() + " did not finish",
                                              Answer::Cancel);
    FrmDispositions::Open(e.s.services, e.links, "+/dispositions.xml", e.links.masterFilePath);
    e.s.windows.VerifyAllUsed();
}

TEST(DispositionsEditor, AFileChangedByAnotherProgramIsReadAgainWhenTheUserSaysSo) {
    Editor e;
    ASSERT_TRUE(e.Load());
    // An edit the save's checks pass: they come before the question about the file on disk.
    e.form.UserSelect("lstCategories", {1});  // Spam
    e.form.UserSelect("lstDispositions", {0});
    e.form.UserClick("cmdDelete");
    const std::string theirs = ReadFile(e.file()) + "\r\n";  // another program's save, one line end more
    WriteFile(e.file(), theirs);
    e.ExpectRetiredDropped();
    e.s.prompts.ExpectChangedMeanwhile(e.file(), Answer::No)
        .ExpectMessageStartingWith("The file " + e.file() + " holds the category \"Spam\" in more than one");
    e.form.UserClick("cmdSave");
    EXPECT_FALSE(e.form.IsClosed());
    EXPECT_EQ(e.Dispositions(), Lines{kFwd});
    EXPECT_EQ(ReadFile(e.file()), theirs);
}

}  // namespace
}  // namespace pv
