#pragma once
#include <string>
#include <vector>

#include "core/FileEditor.h"
#include "monitoring/MonitorDispatch.h"

namespace pv {

// What a monitor editor with a file of its own says about that file.
struct MonitorFileInfo {
    std::string formName;     // "frmLog"
    std::string caption;      // "Config Log Settings"
    std::string root;         // "LogConfig"
    std::string pattern;      // "*.log.xml"
    std::string filter;       // "Log config files(*.log.xml)|*.log.xml|All xml files(*.xml)|*.xml"
    std::string dialogTitle;  // "Choose the log config file you wish to open (or create)"
};

// The three monitor editors with a file of their own: frmLog, frmEmailMonitor, frmHistoricalCharts.
const std::vector<MonitorFileInfo>& MonitorFileEditors();
// The entry of one of them by window name; throws std::out_of_range for any other name.
const MonitorFileInfo& MonitorFileInfoFor(const std::string& formName);

// What every monitor file editor tells the file editor engine: its root and dialog, the label of the file
// name box, a missing file reported (the controls keep what they show), and every chosen file loaded.
FileEditorSetup MonitorFileSetup(const MonitorFileInfo& info);

// The entry's fields that name its file: the parameter, relative to the monitor configuration file.
FileReference MonitorFileOf(CMonitorItem& entry);

// The editor of a monitor whose settings are a file of its own: the file editor engine opened on a monitor
// entry. Its constructor declares the settings and checks in file order (see FileEditorForm).
class MonitorFileEditor : public FileEditorForm, public IMonitorEditor {
  public:
    MonitorFileEditor(Services& services, const MonitorFileInfo& info);

    void PassMonitorObject(CMonitorItem& entry) override;
    Form& window() override { return *this; }
};

}  // namespace pv
