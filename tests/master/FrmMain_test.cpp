#include "master/FrmMain.h"

#include <gtest/gtest.h>

#include "core/xml.h"
#include "mailbox/CMailbox.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

constexpr const char* kUnsaved = "There are unsaved changes, do you wish to save them?";
constexpr const char* kNameInUse = "The mailbox name you specified is already in use, please choose another";
constexpr const char* kConfirmDelete =
    "Are you sure you want to remove the selected mailboxes?  This cannot be undone";

// A master file whose mailboxes hold only their names: every other value is a default that passes the
// mailbox editor's checks, given the two files below beside the master.
std::string MasterWith(std::initializer_list<std::string> names) {
    std::string text = "<ResponseHandler><Mailboxes>";
    for (const auto& name : names) text += "<Mailbox><Name>" + name + "</Name></Mailbox>";
    return text + "</Mailboxes></ResponseHandler>";
}

std::vector<std::string> NamesInFile(const std::string& path) {
    const XmlFile file = LoadXmlFile(path);
    std::vector<std::string> names;
    for (const XmlNode& node : SelectNodeList(file.root(), "ResponseHandler/Mailboxes/Mailbox")) {
        names.push_back(ReadNodeText(node, "Name", "?"));
    }
    return names;
}

std::function<void(Form&)> SaveAs(const std::string& name) {
    return [name](Form& editor) {
        editor.UserSetText("txtMailboxName", name);
        editor.UserClick("cmdSave");
    };
}

void Discard(Form& editor) {
    editor.UserClick("cmdCancel");
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
    std::vector<std::string> Listed() const { return main.Items("lstMailboxes"); }
};

TEST(CommandLineMasterPath, RelativeTextsBelongToTheCurrentDirectory) {
    EXPECT_EQ(CommandLineMasterPath("", "/home/ann"), "");
    EXPECT_EQ(CommandLineMasterPath("cfg/master.xml", "/home/ann"), "/home/ann/cfg/master.xml");
    EXPECT_EQ(CommandLineMasterPath("./cfg/../x/my master.xml", "/home/ann"), "/home/ann/x/my master.xml");
    EXPECT_EQ(CommandLineMasterPath("/etc/postvane/master.xml", "/home/ann"), "/etc/postvane/master.xml");
}

TEST_F(MainWindow, OpensTheCommandLineFileMadeAbsolute) {
    WriteFile(master, MasterWith({"one", "two"}));
    main.Open("./cfg/master.xml", temp.path());
    EXPECT_EQ(main.Text("txtMasterConfig"), master);
    EXPECT_EQ(main.FullPathToMasterConfig(), master);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(main.changed());
    EXPECT_EQ(main.caption(), "Main Configuration");
    EXPECT_FALSE(main.selectAllOnFocus());
    // "+" names now resolve against the file that was loaded, not against the program directory.
    EXPECT_EQ(main.Text("txtMonitorConfigFile"), "+/monitor.xml");
}

TEST_F(MainWindow, AQuotedCommandLineIsNoFileAndTheDefaultMasterIsTried) {
    WriteFile(master, MasterWith({"quoted"}));
    WriteFile(program + "/config/master.xml", MasterWith({"default"}));
    main.Open("\"" + master + "\"", temp.path());
    EXPECT_EQ(main.Text("txtMasterConfig"), ".\\config\\master.xml");
    EXPECT_EQ(Listed(), std::vector<std::string>{"default"});
}

TEST_F(MainWindow, WithoutAnyMasterTheDialogOpensAtOnceAndCanCreateOne) {
    s.dialogs.AnswerFile(std::nullopt);
    main.Open("", temp.path());
    EXPECT_EQ(main.Text("txtMasterConfig"), "");
    EXPECT_TRUE(Listed().empty());
    ASSERT_EQ(s.dialogs.requests.size(), 1u);
    const FileDialogRequest& first = s.dialogs.requests[0];
    EXPECT_EQ(first.title, "Choose the master config file you wish to open");
    EXPECT_EQ(first.pattern, "*.master.xml");
    EXPECT_EQ(first.filter, "Master config files(*.master.xml)|*master.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(first.mode, FileCheck::NoCheck);
    EXPECT_TRUE(first.refuseReadOnly);
    EXPECT_EQ(first.initialFolder, program);
    EXPECT_EQ(first.fileName, "master.xml");

    // With no master file open, nothing is written anywhere; the new mailbox stays in the window.
    s.windows.Expect("frmMailbox", [&](Form& editor) {
        s.dialogs.AnswerFile(cfg + "/categorization.xml").AnswerFile(cfg + "/disposition.xml");
        editor.UserClick("cmdBrowseCategorization");
        editor.UserClick("cmdBrowseDisposition");
        EXPECT_EQ(editor.Text("txtDisposition"), cfg + "/disposition.xml");
        SaveAs("early")(editor);
    });
    s.prompts.ExpectMessage(
        "No master configuration file is open, so nothing was written. Choose or create one with the \"...\" "
        "button beside the master file name.");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(Listed(), std::vector<std::string>{"early"});
    EXPECT_FALSE(std::filesystem::exists(program + "/config"));

    // A new file: No leaves everything as it is, Yes writes the skeleton and loads it.
    WriteFile(program + "/config/.keep", "");
    const std::string created = program + "/config/site.master.xml";
    s.dialogs.AnswerFile(created);
    s.prompts.ExpectYesNo("File does not exist, do you want to create it?", Answer::No);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(s.dialogs.requests[3].initialFolder, program + "/config");
    EXPECT_FALSE(std::filesystem::exists(created));
    EXPECT_EQ(main.Text("txtMasterConfig"), "");

    s.dialogs.AnswerFile(created);
    s.prompts.ExpectYesNo("File does not exist, do you want to create it?", Answer::Yes);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(ReadFile(created), MasterConfiguration::SkeletonText());
    EXPECT_EQ(main.Text("txtMasterConfig"), "./config/site.master.xml");
    EXPECT_EQ(main.Text("txtMonitorConfigFile"), "+/monitor.xml");
    EXPECT_EQ(main.Text("txtDispositionTypes1"), "+/customDispositionTypes.xml");
    EXPECT_EQ(main.Text("txtDispositionTypes2"), "+/systemDispositionTypes.xml");
    EXPECT_EQ(main.Text("txtMessageFields2"), "+/systemMessageFields.xml");
    EXPECT_FALSE(main.changed());

    // Once a master exists, the dialog starts at it.
    s.dialogs.AnswerFile(std::nullopt);
    main.UserClick("cmdBrowseMasterConfig");
    EXPECT_EQ(s.dialogs.requests.back().initialFolder, program + "/./config");
    EXPECT_EQ(s.dialogs.requests.back().fileName, "site.master.xml");
}

TEST_F(MainWindow, FoldingShowsAndHidesTheAdvancedControlsOnly) {
    OpenOn(MasterWith({}));
    const std::vector<std::string> advanced = {"Label5",
                                               "txtDispositionTypes1",
                                               "txtDispositionTypes2",
                                               "cmdBrowseDispositionType",
                                               "cmdBrowseDispositionType2",
                                               "Label6",
                                               "txtCategoryDefinitions1",
                                               "txtCategoryDefinitions2",
                                               "cmdBrowseCategoryDefinition",
                                               "cmdBrowseCategoryDefinition2",
                                               "Label7",
                                               "txtMessageFields1",
                                               "txtMessageFields2",
                                               "cmdBrowseMessageFields",
                                               "cmdBrowseMessageFields2",
                                               "chkOnePass"};
    const auto expectShown = [&](bool shown) {
        EXPECT_EQ(main.advancedShown(), shown);
        for (const auto& name : advanced) EXPECT_EQ(main.Visible(name), shown) << name;
        for (const char* name : {"txtMasterConfig", "lstMailboxes", "cmdMoreLess", "lineBottom"}) {
            EXPECT_TRUE(main.Visible(name)) << name;
        }
        EXPECT_FALSE(main.Visible("cmdEscape"));
    };
    expectShown(false);
    EXPECT_EQ(main.Text("cmdMoreLess"), "Advanced Settings");
    main.UserClick("chkOnePass");  // out of sight, out of reach
    EXPECT_FALSE(main.Checked("chkOnePass"));

    main.UserClick("cmdMoreLess");
    expectShown(true);
    EXPECT_EQ(main.Text("cmdMoreLess"), "Basic Settings");
    main.UserClick("cmdMoreLess");
    expectShown(false);
    EXPECT_EQ(main.Text("cmdMoreLess"), "Advanced Settings");
}

TEST_F(MainWindow, ChangesAskBeforeClosingAndReloadDiscardsThem) {
    OpenOn(MasterWith({}));
    const std::string before = ReadFile(master);
    main.UserPressEscape();
    EXPECT_TRUE(main.IsClosed());

    main.Reopen();
    main.UserClick("cmdMoreLess");
    main.UserClick("chkOnePass");
    EXPECT_TRUE(main.changed());
    s.prompts.ExpectYesNoCancel(kUnsaved, Answer::Cancel);
    main.UserPressEscape();
    EXPECT_FALSE(main.IsClosed());

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
    EXPECT_EQ(ReadFile(master),
              CrLf({"<ResponseHandler>", "\t<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>",
                    "\t<DispositionTypesFile>+/dispositionTypes.xml</DispositionTypesFile>",
                    "\t<CategoryDefinitionsFile>+/categoryDefinitions.xml</CategoryDefinitionsFile>",
                    "\t<MessageFieldsFile>+/MessageFields.xml</MessageFieldsFile>", "\t<OnePass>1</OnePass>",
                    "\t<Mailboxes>", "\t</Mailboxes>", "</ResponseHandler>", ""}));
}

TEST_F(MainWindow, CatalogueBrowseButtonsFollowTheFileChoicePattern) {
    OpenOn(MasterWith({}));
    main.UserClick("cmdMoreLess");
    struct Case {
        const char* button;
        const char* textBox;
        const char* pattern;
        const char* filter;
        const char* title;
        const char* defaultName;
    };
    const char* types =
        "DispositionTypes config files(*.dispositiontypes.xml)|*dispositiontypes.xml|"
        "All xml files(*.xml)|*.xml";
    const char* categories =
        "CategoryDefinitions config files(*.categorydefinitions.xml)|*categorydefinitions.xml|"
        "All xml files(*.xml)|*.xml";
    const char* fields =
        "MessageFields config files(*.messagefields.xml)|*messagefields.xml|All xml files(*.xml)|*.xml";
    const Case cases[] = {
        {"cmdBrowseDispositionType", "txtDispositionTypes1", "*.dispositiontypes.xml", types,
         "Choose the disposition types file you wish to use", "customDispositionTypes.xml"},
        {"cmdBrowseDispositionType2", "txtDispositionTypes2", "*.dispositiontypes.xml", types,
         "Choose the disposition types file you wish to use", "systemDispositionTypes.xml"},
        {"cmdBrowseCategoryDefinition", "txtCategoryDefinitions1", "*.categorydefinitions.xml", categories,
         "Choose the category definitions file you wish to use", "customCategoryDefinitions.xml"},
        {"cmdBrowseCategoryDefinition2", "txtCategoryDefinitions2", "*.categorydefinitions.xml", categories,
         "Choose the category definitions file you wish to use", "systemCategoryDefinitions.xml"},
        {"cmdBrowseMessageFields", "txtMessageFields1", "*.messagefields.xml", fields,
         "Choose the message fields file you wish to use", "customMessageFields.xml"},
        {"cmdBrowseMessageFields2", "txtMessageFields2", "*.messagefields.xml", fields,
         "Choose the message fields file you wish to use", "systemMessageFields.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        main.UserClick("cmdReload");
        ASSERT_FALSE(main.changed());
        s.dialogs.AnswerFile(cfg + "/sub/chosen.xml");
        main.UserClick(c.button);
        const FileDialogRequest& request = s.dialogs.requests.back();
        EXPECT_EQ(request.pattern, c.pattern);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ(request.title, c.title);
        EXPECT_EQ(request.fileName, c.defaultName);
        EXPECT_EQ(request.initialFolder, program);
        EXPECT_EQ(request.mode, FileCheck::MustExist);
        EXPECT_EQ(main.Text(c.textBox), "+/sub/chosen.xml");
        // The first box of a pair marks the window changed, as the second does.
        EXPECT_TRUE(main.changed());
    }
    // A cancelled dialog changes nothing.
    main.UserClick("cmdReload");
    s.dialogs.AnswerFile(std::nullopt);
    main.UserClick("cmdBrowseMessageFields");
    EXPECT_EQ(main.Text("txtMessageFields1"), "+/MessageFields.xml");
    EXPECT_FALSE(main.changed());
}

TEST_F(MainWindow, ANewMonitorFileIsCreatedAndWrittenOnlyOnSave) {
    OpenOn(MasterWith({"one"}));
    s.dialogs.AnswerFile(cfg + "/ops.monitor.xml");
    main.UserClick("cmdBrowseMonitorConfig");
    const FileDialogRequest& request = s.dialogs.requests.at(0);
    EXPECT_EQ(request.title, "Choose the monitor config file you wish to open");
    EXPECT_EQ(request.pattern, "*.monitor.xml");
    EXPECT_EQ(request.filter, "Monitor config files(*.monitor.xml)|*monitor.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.fileName, "monitor.xml");
    EXPECT_EQ(request.mode, FileCheck::CreatePrompt);
    EXPECT_EQ(main.Text("txtMonitorConfigFile"), "+/ops.monitor.xml");
    EXPECT_EQ(ReadFile(cfg + "/ops.monitor.xml"), "<Monitors>\r\n</Monitors>\r\n");
    EXPECT_TRUE(main.changed());

    // A mailbox operation writes the saved values: the monitor file as it was loaded.
    s.windows.Expect("frmMailbox", SaveAs("two"));
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(NamesInFile(master), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(ReadNodeText(LoadXmlFile(master).root(), "ResponseHandler/MonitorConfigFile", ""),
              "+/monitor.xml");
    EXPECT_TRUE(main.changed());

    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdSave");
    EXPECT_EQ(ReadNodeText(LoadXmlFile(master).root(), "ResponseHandler/MonitorConfigFile", ""),
              "+/ops.monitor.xml");
    EXPECT_FALSE(main.changed());
}

TEST_F(MainWindow, EditMonitorConfigChoosesAMissingFileAndOtherwiseSaysTheEditorIsNotThere) {
    OpenOn(MasterWith({}));
    s.prompts.ExpectMessage("Monitor config file doesn't exist, please choose another");
    s.dialogs.AnswerFile(std::nullopt);
    main.UserClick("cmdEditMonitorConfig");
    EXPECT_FALSE(main.changed());

    WriteFile(cfg + "/monitor.xml", "<Monitors>\r\n</Monitors>\r\n");
    s.prompts.ExpectMessage("The monitor configuration editor is not available in this version. Edit " + cfg +
                            "/monitor.xml with a text editor.");
    main.UserClick("cmdEditMonitorConfig");
    EXPECT_TRUE(s.windows.shown.empty());
}

TEST_F(MainWindow, EditTakesTheSelectedOrTheOnlyMailbox) {
    OpenOn(MasterWith({"only"}));
    s.windows.Expect("frmMailbox", [](Form& editor) {
        EXPECT_EQ(editor.Text("txtMailboxName"), "only");
        Discard(editor);
    });
    main.UserClick("cmdEditMailbox");

    OpenOn(MasterWith({"one", "two"}));
    s.prompts.ExpectMessage("Please select exactly one mailbox to edit");
    main.UserClick("cmdEditMailbox");

    main.UserSelect("lstMailboxes", {1});
    s.windows.Expect("frmMailbox", [](Form& editor) {
        EXPECT_EQ(editor.Text("txtMailboxName"), "two");
        editor.UserPressEscape();
    });
    main.UserDoubleClick("lstMailboxes");
    EXPECT_EQ(s.windows.shown.size(), 2u);
}

TEST_F(MainWindow, RenamingMovesTheMailboxToTheEndAndAPlainEditKeepsItsPlace) {
    OpenOn(MasterWith({"one", "two", "three"}));
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtHost", "mail.example.com");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(NamesInFile(master), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(main.mailboxes().Find("one")->sHost, "mail.example.com");

    CMailbox* const record = main.mailboxes().Find("one");
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", SaveAs("uno"));
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"two", "three", "uno"}));
    EXPECT_EQ(NamesInFile(master), (std::vector<std::string>{"two", "three", "uno"}));
    // The same record, under its new name.
    EXPECT_EQ(main.mailboxes().Find("uno"), record);
    EXPECT_FALSE(record->Changed);
}

TEST_F(MainWindow, RenamingToATakenNameIsRefusedAndADiscardLeavesTheRecordAsItWas) {
    OpenOn(MasterWith({"one", "two"}));
    const std::string before = ReadFile(master);
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtMailboxName", "two");
        editor.UserSetText("txtThreads", "9");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectMessage(kNameInUse);
    s.windows.Expect("frmMailbox", [](Form& editor) {
        // The user's input is still there.
        EXPECT_EQ(editor.Text("txtMailboxName"), "two");
        EXPECT_EQ(editor.Text("txtThreads"), "9");
        Discard(editor);
    });
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(main.mailboxes().Keys(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(main.mailboxes().Find("one")->sName, "one");
    EXPECT_EQ(main.mailboxes().Find("one")->nThreads, 1);
    EXPECT_EQ(main.mailboxes().Find("two")->nThreads, 1);
    EXPECT_EQ(ReadFile(master), before);

    // A failed check that stored the numbers already, then a discard: nothing reaches the record either.
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtThreads", "4");
        editor.UserSetText("txtMailboxName", "");
        editor.UserClick("cmdSave");
        Discard(editor);
    });
    s.prompts.ExpectMessage("Mailbox name is missing");
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(main.mailboxes().Find("one")->nThreads, 1);

    // Taken, then a free name: stored.
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", SaveAs("two"));
    s.prompts.ExpectMessage(kNameInUse);
    s.windows.Expect("frmMailbox", SaveAs("uno"));
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(NamesInFile(master), (std::vector<std::string>{"two", "uno"}));
}

TEST_F(MainWindow, AddStoresOnlyWhatTheEditorStoredUnderAFreeName) {
    OpenOn(MasterWith({"one"}));
    const std::string before = ReadFile(master);
    s.windows.Expect("frmMailbox", [](Form& editor) {
        EXPECT_EQ(editor.Text("txtMailboxName"), "Your Mailbox Name");
        editor.UserSetText("txtMailboxName", "new");
        Discard(editor);
    });
    main.UserClick("cmdAddMailbox");
    // Escape on the untouched editor stores nothing either.
    s.windows.Expect("frmMailbox", [](Form& editor) { editor.UserPressEscape(); });
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(main.mailboxes().Keys(), std::vector<std::string>{"one"});
    EXPECT_EQ(ReadFile(master), before);

    s.windows.Expect("frmMailbox", SaveAs("one"));
    s.prompts.ExpectMessage(kNameInUse);
    s.windows.Expect("frmMailbox", [](Form& editor) {
        EXPECT_EQ(editor.Text("txtMailboxName"), "one");
        editor.UserSetText("txtMailboxName", "two");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectMessage("Saved");
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(NamesInFile(master), (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(main.mailboxes().Find("two")->Changed);
}

TEST_F(MainWindow, DeleteAsksAndSelectsTheEntryThatTookThePlace) {
    OpenOn(MasterWith({"a", "b", "c"}));
    s.prompts.ExpectMessage("No mailboxes selected");
    main.UserClick("cmdDeleteMailbox");

    main.UserSelect("lstMailboxes", {1});
    s.prompts.ExpectYesNo(kConfirmDelete, Answer::No, "Confirm Delete");
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(Listed().size(), 3u);

    s.prompts.ExpectYesNo(kConfirmDelete, Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(main.Selection("lstMailboxes"), std::vector<int>{1});

    s.prompts.ExpectYesNo(kConfirmDelete, Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(Listed(), std::vector<std::string>{"a"});
    EXPECT_EQ(main.Selection("lstMailboxes"), std::vector<int>{0});

    s.prompts.ExpectYesNo(kConfirmDelete, Answer::Yes, "Confirm Delete").ExpectMessage("Saved");
    main.UserClick("cmdDeleteMailbox");
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(main.Selection("lstMailboxes").empty());
    EXPECT_NE(ReadFile(master).find("\t<Mailboxes>\r\n\t</Mailboxes>\r\n"), std::string::npos);
}

TEST_F(MainWindow, AFileThatIsNotWellFormedShowsDefaultsAndIsOverwrittenOnlyWhenTheUserSaysSo) {
    const std::string broken = "<ResponseHandler><MonitorConfigFile>+/ops.xml</MonitorConfigFile><Mailboxes>";
    WriteFile(master, broken);
    s.prompts.ExpectMessageStartingWith("The file " + master + " is not well-formed XML");
    main.Open(master, temp.path());
    EXPECT_TRUE(main.showingDefaults());
    EXPECT_EQ(main.caption(), "Main Configuration - defaults shown: the file could not be read");
    EXPECT_EQ(main.Text("txtMonitorConfigFile"), "+/monitor.xml");

    const std::string question = "The master file " + master +
                                 " could not be read, so this window shows default values. Do you want to "
                                 "overwrite the file with what this window shows?";
    s.windows.Expect("frmMailbox", SaveAs("new"));
    s.prompts.ExpectYesNo(question, Answer::No);
    main.UserClick("cmdAddMailbox");
    EXPECT_EQ(ReadFile(master), broken);
    EXPECT_EQ(Listed(), std::vector<std::string>{"new"});
    EXPECT_TRUE(main.showingDefaults());

    main.UserSelect("lstMailboxes", {0});
    s.prompts.ExpectYesNo(kConfirmDelete, Answer::Yes, "Confirm Delete").ExpectYesNo(question, Answer::No);
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(ReadFile(master), broken);

    s.windows.Expect("frmMailbox", SaveAs("kept"));
    s.prompts.ExpectYesNo(question, Answer::No);
    main.UserClick("cmdAddMailbox");
    s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
    main.UserClick("cmdSave");
    EXPECT_FALSE(main.showingDefaults());
    EXPECT_EQ(main.caption(), "Main Configuration");
    EXPECT_EQ(NamesInFile(master), std::vector<std::string>{"kept"});

    // Broken again, then mended by hand: a clean reload ends the state.
    WriteFile(master, broken);
    s.prompts.ExpectMessageStartingWith("The file ");
    main.UserClick("cmdReload");
    EXPECT_TRUE(main.showingDefaults());
    WriteFile(master, MasterWith({"mended"}));
    main.UserClick("cmdReload");
    EXPECT_FALSE(main.showingDefaults());
    EXPECT_EQ(main.caption(), "Main Configuration");
    EXPECT_EQ(Listed(), std::vector<std::string>{"mended"});
}

TEST_F(MainWindow, AfterALoadThatStoppedTheListIsMadeTrueBeforeAMailboxIsTouched) {
    OpenOn(MasterWith({"one", "two"}));
    WriteFile(master,
              "<ResponseHandler><OnePass>1</OnePass><Mailboxes><Mailbox><Name>three</Name></Mailbox>"
              "<Mailbox><Name>three</Name></Mailbox><Mailbox><Name>four</Name></Mailbox>"
              "</Mailboxes></ResponseHandler>");
    const std::string onDisk = ReadFile(master);
    s.prompts.ExpectMessageStartingWith("Unexpected error in LoadFile=457:");
    main.UserClick("cmdReload");
    EXPECT_TRUE(main.loadIncomplete());
    EXPECT_EQ(main.caption(), "Main Configuration - incomplete: the file could not be read to the end");
    // What was read so far is shown; the list and the saved values are not touched.
    EXPECT_TRUE(main.Checked("chkOnePass"));
    EXPECT_TRUE(main.changed());
    EXPECT_FALSE(main.savedValues().OnePass);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(main.mailboxes().Keys(), std::vector<std::string>{"three"});

    const std::string notLoaded =
        "The mailbox \"one\" is no longer loaded. The list now shows the mailboxes that are.";
    main.UserSelect("lstMailboxes", {0});
    s.prompts.ExpectMessage(notLoaded);
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(Listed(), std::vector<std::string>{"three"});
    EXPECT_TRUE(s.windows.shown.empty());

    OpenOn(MasterWith({"one", "two"}));
    WriteFile(master, onDisk);
    s.prompts.ExpectMessageStartingWith("Unexpected error in LoadFile=457:");
    main.UserClick("cmdReload");
    main.UserSelect("lstMailboxes", {0});
    s.prompts.ExpectMessage(notLoaded);
    main.UserClick("cmdDeleteMailbox");
    EXPECT_EQ(Listed(), std::vector<std::string>{"three"});
    EXPECT_EQ(main.mailboxes().Keys(), std::vector<std::string>{"three"});

    // Writing now would lose "four": the user is asked first.
    main.UserSelect("lstMailboxes", {0});
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtHost", "mail.example.com");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectYesNo(
        "The master file " + master +
            " could not be read to the end, so the mailboxes after the one that failed are not "
            "loaded and would be lost. Do you want to overwrite the file with what this window "
            "shows?",
        Answer::No);
    main.UserClick("cmdEditMailbox");
    EXPECT_EQ(ReadFile(master), onDisk);
    EXPECT_EQ(main.mailboxes().Find("three")->sHost, "mail.example.com");
}

}  // namespace
}  // namespace pv
