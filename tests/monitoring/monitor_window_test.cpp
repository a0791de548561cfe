#include <gtest/gtest.h>

#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmCustomMonitor.h"
#include "monitoring/MonitorEditors.h"
#include "monitoring/MonitorKit.h"
#include "names/Buttons.h"

namespace pv {
namespace {

using test::Choose;
using test::MonitorKit;
using test::MonitorsOf;
using test::ReadFile;
using test::TestData;

using Lines = std::vector<std::string>;
constexpr const char* kSelectFirst = "You must select an item first";

// A monitor file as the window writes it: these entries (class, parameter) and JMX as never set.
std::string FileWith(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string text = "<Monitors>\r\n";
    for (const auto& [className, parameter] : entries) {
        text += "\t<Monitor>\r\n\t\t<ClassName>" + className + "</ClassName>\r\n\t\t<Parameter>" + parameter +
                "</Parameter>\r\n\t</Monitor>\r\n";
    }
    const std::string sparse = ReadFile(TestData("monitoring/configuration/sparse.expected.monitor.xml"));
    return text + sparse.substr(sparse.find("\t<JMX>"));
}

TEST(MonitorWindow, LoadingShowsTheListAndJmxAndASaveWritesEveryElementBack) {
    MonitorKit kit(ReadFile(TestData("monitoring/configuration/full.monitor.xml")));
    kit.Open();
    FrmMonitor& form = kit.form;
    EXPECT_EQ(form.Text("txtFileName"), "+/monitor.xml");
    EXPECT_TRUE(form.control("txtFileName").readOnly);
    EXPECT_EQ(form.GetConfigFilePath(), kit.file());
    EXPECT_EQ(form.Items("lstMonitors"),
              (Lines{"+/logging/server.log.xml(com.ombrivo.Postvane.monitor.CLogger)",
                     "(com.ombrivo.Postvane.monitor.MonitorLog4j)",
                     "./config/alerts.emailmonitor.xml(com.ombrivo.Postvane.monitor.EmailMonitor)",
                     "+/charts.reports.xml(com.ombrivo.Postvane.monitor.HistoricalCharts)",
                     "night shift <ops>(org.example.monitor.Pager & Siren)"}));
    EXPECT_TRUE(form.Checked("chkJmxEnabled") && form.Checked("chkManageLoggerWithJMX") &&
                form.Checked("chkMonitorWithJMX"));
    EXPECT_EQ(form.Text("txtHtmlAdaptorPort"), "9090");
    EXPECT_TRUE(form.Enabled("frameJmx") && form.Enabled("txtHtmlAdaptorPort"));
    EXPECT_FALSE(form.changed());

    // The frame follows the JMX box; every box and the port mark the window changed.
    form.UserClick("chkJmxEnabled");
    EXPECT_FALSE(form.Enabled("frameJmx") || form.Enabled("chkManageWithJMX") ||
                 form.Enabled("txtHtmlAdaptorPort"));
    EXPECT_TRUE(form.changed());
    for (const char* box :
         {"chkJmxEnabled", "chkMonitorMailboxesWithJMX", "chkMonitorWithJMX", "chkManageWithJMX",
          "chkMonitorMailboxThreadsWithJMX", "chkManageLoggerWithJMX"}) {
        kit.Open();
        form.UserClick(box);
        EXPECT_TRUE(form.changed()) << box;
    }
    kit.Open();
    form.UserSetText("txtHtmlAdaptorPort", "1");
    EXPECT_TRUE(form.changed());
    // A blank at an end of the port is refused, JMX on or off; with JMX off its box takes no typing, and the
    // message says how to reach it.
    form.UserSetText("txtHtmlAdaptorPort", " 8083");
    form.UserClick("chkJmxEnabled");
    kit.s.prompts.ExpectMessage(
        "The Html Adaptor Port \" 8083\" begins or ends with a blank, which the file " + kit.file() +
        " does not keep: it would read back as \"8083\". Remove the blank: the box "
        "takes typing while \"Use JMX for monitoring and management\" is ticked.");
    EXPECT_FALSE(form.SaveFile());

    // Loaded again and saved, every element comes back byte for byte.
    kit.Open();
    EXPECT_EQ(form.configuration().Entries[0].MonitorFilePath, kit.file());
    kit.s.prompts.ExpectSavedUnchanged(kit.file());
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(kit.file()), ReadFile(TestData("monitoring/configuration/full.monitor.xml")));

    // Without a JMX element: JMX off, the frame disabled, the usual port.
    MonitorKit bare("<Monitors/>");
    bare.Open();
    EXPECT_FALSE(bare.form.Checked("chkJmxEnabled") || bare.form.Enabled("frameJmx") || bare.form.changed());
    EXPECT_EQ(bare.form.Text("txtHtmlAdaptorPort"), "8082");
    // The window that showed JMX reads a file without it as a fresh window does: no flag of the file before
    // is left ticked in the frame, to be saved.
    test::WriteFile(kit.file(), "<Monitors/>");
    kit.Open();
    for (const char* box :
         {"chkJmxEnabled", "chkMonitorMailboxesWithJMX", "chkMonitorWithJMX", "chkManageWithJMX",
          "chkMonitorMailboxThreadsWithJMX", "chkManageLoggerWithJMX"}) {
        EXPECT_EQ(form.Checked(box), bare.form.Checked(box)) << box;
    }

    // An entry without a class is named by its file and its place among the entries, before the window opens.
    MonitorKit classless(MonitorsOf({"a.B", ""}));
    const std::string where = " (Monitor entry 2 of the file " + classless.file() + ")";
    classless.s.prompts.ExpectMessage("Missing ClassName in monitor config" + where)
        .ExpectMessage("Error loading monitor item, skipping." + where);
    classless.Open();
    EXPECT_EQ(classless.form.Items("lstMonitors"), Lines{"p1(a.B)"});
}

TEST(MonitorWindow, DeleteAndMoveActOnTheOneSelectedRowAndSayWhyWhenTheyCannot) {
    MonitorKit kit(MonitorsOf({"a.A", "b.B", "c.C"}));
    kit.Open();
    FrmMonitor& form = kit.form;
    for (const char* button : {"cmdEdit", "cmdDelete", "cmdUp", "cmdDown"}) {
        kit.s.prompts.ExpectMessage(kSelectFirst);
        form.UserClick(button);
    }
    form.UserSelect("lstMonitors", {0});
    kit.s.prompts.ExpectMessage("Item already first");
    form.UserClick("cmdUp");
    form.UserSelect("lstMonitors", {2});
    kit.s.prompts.ExpectMessage("Item already last");
    form.UserClick("cmdDown");
    EXPECT_FALSE(form.changed());

    form.UserSelect("lstMonitors", {1});
    form.UserClick("cmdUp");
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p2(b.B)", "p1(a.A)", "p3(c.C)"}));
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{0});
    EXPECT_TRUE(form.changed());
    form.UserClick("cmdDown");
    form.UserClick("cmdDown");
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p1(a.A)", "p3(c.C)", "p2(b.B)"}));
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{2});

    // Deleting the last row selects the new last one; deleting the first selects the one now first.
    form.UserClick("cmdDelete");
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p1(a.A)", "p3(c.C)"}));
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{1});
    form.UserSelect("lstMonitors", {0});
    form.UserClick("cmdDelete");
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{0});
    kit.s.prompts.ExpectMessage("There is only one item, it cannot be moved");
    form.UserClick("cmdDown");
    form.UserClick("cmdDelete");
    EXPECT_TRUE(form.Items("lstMonitors").empty() && form.Selection("lstMonitors").empty());

    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadFile(kit.file()).find("<Monitor>"), std::string::npos);
}

// Adds, a move, a delete (which asks nothing), a check box and typing, undone in turn back to the file as
// loaded: nothing is changed and nothing written at closing; each undo shows its line selected, and
// the boxes the check box enables follow it back and forth.
TEST(MonitorWindow, UndoLeadsBackThroughEveryKindOfChangeToTheLoadedFile) {
    MonitorKit kit(MonitorsOf({"a.A", "b.B", "c.C"}));
    kit.Open();
    FrmMonitor& form = kit.form;
    const bool jmx = form.Checked("chkJmxEnabled");
    const std::string port = form.Text("txtHtmlAdaptorPort");
    const Lines loaded = form.Items("lstMonitors");
    const std::string log4j = "(" + std::string(kLog4jClass) + ")";

    kit.s.windows.Expect("frmChooseMonitorType", Choose("Log4j"));
    form.UserClick("cmdAdd");
    form.UserSelect("lstMonitors", {1});
    form.UserClick("cmdUp");
    form.UserSelect("lstMonitors", {2});
    form.UserClick("cmdDelete");
    ASSERT_EQ(form.Items("lstMonitors"), (Lines{"p2(b.B)", "p1(a.A)", log4j}));
    if (!jmx) form.UserClick("chkJmxEnabled");
    form.UserSetText("txtHtmlAdaptorPort", "9");
    form.UserSetText("txtHtmlAdaptorPort", "90");
    if (jmx) form.UserClick("chkJmxEnabled");

    form.UserUndo();
    form.UserUndo();
    EXPECT_EQ(form.Text("txtHtmlAdaptorPort"), port);
    EXPECT_EQ(form.Checked("chkJmxEnabled"), jmx);
    EXPECT_EQ(form.Enabled("txtHtmlAdaptorPort"), jmx);
    form.UserUndo();
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p2(b.B)", "p1(a.A)", "p3(c.C)", log4j}));
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{2});
    form.UserUndo();
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{1});
    EXPECT_TRUE(form.changed());
    form.UserUndo();
    EXPECT_EQ(form.Items("lstMonitors"), loaded);
    EXPECT_FALSE(form.changed());
    EXPECT_FALSE(form.CanUndo());

    for (int step = 0; step < 5; ++step) form.UserRedo();
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p2(b.B)", "p1(a.A)", log4j}));
    EXPECT_EQ(form.Text("txtHtmlAdaptorPort"), "90");
    EXPECT_TRUE(form.changed());
    // Undone again, there is nothing to save: the window closes and the file is as it was.
    for (int step = 0; step < 5; ++step) form.UserUndo();
    form.UserClick("cmdSave");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadFile(kit.file()), MonitorsOf({"a.A", "b.B", "c.C"}));
}

TEST(MonitorWindow, AddGoesThroughTheChooserAndKeepsOnlyEntriesAnEditorStored) {
    MonitorKit kit(MonitorsOf({"a.A"}));
    kit.Open();
    FrmMonitor& form = kit.form;

    // The chooser insists on a type; Cancel adds nothing.
    kit.s.windows.Expect("frmChooseMonitorType", [&](Form& chooser) {
        EXPECT_EQ(chooser.caption(), "Choose Monitor Type");
        EXPECT_EQ(chooser.Items("lstMonitorType"),
                  (Lines{"Logger", "HistoricalCharts", "Log4j", "EmailMonitor", "Custom"}));
        kit.s.prompts.ExpectMessage("Please select a monitor type");
        chooser.UserClick("cmdGo");
        EXPECT_FALSE(chooser.IsClosed());
        chooser.UserPressEscape();
        EXPECT_TRUE(chooser.IsClosed());
    });
    form.UserClick("cmdAdd");
    EXPECT_FALSE(form.changed());

    // Log4j has nothing to edit: its row comes at once, selected.
    kit.s.windows.Expect("frmChooseMonitorType", Choose("Log4j"));
    form.UserClick("cmdAdd");
    EXPECT_EQ(form.Items("lstMonitors"), (Lines{"p1(a.A)", "(com.ombrivo.Postvane.monitor.MonitorLog4j)"}));
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{1});
    EXPECT_TRUE(form.changed());

    // A custom entry left empty is not added; one with a class is.
    kit.s.windows.Expect("frmChooseMonitorType", Choose("Custom"))
        .Expect("frmCustomMonitor", [](Form& editor) { editor.UserClick("cmdSave"); });
    form.UserClick("cmdAdd");
    EXPECT_EQ(form.Items("lstMonitors").size(), 2u);
    kit.s.windows.Expect("frmChooseMonitorType", Choose("Custom"))
        .Expect("frmCustomMonitor", [&](Form& editor) {
            EXPECT_EQ(kit.s.windows.open, 1);  // the chooser closed before the editor opened
            editor.UserSetText("txtClassName", "org.example.Beeper");
            editor.UserSetText("txtParameter", "+/beeper.cfg");
            editor.UserClick("cmdSave");
        });
    form.UserClick("cmdAdd");
    EXPECT_EQ(form.Items("lstMonitors").back(), "+/beeper.cfg(org.example.Beeper)");
    EXPECT_EQ(form.configuration().Entries.back().MonitorFilePath, kit.file());

    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(kit.file()),
              FileWith({{"a.A", "p1"}, {kLog4jClass, ""}, {"org.example.Beeper", "+/beeper.cfg"}}));
}

TEST(MonitorWindow, EditOpensTheEditorOfTheEntrysClass) {
    MonitorKit kit(MonitorsOf({kLog4jClass, "org.example.Beeper"}));
    kit.Open();
    FrmMonitor& form = kit.form;
    // Log4j: nothing opens, but the window counts it as changed.
    form.UserSelect("lstMonitors", {0});
    form.UserClick("cmdEdit");
    EXPECT_TRUE(form.changed());
    EXPECT_TRUE(kit.s.windows.shown.empty());

    // Any other class: the custom editor. Typing the logger's class turns the entry into a logger.
    kit.Open();
    kit.s.windows.Expect("frmCustomMonitor", [](Form& editor) {
        EXPECT_EQ(editor.caption(), "Custom Monitor Config");
        EXPECT_EQ(editor.Text("txtClassName"), "org.example.Beeper");
        EXPECT_EQ(editor.Text("txtParameter"), "p2");
        editor.UserClick("cmdCancel");  // unchanged: no question
    });
    kit.s.prompts.ExpectMessage(kSelectFirst);
    form.UserDoubleClick("lstMonitors");
    form.UserSelect("lstMonitors", {1});
    form.UserDoubleClick("lstMonitors");
    EXPECT_FALSE(form.changed());
    EXPECT_EQ(form.Selection("lstMonitors"), std::vector<int>{1});

    // A change, then the editor opened again and closed untouched: one undo takes the entry back.
    kit.s.windows
        .Expect("frmCustomMonitor",
                [](Form& editor) {
                    editor.UserSetText("txtParameter", "p9");
                    editor.UserClick("cmdSave");
                })
        .Expect("frmCustomMonitor", [](Form& editor) { editor.UserClick("cmdCancel"); });
    form.UserClick("cmdEdit");
    form.UserClick("cmdEdit");
    form.UserUndo();
    EXPECT_EQ(form.configuration().Entries[1].Parameter, "p2");
    EXPECT_FALSE(form.changed());

    kit.s.windows.Expect("frmCustomMonitor", [](Form& editor) {
        editor.UserSetText("txtClassName", kLoggerClass);
        editor.UserClick("cmdSave");
    });
    form.UserClick("cmdEdit");
    EXPECT_TRUE(form.changed());
    EXPECT_EQ(MonitorTypeOf(kit.s.editors, form.configuration().Entries[1].ClassName), "Logger");
}

// Closing saves, discards or stays; a failed save, and one of a file another program changed meanwhile,
// keep the window open.
TEST(MonitorWindow, ClosingSavesDiscardsOrStaysAndAFailedOrQuestionedSaveKeepsTheWindowOpen) {
    const std::string original = MonitorsOf({"a.A", "b.B"});
    MonitorKit kit(original);
    kit.Open();
    FrmMonitor& form = kit.form;
    form.UserClick("chkJmxEnabled");
    form.UserSetText("txtHtmlAdaptorPort", "");

    kit.s.prompts.ExpectMessage("Html Adaptor Port is required if JMX is enabled");
    form.UserClick("cmdSave");
    EXPECT_FALSE(form.IsClosed());
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Cancel);
    EXPECT_FALSE(form.UserRequestClose());
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes)
        .ExpectMessage("Html Adaptor Port is required if JMX is enabled");
    form.UserPressEscape();
    EXPECT_FALSE(form.IsClosed());
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
    form.UserPressEscape();
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadFile(kit.file()), original);

    // "Exit and Discard Changes" asks nothing; "Exit and Save Changes" with nothing changed writes nothing.
    form.Reopen();
    form.UserSetText("txtHtmlAdaptorPort", "1");
    form.UserClick("cmdCancel");
    EXPECT_TRUE(form.IsClosed());
    form.Reopen();
    kit.Open();
    form.UserClick("cmdSave");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadFile(kit.file()), original);

    // Yes with a valid port saves and closes.
    form.Reopen();
    form.UserClick("chkJmxEnabled");
    form.UserClick("chkManageWithJMX");
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.UserRequestClose());
    const std::string written = ReadFile(kit.file());
    EXPECT_NE(written.find("<JMXEnabled>1</JMXEnabled>"), std::string::npos);
    EXPECT_NE(written.find("<ManageWithJMX>1</ManageWithJMX>"), std::string::npos);

    // Changed by another program since it was read: the save asks first; Cancel writes nothing and stays.
    form.Reopen();
    kit.Open();
    form.UserClick("chkJmxEnabled");
    const std::string theirs = MonitorsOf({"a.A", "b.B", "c.C"});
    test::WriteFile(kit.file(), theirs);
    kit.s.prompts.ExpectChangedMeanwhile(kit.file(), Answer::Cancel);
    form.UserClick("cmdSave");
    EXPECT_FALSE(form.IsClosed());
    EXPECT_EQ(ReadFile(kit.file()), theirs);
}

TEST(MonitorWindow, EachBuiltInMonitorOpensItsOwnEditorAndAChosenFileAddsTheEntryUnsaved) {
    std::string monitors = MonitorsOf({kLoggerClass, kEmailMonitorClass, kHistoricalChartsClass});
    for (const char* parameter : {"p1", "p2", "p3"}) {
        monitors.replace(monitors.find(std::string(">") + parameter + "<"), 3,
                         std::string(">+/") + parameter);
    }
    MonitorKit kit(monitors);
    test::WriteFile(kit.dir / "p1", "<LogConfig/>");
    test::WriteFile(kit.dir / "p2", "<EmailMonitor/>");
    test::WriteFile(kit.dir / "p3", "<HistoricalCharts/>");
    kit.Open();
    FrmMonitor& form = kit.form;
    const std::pair<int, const char*> editors[] = {
        {0, "frmLog"}, {1, "frmEmailMonitor"}, {2, "frmHistoricalCharts"}};
    for (const auto& [row, kind] : editors) {
        kit.s.windows.Expect(kind, [&](Form& editor) {
            EXPECT_EQ(editor.Text("txtFileName"), "+/p" + std::to_string(row + 1));
            editor.UserPressEscape();
        });
        form.UserSelect("lstMonitors", {row});
        form.UserClick("cmdEdit");
    }
    EXPECT_FALSE(form.changed());

    // An existing file chosen for a new Logger: the entry is added although its editor saved nothing.
    kit.s.windows.Expect("frmChooseMonitorType", Choose("Logger")).Expect("frmLog", [&](Form& editor) {
        editor.UserClick("chkLogToConsole");
        kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
        editor.UserPressEscape();
    });
    kit.s.dialogs.AnswerFile(kit.dir / "p1");
    form.UserClick("cmdAdd");
    EXPECT_EQ(form.Items("lstMonitors").back(), "+/p1(com.ombrivo.Postvane.monitor.CLogger)");
    EXPECT_TRUE(form.changed());
    EXPECT_EQ(ReadFile(kit.dir / "p1"), "<LogConfig/>");
}

TEST(CustomMonitorEditor, StoresOnlyRealChangesAndNeverAnEntryWithoutClass) {
    test::ScriptedServices s(".");
    CMonitorItem entry;
    s.windows.Expect("frmCustomMonitor", [&](Form& editor) {
        EXPECT_EQ(editor.defaultButton(), "cmdSave");
        // No hidden Escape button: Escape presses "Cancel and exit".
        EXPECT_FALSE(editor.HasControl(names::Buttons::cmdEscape));
        // A parameter without a class would be dropped by the next load: refused.
        editor.UserSetText("txtParameter", "+/x.cfg");
        s.prompts.ExpectMessage("Please enter the class name of the monitor");
        editor.UserClick("cmdSave");
        EXPECT_FALSE(editor.IsClosed());
        EXPECT_EQ(editor.requestedFocus(), "txtClassName");
        editor.UserSetText("txtClassName", "   ");
        s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes)
            .ExpectMessage("Please enter the class name of the monitor");
        editor.UserPressEscape();  // Esc is "Cancel and exit", which asks after an edit
        EXPECT_FALSE(editor.IsClosed());
        s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
        editor.UserClick("cmdCancel");
        EXPECT_TRUE(editor.IsClosed());
    });
    OpenMonitorEditor(s.services, entry, "Custom");
    EXPECT_FALSE(entry.Changed);
    EXPECT_EQ(entry.Parameter, "");

    // Changing only the parameter of an existing entry counts; Yes in the question stores.
    entry.ClassName = "org.example.Beeper";
    s.windows.Expect("frmCustomMonitor", [&](Form& editor) {
        // A blank at its end would not come back from the file.
        editor.UserSetText("txtParameter", "night ");
        s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes)
            .ExpectMessage(
                "The parameter \"night \" begins or ends with a blank, which the monitor "
                "configuration file does not keep: it would read back as \"night\". Remove the "
                "blank.");
        EXPECT_FALSE(editor.UserRequestClose());
        editor.UserSetText("txtParameter", "night");
        s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Yes);
        EXPECT_TRUE(editor.UserRequestClose());
    });
    OpenMonitorEditor(s.services, entry, kUseRecordType);
    EXPECT_TRUE(entry.Changed);
    EXPECT_EQ(entry.Parameter, "night");

    s.prompts.ExpectMessage("Please select a monitor type");
    OpenMonitorEditor(s.services, entry, "");
}

}  // namespace
}  // namespace pv
