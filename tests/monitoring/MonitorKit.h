#pragma once
// A master file and a monitor configuration file beside it in a temporary folder, and the monitor
// configuration window opened on it as the main window opens it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmMonitor.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv::test {

struct MonitorKit {
    TempDir dir;
    ScriptedServices s{dir.path()};
    FrmMonitor form{s.services};

    explicit MonitorKit(const std::string& monitorFile) {
        WriteFile(master(), "<ResponseHandler>\r\n</ResponseHandler>\r\n\r\n");
        WriteFile(file(), monitorFile);
    }
    std::string master() const { return dir / "master.xml"; }
    std::string file() const { return dir / "monitor.xml"; }
    void Open() { form.LoadFromFile("+/monitor.xml", master()); }
};

// A monitor entry as the monitor configuration window hands it to its editor: the monitor configuration
// file in cfg/, the program directory beside it (so that "./" names lie outside cfg/).
struct MonitorFileKit {
    TempDir dir;
    ScriptedServices s{dir / "program"};
    CMonitorItem entry;

    MonitorFileKit() {
        WriteFile(dir / "program/.keep", "");
        WriteFile(MonitorFile(), "<Monitors>\r\n</Monitors>\r\n\r\n");
        entry.MonitorFilePath = MonitorFile();
    }
    std::string Cfg(const std::string& relative) const { return dir / ("cfg/" + relative); }
    std::string Program(const std::string& relative) const { return dir / ("program/" + relative); }
    std::string MonitorFile() const { return Cfg("monitor.xml"); }
    // Puts `bytes` into cfg/<name> and names it in the entry, as the monitor window would.
    std::string Place(const std::string& name, const std::string& bytes) {
        WriteFile(Cfg(name), bytes);
        entry.Parameter = "+/" + name;
        return Cfg(name);
    }
    std::string PlaceData(const std::string& name, const std::string& dataFile) {
        return Place(name, ReadFile(TestData("monitoring/" + dataFile)));
    }
};

// A monitor file holding entries of these classes, each with a parameter named after its position.
inline std::string MonitorsOf(std::initializer_list<std::string> classes) {
    std::string text = "<Monitors>";
    int n = 0;
    for (const auto& className : classes) {
        text += "<Monitor><ClassName>" + className + "</ClassName><Parameter>p" + std::to_string(++n) +
                "</Parameter></Monitor>";
    }
    return text + "</Monitors>";
}

// Drives the type chooser: picks `type` and presses Go.
inline std::function<void(Form&)> Choose(const std::string& type) {
    return [type](Form& chooser) {
        const auto& items = chooser.Items("lstMonitorType");
        const auto found = std::find(items.begin(), items.end(), type);
        ASSERT_NE(found, items.end()) << type;
        chooser.UserSelect("lstMonitorType", {static_cast<int>(found - items.begin())});
        chooser.UserClick("cmdGo");
    };
}

}  // namespace pv::test
