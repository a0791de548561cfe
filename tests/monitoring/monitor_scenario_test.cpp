#include <gtest/gtest.h>

#include <filesystem>

#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::TestData;
using test::WriteFile;

std::string Scenario(const std::string& name) {
    return ReadFile(TestData("monitoring/scenario/" + name));
}

// From the main window: the monitor configuration opened, a Logger added whose log configuration file is
// created in the chooser, filled in and saved, moved above an entry, and the configuration saved. Both
// files must come out byte for byte.
TEST(MonitorScenario, ALoggerAddedFromTheMainWindowWritesItsFileAndTheMonitorFile) {
    test::TempDir temp;
    const std::string cfg = temp / "cfg";
    WriteFile(cfg + "/master.xml", Scenario("master.xml"));
    WriteFile(cfg + "/ops.monitor.xml", Scenario("ops.monitor.xml"));
    std::filesystem::create_directories(cfg + "/logging/logs");
    WriteFile(temp / "program/.keep", "");
    test::ScriptedServices s(temp / "program");
    FrmMain main(s.services);
    main.Open(cfg + "/master.xml", temp.path());

    s.windows.Expect("frmMonitor", [&](Form& monitor) {
        ASSERT_EQ(monitor.Items("lstMonitors"),
                  (std::vector<std::string>{"(com.ombrivo.Postvane.monitor.MonitorLog4j)",
                                            "+/pager.properties(com.example.postvane.PagerMonitor)"}));
        monitor.UserClick("cmdAdd");
        EXPECT_EQ(monitor.Items("lstMonitors").back(),
                  "+/logging/audit.log.xml(com.ombrivo.Postvane.monitor.CLogger)");
        EXPECT_EQ(monitor.Selection("lstMonitors"), std::vector<int>{2});
        monitor.UserClick("cmdUp");
        s.prompts.ExpectMessage("Saved");
        monitor.UserClick("cmdSave");
    });
    s.windows.Expect("frmChooseMonitorType", [&](Form& chooser) {
        chooser.UserSelect("lstMonitorType", {0});
        EXPECT_EQ(chooser.Items("lstMonitorType")[0], "Logger");
        chooser.UserClick("cmdGo");
    });
    s.dialogs.AnswerFile(cfg + "/logging/audit.log.xml");
    s.windows.Expect("frmLog", [&](Form& log) {
        EXPECT_EQ(log.caption(), "Config Log Settings");
        EXPECT_EQ(log.Text("txtFileName"), "+/logging/audit.log.xml");
        s.dialogs.AnswerFile(cfg + "/logging/logs/audit.txt");
        log.UserClick("cmdBrowseLogFile");
        log.UserClick("optTrace");
        log.UserClick("optHourly");
        log.UserSetText("txtLogDaysToBackup", "48");
        s.prompts.ExpectMessage("Saved");
        log.UserClick("cmdSave");
        log.UserPressEscape();  // saved: no question
    });
    main.UserClick("cmdEditMonitorConfig");

    EXPECT_EQ(ReadFile(cfg + "/logging/audit.log.xml"), Scenario("expected.audit.log.xml"));
    EXPECT_EQ(ReadFile(cfg + "/ops.monitor.xml"), Scenario("expected.ops.monitor.xml"));
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), Scenario("master.xml"));
}

}  // namespace
}  // namespace pv
