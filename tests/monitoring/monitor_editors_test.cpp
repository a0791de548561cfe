// The Log, Email monitor and Historical charts editors: the file each keeps, its reading rules and checks,
// and the life they share (opening on an entry, choosing or creating the file, reloading, closing).
#include <gtest/gtest.h>

#include <filesystem>

#include "monitoring/FrmEmailMonitor.h"
#include "monitoring/FrmHistoricalCharts.h"
#include "monitoring/FrmLog.h"
#include "monitoring/MonitorEditors.h"
#include "monitoring/MonitorKit.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using test::CrLf;
using test::MonitorFileKit;
using test::ReadFile;
using test::TestData;
using test::WriteFile;

std::string Data(const std::string& relative) {
    return ReadFile(TestData("monitoring/" + relative));
}

// Saves through the Save button and gives the file written; `heldAlready`: the file held the text, and the
// window says that nothing was written.
std::string SavedBySaveButton(MonitorFileKit& kit, Form& editor, const std::string& file,
                              bool heldAlready = false) {
    if (heldAlready) {
        kit.s.prompts.ExpectSavedUnchanged(file);
    } else {
        kit.s.prompts.ExpectMessage("Saved");
    }
    editor.UserClick("cmdSave");
    EXPECT_FALSE(editor.changed());
    return ReadFile(file);
}

TEST(MonitorFileEditors, EveryElementSetComesBackByteForByte) {
    {
        MonitorFileKit kit;
        fs::create_directories(kit.Cfg("logs"));
        const std::string file = kit.PlaceData("full.log.xml", "log/full.log.xml");
        FrmLog editor(kit.s.services);
        editor.OpenOn(MonitorFileOf(kit.entry));
        EXPECT_EQ(editor.Text("txtLogFile"), "+/logs/server & audit.txt");
        EXPECT_TRUE(editor.Checked("optTrace") && editor.Checked("optEveryTenMinutes") &&
                    editor.Checked("chkLogToConsole"));
        EXPECT_FALSE(editor.changed() || kit.entry.Changed);
        editor.UserClick("optTrace");  // no change of value, but an edit
        EXPECT_EQ(SavedBySaveButton(kit, editor, file, true), Data("log/full.log.xml"));
    }
    {
        MonitorFileKit kit;
        const std::string file = kit.PlaceData("full.emailmonitor.xml", "email/full.emailmonitor.xml");
        FrmEmailMonitor editor(kit.s.services);
        editor.OpenOn(MonitorFileOf(kit.entry));
        EXPECT_EQ(editor.Text("txtAddresses"), "ops@example.net\r\nnight-shift@example.net");
        EXPECT_EQ(SavedBySaveButton(kit, editor, file, true), Data("email/full.emailmonitor.xml"));
    }
    {
        MonitorFileKit kit;
        const std::string file = kit.PlaceData("full.reports.xml", "charts/full.reports.xml");
        FrmHistoricalCharts editor(kit.s.services);
        editor.OpenOn(MonitorFileOf(kit.entry));
        EXPECT_EQ(editor.Text("txtOutputDirectory"), "+/charts/html & png");
        EXPECT_EQ(SavedBySaveButton(kit, editor, file, true), Data("charts/full.reports.xml"));
    }
}

TEST(MonitorFileEditors, SparseAndOlderFilesTakeTheirDefaultsAndEmptyElementsStayEmpty) {
    MonitorFileKit kit;
    fs::create_directories(kit.Cfg("logs"));
    const std::string log = kit.PlaceData("old.log.xml", "log/older.input.log.xml");
    FrmLog logEditor(kit.s.services);
    logEditor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(logEditor.Text("txtLogDaysToBackup"), "7");
    EXPECT_TRUE(logEditor.Checked("optNever") && logEditor.Checked("optError"));
    EXPECT_EQ(SavedBySaveButton(kit, logEditor, log), Data("log/older.expected.log.xml"));

    const std::string email = kit.PlaceData("sparse.emailmonitor.xml", "email/sparse.input.emailmonitor.xml");
    FrmEmailMonitor emailEditor(kit.s.services);
    kit.s.prompts.ExpectMessage("The file " + email +
                                " holds an empty Addresses/Address: it is shown as an empty line, and a save "
                                "leaves it out");
    emailEditor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(SavedBySaveButton(kit, emailEditor, email), Data("email/sparse.expected.emailmonitor.xml"));

    // A file that names its folders by hand: a bare name lies below the program's folder.
    const std::string charts = kit.Place("c.reports.xml",
                                         "<HistoricalCharts><OutputDirectory>reports"
                                         "</OutputDirectory><DataDirectory/></HistoricalCharts>");
    FrmHistoricalCharts chartsEditor(kit.s.services);
    chartsEditor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(SavedBySaveButton(kit, chartsEditor, charts),
              CrLf({"<HistoricalCharts>", "\t<OutputDirectory>./reports</OutputDirectory>",
                    "\t<DataDirectory></DataDirectory>", "</HistoricalCharts>", ""}));
    // Once saved, the box shows the name as the file holds it.
    EXPECT_EQ(chartsEditor.Text("txtOutputDirectory"), "./reports");
    EXPECT_FALSE(chartsEditor.changed());
}

TEST(MonitorFileEditors, LogLevelAndIntervalFollowTheirReadingRules) {
    MonitorFileKit kit;
    FrmLog editor(kit.s.services);
    // A level or interval the window does not know shows as Warnings or Daily, and the window says so.
    const struct {
        std::string elements;
        const char* level;
        const char* interval;
        std::vector<std::string> messages = {};
    } cases[] = {
        {"<LogLevel>errOR and more</LogLevel>", "optError", "optDaily"},
        {"<LogLevel>Debug</LogLevel><LogBackupInterval>hourly</LogBackupInterval>",
         "optWarning",
         "optDaily",
         {"Unrecognized LogLevel=Debug, shown and saved as Warnings",
          "Unrecognized LogBackupInterval=hourly, shown and saved as Daily"}},
        {"<LogLevel></LogLevel><LogBackupInterval>Hourly</LogBackupInterval>", "optWarning", "optHourly"},
        {"<LogLevel>TRACING</LogLevel><LogBackupInterval>Never</LogBackupInterval>", "optTrace", "optNever"},
        {"<LogBackupDaily>0</LogBackupDaily>", "optWarning", "optNever"},
        // A flag is "0" or "1": any other text reads as set, and a save would write "1" in its place.
        {"<LogToConsole>false</LogToConsole>",
         "optWarning",
         "optDaily",
         {"Unrecognized LogToConsole=false, shown and saved as 1"}},
        {"<LogBackupInterval></LogBackupInterval><LogBackupDaily>1</LogBackupDaily>", "optWarning",
         "optDaily"},
        {"<LogBackupDaily>false</LogBackupDaily>",
         "optWarning",
         "optDaily",
         {"Unrecognized LogBackupDaily=false, shown and saved as Daily"}},
        {"<LogBackupInterval>Daily</LogBackupInterval><LogBackupDaily>0</LogBackupDaily>", "optWarning",
         "optDaily"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elements);
        kit.Place("r.log.xml", "<LogConfig>" + c.elements + "</LogConfig>");
        // The window is not open yet: the message names the file.
        for (const std::string& message : c.messages)
            kit.s.prompts.ExpectMessage(message + " (in the file " + kit.Cfg("r.log.xml") + ")");
        editor.OpenOn(MonitorFileOf(kit.entry));
        EXPECT_TRUE(editor.Checked(c.level));
        EXPECT_TRUE(editor.Checked(c.interval));
        EXPECT_EQ(editor.Text("txtLogDaysToBackup"), "14");
        EXPECT_FALSE(editor.changed());
    }
}

TEST(MonitorFileEditors, EachCheckStopsTheSaveInItsOrderAndWritesNothing) {
    MonitorFileKit kit;
    const std::string file = kit.Place("a.emailmonitor.xml", "<EmailMonitor/>");
    FrmEmailMonitor editor(kit.s.services);
    editor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(std::tie(editor.Text("txtSMTPServer"), editor.Text("txtPort"), editor.Text("txtSubjectFormat"),
                       editor.Text("txtRetries"), editor.Text("txtFrom"), editor.Text("txtAddresses")),
              std::make_tuple("localhost", "25", "Error from Postvane", "10", "", ""));
    editor.UserSetText("txtSMTPServer", "");
    editor.UserSetText("txtPort", "");
    editor.UserSetText("txtAddresses", " \r\n\r\n");
    // A value with blanks at its ends is refused: the file would give it back without them.
    const auto blanks = [&](const std::string& element, const std::string& value,
                            const std::string& trimmed) {
        return "The " + element + " value \"" + value + "\" begins or ends with a blank, which the file " +
               file + " does not keep: it would read back as \"" + trimmed + "\". Remove the blank.";
    };
    const std::pair<std::string, std::function<void()>> steps[] = {
        {"SMTPServer is missing", [&] { editor.UserSetText("txtSMTPServer", " "); }},
        {blanks("SMTPServer", " ", ""), [&] { editor.UserSetText("txtSMTPServer", "smtp"); }},
        {"Port is missing", [&] { editor.UserSetText("txtPort", "25x"); }},
        {"Port must be a number", [&] { editor.UserSetText("txtPort", "25 "); }},
        {blanks("SMTPPort", "25 ", "25"), [&] { editor.UserSetText("txtPort", "25"); }},
        {"From address is missing", [&] { editor.UserSetText("txtFrom", "p@example.net"); }},
        {"You must specify at least one address",
         [&] { editor.UserSetText("txtAddresses", "\r\nq@example.net"); }},
    };
    for (const auto& [message, mend] : steps) {
        kit.s.prompts.ExpectMessage(message);
        editor.UserClick("cmdSave");
        EXPECT_EQ(ReadFile(file), "<EmailMonitor/>");
        mend();
    }
    const std::string written = SavedBySaveButton(kit, editor, file);
    EXPECT_NE(written.find("\t<SMTPServer>smtp</SMTPServer>\r\n\t<SMTPPort>25</SMTPPort>"),
              std::string::npos);

    // The log's only check: the folder of its log file.
    const std::string log = kit.Place("b.log.xml", "<LogConfig><LogFile>+/gone/x.txt</LogFile></LogConfig>");
    FrmLog logEditor(kit.s.services);
    logEditor.OpenOn(MonitorFileOf(kit.entry));
    logEditor.UserSetText("txtOutputFileEncoding", "");
    logEditor.UserSetText("txtLogDaysToBackup", "many");
    kit.s.prompts.ExpectMessage("The path to the log file does not exist: " + kit.Cfg("gone"));
    logEditor.UserClick("cmdSave");
    EXPECT_EQ(logEditor.requestedFocus(), "cmdBrowseLogFile");
    fs::create_directories(kit.Cfg("gone"));
    EXPECT_NE(
        SavedBySaveButton(kit, logEditor, log).find("<LogBackupFilesToKeep>many</LogBackupFilesToKeep>"),
        std::string::npos);
    // Emptied, the count is saved empty and read back so, with no older count to fall back on: a second
    // save writes the same.
    logEditor.UserSetText("txtLogDaysToBackup", "");
    const std::string emptied = SavedBySaveButton(kit, logEditor, log);
    EXPECT_NE(emptied.find("<LogBackupFilesToKeep></LogBackupFilesToKeep>"), std::string::npos);
    logEditor.UserClick("cmdReload");
    EXPECT_EQ(logEditor.Text("txtLogDaysToBackup"), "");
}

TEST(MonitorFileEditors, AnEntryWithoutFileStartsWithTheChooserAndANewFileHoldsItsRootAlone) {
    MonitorFileKit kit;
    FrmLog editor(kit.s.services);
    kit.s.dialogs.AnswerFile(std::nullopt);
    editor.OpenOn(MonitorFileOf(kit.entry));
    ASSERT_EQ(kit.s.dialogs.requests.size(), 1u);
    const FileDialogRequest& request = kit.s.dialogs.requests[0];
    EXPECT_EQ(request.title, "Choose the log config file you wish to open (or create)");
    EXPECT_EQ(request.pattern, "*.log.xml");
    EXPECT_EQ(request.filter, "Log config files(*.log.xml)|*.log.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.mode, FileCheck::CreatePrompt);
    EXPECT_EQ(std::tie(request.initialFolder, request.fileName), std::make_tuple(kit.dir / "cfg", ""));
    EXPECT_EQ(editor.Text("txtFileName"), "");
    EXPECT_FALSE(kit.entry.Changed || editor.IsClosed());
    // Save has no file to write, whatever else it would check: it sends the user to the file's button, also
    // once a log file was chosen.
    const std::string noFile =
        "No configuration file has been chosen. Choose or create one with the \"...\" "
        "button beside \"Configuration File name\", then save again.";
    kit.s.prompts.ExpectMessage(noFile);
    editor.UserClick("cmdSave");
    EXPECT_EQ(editor.requestedFocus(), "cmdBrowseConfig");
    kit.s.dialogs.AnswerFile(kit.Cfg("run.txt"));
    editor.UserClick("cmdBrowseLogFile");
    editor.FocusControl("txtLogDaysToBackup");
    kit.s.prompts.ExpectMessage(noFile);
    editor.UserClick("cmdSave");
    EXPECT_EQ(std::tie(editor.Text("txtLogFile"), editor.requestedFocus()),
              std::make_tuple(kit.Cfg("run.txt"), "cmdBrowseConfig"));

    // With no file, the values shown cannot be saved: the user says whether the file chosen replaces them.
    // No keeps them and creates nothing.
    fs::create_directories(kit.Program("config"));
    const std::string replaces =
        "No file has been chosen for the values shown, so they cannot be saved. "
        "Choosing " +
        kit.Cfg("new.log.xml") + " replaces them with what it holds. Do you want to go on?";
    kit.s.dialogs.AnswerFile(kit.Cfg("new.log.xml"));
    kit.s.prompts.ExpectYesNo(replaces, Answer::No);
    editor.UserClick("cmdBrowseConfig");
    EXPECT_EQ(std::tie(editor.Text("txtFileName"), editor.Text("txtLogFile")),
              std::make_tuple("", kit.Cfg("run.txt")));
    EXPECT_FALSE(fs::exists(kit.Cfg("new.log.xml")));

    // A new file: the root alone on two lines, every default loaded, the entry told at once.
    kit.s.dialogs.AnswerFile(kit.Cfg("new.log.xml"));
    kit.s.prompts.ExpectYesNo(replaces, Answer::Yes);
    editor.UserClick("cmdBrowseConfig");
    EXPECT_EQ(kit.s.dialogs.requests.back().initialFolder, kit.dir / "cfg");
    EXPECT_EQ(ReadFile(kit.Cfg("new.log.xml")), "<LogConfig>\r\n</LogConfig>\r\n");
    EXPECT_EQ(std::tie(kit.entry.Parameter, kit.entry.Changed), std::make_tuple("+/new.log.xml", true));
    EXPECT_EQ(editor.Text("txtLogFile"), ".\\output\\logFile.txt");
    EXPECT_TRUE(editor.Checked("optWarning") && editor.Checked("optDaily"));
    EXPECT_EQ(editor.Text("txtOutputFileEncoding"), "ASCII");
    EXPECT_FALSE(editor.changed());
    // A name ending in a blank is refused before any file is made: the monitor file would give it back
    // trimmed, naming another file.
    const std::string blankEnd = kit.Cfg("sp.log.xml ");
    kit.s.dialogs.AnswerFile(blankEnd);
    kit.s.prompts.ExpectMessage(
        "The configuration file name \"+/sp.log.xml \" begins or ends with a blank, "
        "which the file " +
        kit.Cfg("monitor.xml") + " does not keep: it would read back as \"+/sp.log.xml\". Remove the blank.");
    editor.UserClick("cmdBrowseConfig");
    EXPECT_FALSE(fs::exists(blankEnd));
    EXPECT_EQ(std::tie(kit.entry.Parameter, editor.Text("txtFileName")),
              std::make_tuple("+/new.log.xml", "+/new.log.xml"));
    kit.s.prompts.ExpectMessage("The path to the log file does not exist: " + kit.Program("output"));
    editor.UserClick("cmdSave");
    fs::create_directories(kit.Program("output"));
    EXPECT_EQ(SavedBySaveButton(kit, editor, kit.Cfg("new.log.xml")), Data("log/new-file.expected.log.xml"));
    // Choosing the same file again reads it again: the engine's (FileEditorEngine, a reporting kind).
}

// A missing file is said to be missing, not created, and one of another kind is named by its kind; reloading
// and closing are the engine's (FileEditorEngine, DetailedEditorFramework).
TEST(MonitorFileEditors, AMissingFileIsReportedAndAFileOfAnotherKindNamed) {
    MonitorFileKit kit;
    kit.entry.Parameter = "+/gone.emailmonitor.xml";
    FrmEmailMonitor editor(kit.s.services);
    kit.s.prompts.ExpectMessage("Couldn't load file, it doesn't exist: " + kit.Cfg("gone.emailmonitor.xml"));
    editor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(editor.Text("txtSMTPServer"), "");  // as designed: nothing was read
    EXPECT_FALSE(fs::exists(kit.Cfg("gone.emailmonitor.xml")));
    const std::string log = kit.Place("l.emailmonitor.xml", "<LogConfig/>");
    kit.s.prompts.ExpectMessage(
        "The file " + log +
        " is not an Email monitor configuration file: its root element is <LogConfig>, "
        "not <EmailMonitor>. It was read as empty, so default values are shown.");
    editor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_FALSE(kit.entry.Changed);
}

TEST(MonitorFileEditors, TheLogFileIsChosenWithASaveDialogAndStoredRelativeToTheConfigFile) {
    MonitorFileKit kit;
    const std::string file = kit.Place("l.log.xml", "<LogConfig><LogFile>+/x.txt</LogFile></LogConfig>");
    FrmLog editor(kit.s.services);
    editor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_TRUE(editor.control("txtLogFile").readOnly);

    kit.s.dialogs.AnswerFile(std::nullopt);
    editor.UserClick("cmdBrowseLogFile");
    const FileDialogRequest& request = kit.s.dialogs.requests.back();
    EXPECT_EQ(std::tie(request.title, request.filter, request.defaultExtension, request.mode,
                       request.refuseReadOnly),
              std::make_tuple("Choose the log file path", "*.txt|*.txt", "txt", FileCheck::SaveAs, true));
    EXPECT_EQ(std::tie(request.initialFolder, request.fileName), std::make_tuple(kit.dir / "cfg", "x.txt"));
    EXPECT_FALSE(editor.changed());

    // Beside the configuration file: kept absolute in the box, written "+/..." against the file.
    WriteFile(kit.Cfg("x.txt"), "");
    kit.s.dialogs.AnswerFile(kit.Cfg("today.txt"));
    editor.UserClick("cmdBrowseLogFile");
    EXPECT_EQ(std::tie(kit.s.dialogs.requests.back().initialFolder, kit.s.dialogs.requests.back().fileName),
              std::make_tuple(kit.dir / "cfg", "x.txt"));
    EXPECT_EQ(editor.Text("txtLogFile"), kit.Cfg("today.txt"));
    EXPECT_TRUE(editor.changed());
    EXPECT_NE(SavedBySaveButton(kit, editor, file).find("<LogFile>+/today.txt</LogFile>"), std::string::npos);

    // Below the program's folder: "./" and the path below it, in the box and in the file.
    fs::create_directories(kit.Program("output/logs"));
    kit.s.dialogs.AnswerFile(kit.Program("output/logs/p.txt"));
    editor.UserClick("cmdBrowseLogFile");
    EXPECT_EQ(editor.Text("txtLogFile"), "./output/logs/p.txt");
    EXPECT_NE(SavedBySaveButton(kit, editor, file).find("<LogFile>./output/logs/p.txt</LogFile>"),
              std::string::npos);
}

TEST(MonitorFileEditors, DirectoriesAreChosenFromWhereTheyAreAndStoredRelativeToTheChartsFile) {
    MonitorFileKit kit;
    const std::string file = kit.Place("c.reports.xml", "<HistoricalCharts/>");
    FrmHistoricalCharts editor(kit.s.services);
    editor.OpenOn(MonitorFileOf(kit.entry));
    EXPECT_EQ(std::tie(editor.Text("txtOutputDirectory"), editor.Text("txtDataDirectory")),
              std::make_tuple("./output/reports", "./output/data"));

    // Neither the box's folder nor the fallback exists: the charts file's folder. A cancel changes nothing.
    kit.s.dialogs.AnswerFolder("");
    editor.UserClick("cmdBrowseOutputDir");
    EXPECT_EQ(kit.s.dialogs.folderTitles.back(),
              "Choose the directory where charts images and html files should be written.");
    EXPECT_EQ(kit.s.dialogs.folderStarts.back(), kit.dir / "cfg");
    EXPECT_FALSE(editor.changed());

    fs::create_directories(kit.Program("output/data"));
    fs::create_directories(kit.Cfg("charts"));
    kit.s.dialogs.AnswerFolder(kit.Cfg("charts"));
    editor.UserClick("cmdBrowseDataDir");
    EXPECT_EQ(kit.s.dialogs.folderTitles.back(),
              "Choose the directory where the internal data files should be stored.");
    EXPECT_EQ(kit.s.dialogs.folderStarts.back(), kit.Program("output/data"));
    EXPECT_EQ(editor.Text("txtDataDirectory"), "+/charts");
    EXPECT_TRUE(editor.changed());
    kit.s.dialogs.AnswerFolder("");
    editor.UserClick("cmdBrowseDataDir");
    EXPECT_EQ(kit.s.dialogs.folderStarts.back(), kit.Cfg("charts"));

    // Outside the program's output folder, the defaults go back as they were read.
    EXPECT_EQ(SavedBySaveButton(kit, editor, file),
              CrLf({"<HistoricalCharts>", "\t<OutputDirectory>./output/reports</OutputDirectory>",
                    "\t<DataDirectory>+/charts</DataDirectory>", "</HistoricalCharts>", ""}));
}

}  // namespace
}  // namespace pv
