#include "master/FrmMain.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <tuple>

#include "core/paths.h"
#include "core/xml.h"
#include "mailbox/CMailbox.h"
#include "master/FrmOverview.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

constexpr const char* kUnsaved = "There are unsaved changes, do you wish to save them?";
constexpr const char* kNameInUse = "The mailbox name you specified is already in use, please choose another";
std::string ConfirmDelete(const std::string& name) {
    return "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\nMailbox to "
           "remove: \"" +
           name + "\"";
}
constexpr const char* kStopped = "Unexpected error in LoadFile=457:";
std::string NotReadToTheEnd(const std::string& file) {
    return "The master file " + file +
           " could not be read to the end, so the mailboxes after the one that failed are not loaded and would "
           "be lost. Do you want to overwrite the file with what this window shows?";
}
std::string QuotaLeftOut(const std::string& file, const std::string& mailbox = "a") {
    return "The file " + file +
           " holds what this window does not keep, and a save would leave it out: the element "
           "ResponseHandler/Mailboxes/Mailbox/Quota. The mailbox that holds an element left out: \"" +
           mailbox + "\". Do you want to save anyway?";
}

// Mailboxes that hold only their names: every other value is a default that passes the mailbox editor's
// checks, given the two files the fixture puts beside the master.
std::string MasterWith(std::initializer_list<std::string> names) {
    std::string text = "<ResponseHandler><Mailboxes>";
    for (const auto& name : names) text += "<Mailbox><Name>" + name + "</Name></Mailbox>";
    return text + "</Mailboxes></ResponseHandler>";
}

std::vector<std::string> InFile(const std::string& path, const std::string& element) {
    return ReadNodeTextList(LoadXmlFile(path).root(), "ResponseHandler/" + element, {});
}

// A mailbox editor script: type these texts in this order, then Save.
std::function<void(Form&)> SaveWith(std::vector<std::pair<std::string, std::string>> texts) {
    return [texts](Form& editor) {
        for (const auto& [box, text] : texts) editor.UserSetText(box, text);
        editor.UserClick("cmdSave");
    };
}

std::function<void(Form&)> SaveAs(const std::string& name) {
    return SaveWith({{"txtMailboxName", name}});
}

struct MainWindow : ::testing::Test {
    TempDir temp;
    std::string program = temp / "program";
    std::string cfg = temp / "cfg";
    std::string master = cfg + "/master.xml";
    ScriptedServices s{program};
    FrmMain main{s.services};

    void SetUp() override {
        WriteFile(program + "/.keep", "");
        WriteFile(cfg + "/categorization.xml", "<Rules/>");
        WriteFile(cfg + "/disposition.xml", "<Dispositions>\r\n</Dispositions>\r\n");
    }
    void OpenOn(const std::string& text) {
        WriteFile(master, text);
        main.Open(master, temp.path());
    }
    Names Listed() const { return main.Items("lstMailboxes"); }
    Names NamesInFile() const { return InFile(master, "Mailboxes/Mailbox/Name"); }
};

TEST_F(MainWindow, ARelativeCommandLineMasterIsMadeAbsoluteAndAQuotedOneIsNoFile) {
    WriteFile(master, MasterWith({"one", "two"}));
    main.Open("./cfg/master.xml", temp.path());
    EXPECT_EQ(main.FullPathToMasterConfig(), master);
    EXPECT_EQ(Listed(), (Names{"one", "two"}));
    EXPECT_FALSE(main.changed());

    // The quotes belong to the text, so no such file exists: that is said, and the default master beside
    // the program is not taken in its place; the user chooses.
    WriteFile(program + "/config/master.xml", MasterWith({"default"}));
    FrmMain other(s.services);
    const std::string quoted = temp / ("\"" + master + "\"");
    s.prompts.ExpectMessage("The master configuration file " + quoted +
                            " named on the command line does not exist.");
    s.dialogs.AnswerFile(std::nullopt);
    other.Open("\"" + master + "\"", temp.path());
    EXPECT_EQ(other.Text("txtMasterConfig"), "");
    EXPECT_EQ(other.Items("lstMailboxes"), Names{});
    EXPECT_EQ(s.dialogs.requests.back().initialFolder, program + "/config");

    // A name whose folder exists: the dialog offers to create it there.
    FrmMain third(s.services);
    s.prompts.ExpectMessage("The master configuration file " + cfg +
                            "/new.xml named on the command line does not exist.");
    s.dialogs.AnswerFile(std::nullopt);
    third.Open(cfg + "/new.xml", temp.path());
    EXPECT_EQ(std::tie(s.dialogs.requests.back().initialFolder, s.dialogs.requests.back().fileName),
              std::tie(cfg, "new.xml"));

    // ".." after a link to a folder is the parent of the link's target, as the shell has it: that file is
    // read, and remembered by that name.
    std::filesystem::create_directories(temp / "real/deep");
    WriteFile(temp / "real/master.xml", MasterWith({"real"}));
    std::filesystem::create_directory_symlink(temp / "real/deep", cfg + "/link");
    FrmMain fourth(s.services);
    fourth.Open("link/../master.xml", cfg);
    EXPECT_EQ(std::make_tuple(fourth.Items("lstMailboxes"), s.settings.List(kRecentMastersKey).front()),
              std::make_tuple(Names{"real"}, cfg + "/link/../master.xml"));
}

// The shell's name for the master: a backslash in it is part of a folder's name, not a separator, so the
// window reads and writes that file, never "a/b/master.xml", and saves it as it saves any other.
TEST_F(MainWindow, ACommandLineMasterWithABackslashIsTheFileOfThatName) {
    const std::string folder = temp / "a\\b";
    WriteFile(folder + "/categorization.xml", "<Rules/>");
    WriteFile(folder + "/disposition.xml", "<Dispositions>\r\n</Dispositions>\r\n");
    WriteFile(folder + "/master.xml", MasterWith({"one", "two"}));
    WriteFile(temp / "a/b/master.xml", MasterWith({"decoy"}));
    main.Open("a\\b/master.xml", temp.path());
    EXPECT_EQ(std::make_pair(main.FullPathToMasterConfig(), Listed()),
              std::make_pair(folder + "/master.xml", Names{"one", "two"}));

    WriteFile(master, MasterWith({"one", "two"}));
    FrmMain plain(s.services);
    plain.Open(master, temp.path());
    // A name that is not UTF-8 (Latin-1 bytes) is the file of those bytes too.
    const std::string latin1 = cfg + "/\xe9t\xe9.xml";
    WriteFile(latin1, MasterWith({"one", "two"}));
    FrmMain other(s.services);
    other.Open("cfg/\xe9t\xe9.xml", temp.path());
    EXPECT_EQ(other.FullPathToMasterConfig(), latin1);
    for (FrmMain* window : {&main, &plain, &other}) {
        window->UserSelect("lstMailboxes", {0});
        s.prompts.ExpectYesNo(ConfirmDelete("one"), Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
        window->UserClick("cmdDeleteMailbox");
    }
    EXPECT_EQ(ReadFile(folder + "/master.xml"), ReadFile(master));
    EXPECT_EQ(ReadFile(latin1), ReadFile(master));
    EXPECT_EQ(ReadFile(temp / "a/b/master.xml"), MasterWith({"decoy"}));
}

TEST_F(MainWindow, ClosingAsksOnlyAfterChangesReloadDiscardsThemAndAFailedSaveKeepsTheWindowOpen) {
    OpenOn(MasterWith({}));
    const std::string before = ReadFile(master);
    main.UserPressEscape();
    EXPECT_TRUE(main.IsClosed());

    main.Reopen();
    main.UserClick("chkOnePass");  // folded away: out of sight, out of reach
    EXPECT_FALSE(main.changed());
    main.UserClick("cmdMoreLess");
    main.UserClick("chkOnePass");
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Cancel);
    main.UserPressEscape();
    EXPECT_FALSE(main.IsClosed());

    // Reload asks before it throws edits away.
    s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::Cancel);
    main.UserClick("cmdReload");
    EXPECT_TRUE(main.Checked("chkOnePass"));
    s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    main.UserClick("cmdReload");
    EXPECT_FALSE(main.changed());
    EXPECT_FALSE(main.Checked("chkOnePass"));

    main.UserClick("chkOnePass");
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::No);
    EXPECT_TRUE(main.UserRequestClose());
    EXPECT_EQ(ReadFile(master), before);

    main.Reopen();
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(main.UserRequestClose());
    EXPECT_EQ(InFile(master, "OnePass"), Names{"1"});

    // A save that fails on closing keeps the window open with its edits, as often as it is tried.
    main.Reopen();
    main.UserClick("chkOnePass");
    std::filesystem::remove_all(cfg);
    for (int attempt = 0; attempt < 2; ++attempt) {
        s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Yes)
            .ExpectChangedMeanwhile(master, Answer::Yes, "removed")
            .ExpectMessage("Error saving=76:Path not found: the folder " + cfg + " does not exist");
        EXPECT_FALSE(main.UserRequestClose());
        EXPECT_TRUE(main.changed());
    }
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::No);
    EXPECT_TRUE(main.UserRequestClose());
}

TEST_F(MainWindow, BrowseButtonsUseTheirOwnDialogAndMailboxOperationsWriteOnlySavedNames) {
    OpenOn(MasterWith({"one"}));
    main.UserClick("cmdMoreLess");
    struct Dialog {
        std::string pattern, filter, title;
        FileCheck mode = FileCheck::MustExist;
    };
    const Dialog types{"*.dispositiontypes.xml",
                       "DispositionTypes config files(*.dispositiontypes.xml)|*dispositiontypes.xml|"
                       "All xml files(*.xml)|*.xml",
                       "Choose the disposition types file you wish to use"};
    const Dialog categories{
        "*.categorydefinitions.xml",
        "CategoryDefinitions config files(*.categorydefinitions.xml)|*categorydefinitions.xml|"
        "All xml files(*.xml)|*.xml",
        "Choose the category definitions file you wish to use"};
    const Dialog fields{
        "*.messagefields.xml",
        "MessageFields config files(*.messagefields.xml)|*messagefields.xml|All xml files(*.xml)|*.xml",
        "Choose the message fields file you wish to use"};
    const Dialog monitor{"*.monitor.xml",
                         "Monitor config files(*.monitor.xml)|*monitor.xml|All xml files(*.xml)|*.xml",
                         "Choose the monitor config file you wish to open", FileCheck::CreatePrompt};
    const std::tuple<std::string, std::string, std::string, Dialog> cases[] = {
        // A box that names a file offers its name in its folder (the master's here); an empty one offers the
        // usual name.
        {"cmdBrowseDispositionType", "txtDispositionTypes1", "dispositionTypes.xml", types},
        {"cmdBrowseDispositionType2", "txtDispositionTypes2", "systemDispositionTypes.xml", types},
        {"cmdBrowseCategoryDefinition", "txtCategoryDefinitions1", "categoryDefinitions.xml", categories},
        {"cmdBrowseCategoryDefinition2", "txtCategoryDefinitions2", "systemCategoryDefinitions.xml",
         categories},
        {"cmdBrowseMessageFields", "txtMessageFields1", "MessageFields.xml", fields},
        {"cmdBrowseMessageFields2", "txtMessageFields2", "systemMessageFields.xml", fields},
        {"cmdBrowseMonitorConfig", "txtMonitorConfigFile", "monitor.xml", monitor},
    };
    for (const auto& [button, textBox, defaultName, d] : cases) {
        SCOPED_TRACE(button);
        if (main.changed()) s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
        main.UserClick("cmdReload");
        s.dialogs.AnswerFile(cfg + "/chosen.xml");
        main.UserClick(button);
        const FileDialogRequest& r = s.dialogs.requests.back();
        EXPECT_EQ(std::tie(r.pattern, r.filter, r.title, r.fileName, r.initialFolder, r.mode),
                  std::tie(d.pattern, d.filter, d.title, defaultName, cfg, d.mode));
        EXPECT_EQ(main.Text(textBox), "+/chosen.xml");
        EXPECT_TRUE(main.changed());  // the first box of a pair as well as the second
    }
    EXPECT_EQ(ReadFile(cfg + "/chosen.xml"), "<Monitors>\r\n</Monitors>\r\n");
    // A new file that cannot be made leaves the box as it was: the master would name a file that is not
    // there.
    s.dialogs.AnswerFile(cfg + "/nowhere/new.monitor.xml");
    s.prompts.ExpectMessageStartingWith("Error=76");
    main.UserClick("cmdBrowseMonitorConfig");
    EXPECT_EQ(main.Text("txtMonitorConfigFile"), "+/chosen.xml");

    s.windows.Expect("frmMailbox", SaveAs("two"));
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(InFile(master, "MonitorConfigFile"), Names{"+/monitor.xml"});
}

TEST_F(MainWindow, ATakenNameIsAnsweredLikeAddAndADiscardKeepsTheRecordAsItWas) {
    OpenOn(MasterWith({"one", "two"}));
    const std::string before = ReadFile(master);

    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", SaveWith({{"txtMailboxName", "two"}, {"txtThreads", "9"}}));
    s.prompts.ExpectMessage(kNameInUse);
    // The edits shown again are stored nowhere: closing asks, as after typing them.
    s.windows.Expect("frmMailbox", [this](Form& editor) {
        EXPECT_EQ(editor.Text("txtMailboxName"), "two");
        EXPECT_EQ(editor.Text("txtThreads"), "9");
        s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to keep them?", Answer::No);
        EXPECT_TRUE(editor.UserRequestClose());
    });
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(main.mailboxes().Keys(), (Names{"one", "two"}));
    EXPECT_EQ(main.mailboxes().Find("one")->nThreads, 1);
    EXPECT_EQ(ReadFile(master), before);

    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", SaveAs("two")).Expect("frmMailbox", SaveAs("uno"));
    s.prompts.ExpectMessage(kNameInUse).ExpectMessage("Saved");
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(NamesInFile(), (Names{"two", "uno"}));

    // Add: a discard adds nothing; a taken name, then a free one.
    s.windows.Expect("frmMailbox", [](Form& editor) { editor.UserClick("cmdCancel"); });
    main.UserClick("cmdAddMailbox");
    s.windows.Expect("frmMailbox", SaveAs("uno")).Expect("frmMailbox", SaveAs("three"));
    s.prompts.ExpectMessage(kNameInUse).ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(NamesInFile(), (Names{"two", "uno", "three"}));
    EXPECT_FALSE(main.mailboxes().Find("three")->Changed);
    // The mailbox added is the one selected, for Edit and Delete to act on.
    EXPECT_EQ(main.Selection("lstMailboxes"), std::vector<int>{2});
}

TEST_F(MainWindow, DeleteAsksThenSelectsTheEntryThatTookThePlace) {
    OpenOn(MasterWith({"a", "b", "c"}));
    main.UserSelect("lstMailboxes", {1});
    s.prompts.ExpectYesNo(ConfirmDelete("b"), Answer::No, "Confirm Delete");
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(Listed().size(), 3u);

    const std::tuple<std::string, Names, std::vector<int>> steps[] = {
        {"b", {"a", "c"}, {1}}, {"c", {"a"}, {0}}, {"a", {}, {}}};
    for (const auto& [deleted, left, selected] : steps) {
        s.prompts.ExpectYesNo(ConfirmDelete(deleted), Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
        main.UserClick("cmdDeleteMailbox");
        EXPECT_EQ(Listed(), left);
        EXPECT_EQ(main.Selection("lstMailboxes"), selected);
    }
    EXPECT_NE(ReadFile(master).find("\t<Mailboxes>\r\n\t</Mailboxes>\r\n"), std::string::npos);

    // Redone, a delete selects again the entry that took the place, where the user was.
    OpenOn(MasterWith({"a", "b", "c"}));
    main.UserSelect("lstMailboxes", {1});
    s.prompts.ExpectYesNo(ConfirmDelete("b"), Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");
    main.UserUndo();
    main.UserSelect("lstMailboxes", {0});
    main.UserRedo();
    EXPECT_EQ(std::make_tuple(Listed(), main.Selection("lstMailboxes")),
              std::make_tuple(Names{"a", "c"}, std::vector<int>{1}));
}

// A file that is not well-formed, or not a master at all, shows defaults and is replaced by them only when
// the user says so.
TEST_F(MainWindow, AFileThatIsNotAReadableMasterIsOverwrittenOnlyWhenTheUserSaysSo) {
    const std::string question =
        "The master file " + master +
        " could not be read as a master configuration file, so this window shows "
        "default values. Do you want to overwrite the file with what this window shows?";
    const std::pair<std::string, std::string> unreadable[] = {
        {"<ResponseHandler><MonitorConfigFile>+/ops.xml</MonitorConfigFile><Mailboxes>",
         "The file " + master + " is not well-formed XML"},
        {"<Monitors>\r\n</Monitors>\r\n",
         "The file " + master +
             " is not a master configuration file: its root element is <Monitors>, not <ResponseHandler>. It "
             "was read as empty, so default values are shown."}};
    for (const auto& [text, said] : unreadable) {
        SCOPED_TRACE(text);
        WriteFile(master, text);
        s.prompts.ExpectMessageStartingWith(said);
        FrmMain window(s.services);
        window.Open(master, temp.path());
        EXPECT_EQ(window.caption(), "Main Configuration - defaults shown: the file could not be read");
        EXPECT_EQ(window.Text("txtMonitorConfigFile"), "+/monitor.xml");
        EXPECT_TRUE(window.showingDefaults());
        // A malformed master is offered again, to mend; another kind of file only once a save made it one.
        const bool offered = !s.settings.List(kRecentMastersKey).empty();
        EXPECT_EQ(offered, text.starts_with("<ResponseHandler>"));

        s.windows.Expect("frmMailbox", SaveAs("new"));
        s.prompts.ExpectYesNo(question, Answer::No);
        window.UserClick("cmdAddMailbox");
        EXPECT_EQ(ReadFile(master), text);

        s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
        window.UserClick("cmdSave");
        EXPECT_EQ(window.caption(), "Main Configuration");
        EXPECT_EQ(NamesInFile(), Names{"new"});
        EXPECT_EQ(s.settings.List(kRecentMastersKey), std::vector<std::string>{master});
        s.settings.SetList(kRecentMastersKey, {});
    }
}

TEST_F(MainWindow, AValueNoXmlFileCanHoldStopsTheSaveAndSaysWhere) {
    OpenOn(MasterWith({"one"}));
    const std::string before = ReadFile(master);
    s.windows.Expect("frmMailbox",
                     SaveWith({{"txtMailboxName", "two"}, {"txtHost", "mail\x01.example.com"}}));
    s.prompts.ExpectMessage(
        "Error saving=1002:The value of Host of mailbox \"two\" cannot be saved: its character 5 is U+0001, "
        "a "
        "character that an XML file cannot hold. Nothing was written.");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(ReadFile(master), before);

    // A file chosen whose name ends in a blank would read back as another file's: the save stops at it, with
    // the advanced settings shown so that the box can take the focus.
    WriteFile(cfg + "/z.xml ", "<CategoryDefinitions/>");
    main.UserClick("cmdMoreLess");
    s.dialogs.AnswerFile(cfg + "/z.xml ");
    main.UserClick("cmdBrowseCategoryDefinition2");
    main.UserClick("cmdMoreLess");
    s.prompts.ExpectMessage("The category definitions file \"+/z.xml \" begins or ends with a blank, which " +
                            master + " does not keep: it would read back as \"+/z.xml\". Remove the blank.");
    main.UserClick("cmdSave");
    EXPECT_TRUE(main.control("txtCategoryDefinitions2").visible);
    EXPECT_EQ(ReadFile(master), before);
}

// An element the window does not keep is asked about at the save, which writes the file without it only
// when the user says so; the next save has nothing to ask.
TEST_F(MainWindow, WhatASaveWouldLeaveOutIsAskedAboutAtTheSave) {
    const std::string notKept = QuotaLeftOut(master);
    OpenOn(
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Quota>5</Quota></Mailbox></Mailboxes>"
        "</ResponseHandler>");
    EXPECT_EQ(Listed(), Names{"a"});
    main.UserClick("cmdReload");
    s.windows.Expect("frmMailbox", SaveAs("b"));
    s.prompts.ExpectYesNo(notKept, Answer::Yes);
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(ReadFile(master).find("Quota"), std::string::npos);
    main.UserClick("cmdReload");
    EXPECT_EQ(Listed(), (Names{"a", "b"}));

    // The question names the mailbox that holds it as it is named now, or says it was removed from the list,
    // which an undo does not undo for what the window never kept.
    const std::string held =
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Quota>5</Quota></Mailbox><Mailbox><Name>c</Name>"
        "</Mailbox></Mailboxes></ResponseHandler>";
    OpenOn(held);
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", SaveAs("a2"));
    s.prompts.ExpectYesNo(QuotaLeftOut(master, "a2"), Answer::No);
    main.UserClick("cmdEditMailbox");
    main.UserSelect("lstMailboxes", {1});
    const std::string removed =
        "The file " + master +
        " holds what this window does not keep, and a save would leave it out: the element "
        "ResponseHandler/Mailboxes/Mailbox/Quota. The mailbox removed from the list that held an element left "
        "out: \"a2\" (Undo puts a mailbox back, but not what it held that this window does not keep). Do you "
        "want to save anyway?";
    s.prompts.ExpectYesNo(ConfirmDelete("a2"), Answer::Yes, "Confirm Delete")
        .ExpectYesNo(removed, Answer::No);
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(ReadFile(master), held);
    main.UserUndo();
    s.prompts.ExpectYesNo(QuotaLeftOut(master, "a2"), Answer::Yes).ExpectMessage("Saved");
    main.UserClick("cmdSave");
    EXPECT_EQ(NamesInFile(), (Names{"c", "a2"}));
}

// A load that stops part-way shows what it read of that file, names that file and writes only that file.
TEST_F(MainWindow, AnotherMasterThatStopsPartWayIsTheOneShownAskedAboutAndWritten) {
    OpenOn(MasterWith({"a1", "a2", "a3"}));
    const std::string a = ReadFile(master);
    const std::string b = cfg + "/b.xml";
    const std::string stops =
        "<ResponseHandler><OnePass>1</OnePass><Mailboxes><Mailbox><Name>b1</Name></Mailbox>"
        "<Mailbox><Name>b1</Name></Mailbox><Mailbox><Name>b2</Name></Mailbox></Mailboxes></ResponseHandler>";
    WriteFile(b, stops);
    s.dialogs.AnswerFile(b);
    s.prompts.ExpectMessageStartingWith(kStopped);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(main.FullPathToMasterConfig(), b);
    EXPECT_EQ(main.caption(), "Main Configuration - incomplete: the file could not be read to the end");
    EXPECT_EQ(Listed(), Names{"b1"});
    EXPECT_TRUE(main.savedValues().OnePass);
    // The Overview draws it as the tool's graph does: alone and not read, for it names more than was read.
    s.windows.Expect("frmOverview", [&](Form& form) {
        EXPECT_EQ(form.Items("lstOverview"), Names{"b.xml (master file) - could not be read"});
        form.UserClick("cmdEscape");
    });
    main.UserClick("cmdOverview");

    // Add: the name already read is taken; the question names b.xml; a No writes nothing, a Yes writes b.xml.
    const std::string question = NotReadToTheEnd(b);
    s.windows.Expect("frmMailbox", SaveAs("b1")).Expect("frmMailbox", SaveAs("new"));
    s.prompts.ExpectMessage(kNameInUse).ExpectYesNo(question, Answer::No);
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(ReadFile(b), stops);
    EXPECT_TRUE(main.changed());  // the window holds a mailbox the file lacks
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Yes)
        .ExpectYesNo(question, Answer::Yes)
        .ExpectMessage("Saved");
    EXPECT_TRUE(main.UserRequestClose());
    EXPECT_EQ(InFile(b, "Mailboxes/Mailbox/Name"), (Names{"b1", "new"}));
    EXPECT_EQ(ReadFile(master), a);
}

// The editor reads its startup master on another thread while the toolkit starts. The window that takes
// that reading says, lists and saves what the window that reads the file itself does: a file that stops
// part-way, one with an element no field keeps; and a reading of another file than the one it opens is
// not taken.
TEST_F(MainWindow, AMasterReadOnAnotherThreadAtStartIsShownAndSavedAsTheWindowReadsIt) {
    const std::string stops =
        "<ResponseHandler><OnePass>1</OnePass><Mailboxes><Mailbox><Name>b2</Name></Mailbox><Mailbox>"
        "<Name>b1</Name></Mailbox><Mailbox><Name>b1</Name></Mailbox></Mailboxes></ResponseHandler>";
    const std::string notKept =
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Quota>5</Quota></Mailbox><Mailbox><Name>c"
        "</Name></Mailbox></Mailboxes></ResponseHandler>";
    struct Shown {
        std::vector<std::string> said;
        Names listed;
        std::string caption;
        std::string saved;
    };
    enum class Reading { ByTheWindow, OnAnotherThread, OfAnotherFile };
    const auto start = [&](const std::string& text, Reading reading) {
        WriteFile(master, text);
        WriteFile(cfg + "/other.xml", MasterWith({"x"}));
        ScriptedServices own{program};
        FrmMain window{own.services};
        if (text == stops) own.prompts.ExpectMessageStartingWith(kStopped);
        if (reading == Reading::ByTheWindow) {
            window.Open(master, temp.path());
        } else {
            const std::string named = reading == Reading::OfAnotherFile ? cfg + "/other.xml" : master;
            std::future<StartupMaster> read = std::async(std::launch::async, [&] {
                return FrmMain::ReadStartupMaster(PathContext(program), named, temp.path());
            });
            window.Open(master, temp.path(), read.get());
        }
        Shown shown{own.prompts.shown, window.Items("lstMailboxes"), window.caption(), ""};
        own.prompts.ExpectYesNo(text == stops ? NotReadToTheEnd(master) : QuotaLeftOut(master), Answer::Yes)
            .ExpectMessage("Saved");
        window.UserClick("cmdSave");
        shown.saved = ReadFile(master);
        return shown;
    };
    for (const std::string& text : {stops, notKept}) {
        const Shown own = start(text, Reading::ByTheWindow);
        EXPECT_EQ(own.listed, text == stops ? (Names{"b2", "b1"}) : (Names{"a", "c"}));
        for (const Reading reading : {Reading::OnAnotherThread, Reading::OfAnotherFile}) {
            const Shown taken = start(text, reading);
            EXPECT_EQ(taken.said, own.said);
            EXPECT_EQ(taken.listed, own.listed);
            EXPECT_EQ(taken.caption, own.caption);
            EXPECT_EQ(taken.saved, own.saved);
        }
    }
}

// Without a master the dialog opens at once; "+" names would turn absolute in a file the user never chose, so
// mailboxes added then stay in the window only, until the user chooses a file and says they go into it.
TEST_F(MainWindow, MailboxesAddedWithoutAMasterFileGoIntoTheFileChosenWhenTheUserSaysSo) {
    const auto addWithoutFile = [&](const std::string& name) {
        // Without a master file, "+" names lead nowhere: the editor is given full paths.
        s.windows.Expect("frmMailbox", [&, name](Form& editor) {
            s.dialogs.AnswerFile(cfg + "/categorization.xml").AnswerFile(cfg + "/disposition.xml");
            editor.UserClick("cmdBrowseCategorization");
            editor.UserClick("cmdBrowseDisposition");
            SaveAs(name)(editor);
        });
        s.prompts.ExpectMessage(
            "No master configuration file is open, so nothing was written. Choose or create one with the "
            "\"...\" button beside the master file name.");
        main.UserClick("cmdAddMailbox");
    };
    s.dialogs.AnswerFile(std::nullopt);
    main.Open("", temp.path());
    EXPECT_EQ(main.Text("txtMasterConfig"), "");
    const FileDialogRequest& first = s.dialogs.requests.at(0);
    EXPECT_EQ(std::tie(first.title, first.pattern, first.filter, first.initialFolder, first.fileName,
                       first.mode, first.refuseReadOnly),
              std::make_tuple("Choose the master config file you wish to open", "*.master.xml",
                              "Master config files(*.master.xml)|*master.xml|All xml files(*.xml)|*.xml",
                              std::string(std::getenv("HOME")), "master.xml", FileCheck::NoCheck, true));
    // Save says there is nowhere to write, and leaves the window as it was: unchanged, closing asks nothing.
    s.prompts.ExpectMessage(
        "No master configuration file is open, so nothing was written. Choose or create one with the "
        "\"...\" button beside the master file name.");
    main.UserClick("cmdSave");
    EXPECT_FALSE(main.changed());
    addWithoutFile("early");
    EXPECT_EQ(Listed(), Names{"early"});
    EXPECT_FALSE(std::filesystem::exists(program + "/config"));
    addWithoutFile("one");
    EXPECT_TRUE(main.changed());
    WriteFile(master, MasterWith({"one"}));
    const std::string question =
        "No master configuration file was open, so these mailboxes are not saved in any file: \"early\" and "
        "\"one\". Do you want to add them to " +
        master + "? No opens the file without them, and they are lost.";

    // Cancel: nothing is opened and nothing is lost.
    s.dialogs.AnswerFile(master);
    s.prompts.ExpectYesNoCancel(question, Answer::Cancel);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(std::make_tuple(main.Text("txtMasterConfig"), Listed()),
              std::make_tuple("", Names{"early", "one"}));

    // Yes: both are added; the one whose name the file has already goes through the editor again.
    s.dialogs.AnswerFile(master);
    s.prompts.ExpectYesNoCancel(question, Answer::Yes).ExpectMessage(kNameInUse).ExpectMessage("Saved");
    s.windows.Expect("frmMailbox", SaveAs("uno"));
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(NamesInFile(), (Names{"one", "early", "uno"}));
    EXPECT_EQ(Listed(), (Names{"one", "early", "uno"}));
    EXPECT_FALSE(main.changed());
}

TEST_F(MainWindow, AFileChangedByAnotherProgramIsOverwrittenOnlyWhenTheUserSaysSo) {
    OpenOn(MasterWith({"one"}));
    main.UserClick("cmdMoreLess");
    main.UserClick("chkOnePass");
    // The same bytes written again (a touch, a copy) are no change: no question.
    WriteFile(master, ReadFile(master));
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdSave");

    main.UserClick("chkOnePass");
    // Another program's save of the same length within the same tick of the clock leaves size and time as
    // they were: only the content tells that the file changed.
    struct stat before {};
    ASSERT_EQ(::stat(master.c_str(), &before), 0);
    std::string theirs = ReadFile(master);
    theirs.replace(theirs.find("<Name>one</Name>"), 16, "<Name>two</Name>");
    WriteFile(master, theirs);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, master.c_str(), times, 0), 0);
    // Cancel: nothing written, the edits kept.
    s.prompts.ExpectChangedMeanwhile(master, Answer::Cancel);
    main.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(master), theirs);
    EXPECT_TRUE(main.changed() && !main.Checked("chkOnePass"));
    // No: the file is read again.
    s.prompts.ExpectChangedMeanwhile(master, Answer::No);
    main.UserClick("cmdSave");
    EXPECT_EQ(Listed(), (Names{"two"}));
    EXPECT_FALSE(main.changed());
    // A mailbox operation writes the file as well, and asks the same; Yes overwrites.
    WriteFile(master, MasterWith({"one"}));
    s.windows.Expect("frmMailbox", SaveAs("mine"));
    s.prompts.ExpectChangedMeanwhile(master, Answer::Yes).ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(NamesInFile(), (Names{"two", "mine"}));
    // No, with the file gone: it cannot be read again, so the window keeps what it shows, which is in no
    // file, and closing asks.
    main.UserClick("chkOnePass");
    const bool onePass = main.Checked("chkOnePass");
    std::filesystem::remove(master);
    s.prompts.ExpectChangedMeanwhile(master, Answer::No, "removed");
    main.UserClick("cmdSave");
    EXPECT_TRUE(main.changed() && main.Checked("chkOnePass") == onePass);
    EXPECT_FALSE(std::filesystem::exists(master));
}

// Written again after another program removed it, the master keeps its names relative to its folder: "+"
// is that folder whether or not the file is there, never a folder below the file's own name.
TEST_F(MainWindow, AMasterWrittenAgainAfterItWasRemovedKeepsItsFolderNames) {
    OpenOn(
        "<ResponseHandler><MonitorConfigFile>+/monitor.xml</MonitorConfigFile><Mailboxes><Mailbox><Name>one"
        "</Name><DispositionFileName>+/disposition.xml</DispositionFileName></Mailbox></Mailboxes>"
        "</ResponseHandler>");
    main.UserClick("cmdMoreLess");
    main.UserClick("chkOnePass");
    std::filesystem::remove(master);
    s.prompts.ExpectChangedMeanwhile(master, Answer::Yes, "removed").ExpectMessage("Saved");
    main.UserClick("cmdSave");
    EXPECT_EQ(std::make_tuple(InFile(master, "MonitorConfigFile"),
                              InFile(master, "Mailboxes/Mailbox/DispositionFileName")),
              std::make_tuple(Names{"+/monitor.xml"}, Names{"+/disposition.xml"}));
}

TEST_F(MainWindow, OpeningAnotherMasterAsksFirstWhenThereAreUnsavedEdits) {
    OpenOn(MasterWith({"one"}));
    main.UserClick("cmdMoreLess");
    main.UserClick("chkOnePass");
    const std::string other = cfg + "/other.xml";
    WriteFile(other, MasterWith({"two"}));
    s.dialogs.AnswerFile(other);
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Cancel);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(std::make_tuple(main.FullPathToMasterConfig(), Listed()),
              std::make_tuple(master, Names{"one"}));
    // A new file is made only once the switch goes ahead: cancelled, it leaves nothing behind.
    const std::string fresh = cfg + "/fresh.master.xml";
    const std::string create = fresh + "\nFile does not exist, do you want to create it?";
    s.dialogs.AnswerFile(fresh);
    s.prompts.ExpectYesNo(create, Answer::Yes).ExpectYesNoCancel(kUnsaved, Answer::Cancel);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(std::make_tuple(main.FullPathToMasterConfig(), std::filesystem::exists(fresh)),
              std::make_tuple(master, false));

    s.dialogs.AnswerFile(other);
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Yes).ExpectMessage("Saved");
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(InFile(master, "OnePass"), Names{"1"});
    EXPECT_EQ(std::make_tuple(main.FullPathToMasterConfig(), Listed()), std::make_tuple(other, Names{"two"}));

    // A folder chosen as the master file is reported and changes nothing.
    s.dialogs.AnswerFile(cfg);
    s.prompts.ExpectMessage("Unexpected error in LoadFile=75:Cannot read " + cfg + ": it is a folder");
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(main.FullPathToMasterConfig(), other);

    s.dialogs.AnswerFile(fresh);
    s.prompts.ExpectYesNo(create, Answer::Yes);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(std::make_tuple(main.FullPathToMasterConfig(), Listed(), ReadFile(fresh)),
              std::make_tuple(fresh, Names{}, MasterConfiguration::SkeletonText()));
}

// The Overview is drawn anew after what was opened from it: a mailbox renamed there shows under its new
// name; a line drawn before the rename says that its mailbox is no longer in the list.
TEST_F(MainWindow, TheOverviewFollowsARenameMadeFromItAndSaysWhenAMailboxIsGone) {
    OpenOn(MasterWith({"Sales", "Support"}));
    s.windows.Expect("frmOverview", [&](Form& form) {
        auto& overview = dynamic_cast<FrmOverview&>(form);
        const ReferenceGraph before = overview.graph();
        const auto open = [&](const std::string& line) {
            const Names& lines = overview.Items("lstOverview");
            overview.UserSelect("lstOverview", {static_cast<int>(std::find(lines.begin(), lines.end(), line) -
                                                                 lines.begin())});
            overview.UserDoubleClick("lstOverview");
        };
        s.prompts.ExpectMessage("Saved");
        open("Sales (mailbox)");
        Names mailboxes;
        for (const std::string& line : overview.Items("lstOverview"))
            if (line.ends_with(" (mailbox)")) mailboxes.push_back(line);
        EXPECT_EQ(mailboxes, (Names{"Support (mailbox)", "SalesNew (mailbox)"}));
        // The keys go on from the mailbox opened, under its new name.
        const Names& lines = overview.Items("lstOverview");
        EXPECT_EQ(overview.Selection("lstOverview"),
                  std::vector<int>{static_cast<int>(
                      std::find(lines.begin(), lines.end(), "SalesNew (mailbox)") - lines.begin())});

        overview.Redraw(before);
        s.prompts.ExpectMessage("The mailbox \"Sales\" is no longer in the list of " + master +
                                ": it was renamed or removed since the Overview was drawn.");
        open("Sales (mailbox)");
        overview.UserClick("cmdEscape");
    });
    s.windows.Expect("frmMailbox", SaveAs("SalesNew"));
    main.UserClick("cmdOverview");
    EXPECT_EQ(s.windows.shown, (Names{"frmOverview", "frmMailbox"}));
}

// The Overview draws the master as the window shows it: a mailbox an undo put back in the list, and the
// monitor configuration file the box names, not yet saved; double-clicking that file opens the one drawn.
TEST_F(MainWindow, TheOverviewDrawsTheMasterAsTheWindowShowsItUnsavedChangesIncluded) {
    OpenOn(
        "<ResponseHandler><MonitorConfigFile>+/monitor.xml</MonitorConfigFile><Mailboxes><Mailbox><Name>"
        "Sales</Name></Mailbox><Mailbox><Name>Support</Name></Mailbox></Mailboxes></ResponseHandler>");
    for (const char* file : {"/monitor.xml", "/other.monitor.xml"})
        WriteFile(cfg + file, "<Monitors>\r\n</Monitors>\r\n");
    main.UserSelect("lstMailboxes", {1});
    s.prompts.ExpectYesNo(ConfirmDelete("Support"), Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");
    main.UserUndo();
    s.dialogs.AnswerFile(cfg + "/other.monitor.xml");
    main.UserClick("cmdBrowseMonitorConfig");
    ASSERT_EQ(NamesInFile(), Names{"Sales"});

    s.windows.Expect("frmOverview", [&](Form& form) {
        auto& overview = dynamic_cast<FrmOverview&>(form);
        const std::vector<GraphNode>& nodes = overview.graph().nodes;
        const auto node = [&](GraphNodeKind kind, const std::string& label) {
            return std::find_if(nodes.begin(), nodes.end(), [&](const GraphNode& n) {
                return n.kind == kind && (label.empty() || n.label == label);
            });
        };
        EXPECT_NE(node(GraphNodeKind::Mailbox, "Support"), nodes.end());
        const auto monitor = node(GraphNodeKind::MonitorConfiguration, "");
        ASSERT_NE(monitor, nodes.end());
        EXPECT_EQ(monitor->path, cfg + "/other.monitor.xml");
        overview.UserSelect("lstOverview", {static_cast<int>(monitor - nodes.begin())});
        overview.UserDoubleClick("lstOverview");
        overview.UserClick("cmdEscape");
    });
    s.windows.Expect("frmMonitor", [&](Form& form) {
        EXPECT_EQ(form.Text("txtFileName"), main.Text("txtMonitorConfigFile"));
        form.UserClick("cmdCancel");
    });
    main.UserClick("cmdOverview");
    EXPECT_EQ(s.windows.shown, (Names{"frmOverview", "frmMonitor"}));
}

// Past what can be laid out in a few seconds, the Overview says so and opens nothing, rather than hold the
// window for longer.
TEST_F(MainWindow, TheOverviewOfAnInstallationTooLargeToDrawIsRefusedAtOnce) {
    std::string many = "<ResponseHandler><Mailboxes>";
    for (int i = 0; i < 1200; ++i) many += "<Mailbox><Name>b" + std::to_string(i) + "</Name></Mailbox>";
    OpenOn(many + "</Mailboxes></ResponseHandler>");
    s.prompts.ExpectMessage(
        "The installation of " + master +
        " has 1207 mailboxes and files, more than the Overview draws (1200): laying them out "
        "would keep the window busy for too long. \"postvane-config-tool graph MASTER\" "
        "writes the whole picture as DOT, for Graphviz.");
    main.UserClick("cmdOverview");
    EXPECT_EQ(s.windows.shown, Names{});
}

TEST_F(MainWindow, MonitorEditOpensTheMonitorWindowOnTheNamedFileOrAsksForOneFirst) {
    OpenOn("<ResponseHandler><MonitorConfigFile>+/mon/ops.monitor.xml</MonitorConfigFile></ResponseHandler>");
    // Missing: said so, then the monitor file's own Browse; cancelling it opens nothing.
    s.prompts.ExpectMessage("Monitor config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(std::nullopt);
    main.UserClick("cmdEditMonitorConfig");
    EXPECT_EQ(s.dialogs.requests.back().title, "Choose the monitor config file you wish to open");

    // Chosen now: created, then opened with the name as the master file holds it.
    s.prompts.ExpectMessage("Monitor config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(cfg + "/mon/ops.monitor.xml");
    std::filesystem::create_directories(cfg + "/mon");
    s.windows.Expect("frmMonitor", [&](Form& form) {
        EXPECT_EQ(form.Text("txtFileName"), "+/mon/ops.monitor.xml");
        EXPECT_TRUE(form.Items("lstMonitors").empty());
        form.UserClick("cmdCancel");
    });
    main.UserClick("cmdEditMonitorConfig");
    EXPECT_EQ(ReadFile(cfg + "/mon/ops.monitor.xml"), "<Monitors>\r\n</Monitors>\r\n");

    // A folder of that name is said to be one, and the choice follows as for a missing file.
    std::filesystem::remove(cfg + "/mon/ops.monitor.xml");
    std::filesystem::create_directory(cfg + "/mon/ops.monitor.xml");
    s.prompts.ExpectMessage("Monitor config file is a folder, not a file: " + cfg + "/mon/ops.monitor.xml");
    s.dialogs.AnswerFile(std::nullopt);
    const size_t asked = s.dialogs.requests.size();
    main.UserClick("cmdEditMonitorConfig");
    EXPECT_EQ(s.dialogs.requests.size(), asked + 1);
}

// What the editor remembers between runs (each FrmMain here is a run sharing one settings store): the masters
// opened lately in the master file box, most recent first, ten of them; one chosen there opens; one that is
// gone is taken off with a word; "Remember nothing between runs" forgets them all. None changes which file
// opens at start.
TEST_F(MainWindow, TheMasterBoxOffersTheLastTenMastersAndRememberingNothingForgetsThem) {
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        files.push_back(cfg + "/m" + std::to_string(i) + ".xml");
        WriteFile(files.back(), MasterWith({"box" + std::to_string(i)}));
    }
    for (const std::string& file : files) FrmMain(s.services).Open(file, temp.path());
    FrmMain run(s.services);
    run.Open(files[3], temp.path());
    const auto recent = [&](std::initializer_list<int> numbers) {
        Names paths;
        for (const int i : numbers) paths.push_back(files[static_cast<size_t>(i)]);
        return paths;
    };
    EXPECT_EQ(run.Items("txtMasterConfig"), recent({3, 11, 10, 9, 8, 7, 6, 5, 4, 2}));

    run.UserSelect("txtMasterConfig", {2});
    EXPECT_EQ(std::make_tuple(run.Text("txtMasterConfig"), run.Items("lstMailboxes"),
                              run.Selection("txtMasterConfig")),
              std::make_tuple(files[10], Names{"box10"}, std::vector<int>{}));
    EXPECT_EQ(run.Items("txtMasterConfig"), recent({10, 3, 11, 9, 8, 7, 6, 5, 4, 2}));

    std::filesystem::remove(files[5]);
    s.prompts.ExpectMessage("The master configuration file " + files[5] +
                            " no longer exists; it is taken off the list of recent files.");
    run.UserSelect("txtMasterConfig", {7});
    EXPECT_EQ(run.Text("txtMasterConfig"), files[10]);
    EXPECT_EQ(run.Items("txtMasterConfig"), recent({10, 3, 11, 9, 8, 7, 6, 4, 2}));
    // One that is there but cannot be read is not gone: its load says why, and it stays on the list.
    std::filesystem::remove(files[6]);
    std::filesystem::create_directory(files[6]);
    s.prompts.ExpectMessage("Unexpected error in LoadFile=75:Cannot read " + files[6] + ": it is a folder");
    run.UserSelect("txtMasterConfig", {6});
    EXPECT_EQ(run.Text("txtMasterConfig"), files[10]);
    EXPECT_EQ(run.Items("txtMasterConfig"), recent({10, 3, 11, 9, 8, 7, 6, 4, 2}));

    EXPECT_FALSE(run.Checked("chkRememberNothing"));
    // Forgetting what was kept keeps the review the box beside still shows ticked, for this run.
    run.UserClick("chkReviewChanges");
    run.UserClick("chkRememberNothing");
    EXPECT_EQ(std::make_tuple(run.Items("txtMasterConfig"), s.settings.Everything()),
              std::make_tuple(Names{}, std::map<std::string, std::string>{{"reviewBeforeSaving", "on"}}));
    FrmMain later(s.services);
    later.Open(files[1], temp.path());
    EXPECT_EQ(std::make_tuple(later.Checked("chkRememberNothing"), later.Checked("chkReviewChanges"),
                              later.Text("txtMasterConfig")),
              std::make_tuple(true, true, files[1]));
    // A run that may keep nothing (--no-settings) shows the choice made and cannot change it.
    MemorySettings nothing(false);
    Services services{s.services.paths, s.prompts, s.dialogs, s.windows, s.launcher,
                      s.clipboard,      s.editors, nothing,   s.review};
    FrmMain bare(services);
    EXPECT_EQ(std::make_tuple(bare.Checked("chkRememberNothing"), bare.Enabled("chkRememberNothing"),
                              bare.Checked("chkReviewChanges")),
              std::make_tuple(true, false, false));
    // ... but the review can be chosen in it, for the run; its settings cannot be made to keep anything.
    bare.UserClick("chkReviewChanges");
    EXPECT_EQ(nothing.Everything(), (std::map<std::string, std::string>{{"reviewBeforeSaving", "on"}}));
    nothing.SetKeeping(true);
    EXPECT_FALSE(nothing.Keeping());
}

// The advanced area opens as the last run left it; file dialogs start beside the named file, else beside the
// master, never in the program's own folder.
TEST_F(MainWindow, TheAdvancedAreaOpensAsItWasLeftAndDialogsStartNearTheFiles) {
    WriteFile(cfg + "/types/.keep", "");
    OpenOn(
        "<ResponseHandler><DispositionTypesFile>+/types/new.dispositiontypes.xml</DispositionTypesFile>"
        "<DispositionTypesFile>+/missing/new.dispositiontypes.xml</DispositionTypesFile>"
        "<MessageFieldsFile>./fields.xml</MessageFieldsFile></ResponseHandler>");
    EXPECT_FALSE(main.Visible("txtDispositionTypes1"));
    main.UserClick("cmdMoreLess");
    FrmMain second(s.services);
    EXPECT_TRUE(second.Visible("txtDispositionTypes1"));
    second.UserClick("cmdMoreLess");
    EXPECT_FALSE(FrmMain(s.services).Visible("txtDispositionTypes1"));

    s.dialogs.AnswerFile(std::nullopt).AnswerFile(std::nullopt).AnswerFile(std::nullopt);
    main.UserClick("cmdBrowseDispositionType");
    main.UserClick("cmdBrowseDispositionType2");
    // "./fields.xml" lies in the program's folder: not where a dialog starts.
    main.UserClick("cmdBrowseMessageFields");
    std::vector<std::pair<std::string, std::string>> starts;
    for (const FileDialogRequest& r : s.dialogs.requests) starts.emplace_back(r.initialFolder, r.fileName);
    EXPECT_EQ(starts,
              (std::vector<std::pair<std::string, std::string>>{{cfg + "/types", "new.dispositiontypes.xml"},
                                                                {cfg, "systemDispositionTypes.xml"},
                                                                {cfg, "customMessageFields.xml"}}));
}

}  // namespace
}  // namespace pv
