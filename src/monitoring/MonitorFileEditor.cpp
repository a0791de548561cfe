#include "monitoring/MonitorFileEditor.h"

#include <stdexcept>

#include "monitoring/CMonitorItem.h"

namespace pv {

const std::vector<MonitorFileInfo>& MonitorFileEditors() {
    static const std::vector<MonitorFileInfo> editors = {
        {"frmLog", "Config Log Settings", "LogConfig", "*.log.xml",
         "Log config files(*.log.xml)|*.log.xml|All xml files(*.xml)|*.xml",
         "Choose the log config file you wish to open (or create)"},
        {"frmEmailMonitor", "Config Email Monitor", "EmailMonitor", "*.emailmonitor.xml",
         "Email monitor config files(*.emailmonitor.xml)|*.emailmonitor.xml|All xml files(*.xml)|*.xml",
         "Choose the email monitor config file you wish to open (or create)"},
        {"frmHistoricalCharts", "Historical Charts Settings", "HistoricalCharts", "*.reports.xml",
         "Historical Charts config files(*.reports.xml)|*.reports.xml|All xml files(*.xml)|*.xml",
         "Choose the historical charts config file you wish to open (or create)"},
    };
    return editors;
}

const MonitorFileInfo& MonitorFileInfoFor(const std::string& formName) {
    for (const MonitorFileInfo& info : MonitorFileEditors()) {
        if (info.formName == formName) return info;
    }
    throw std::out_of_range("No monitor file editor " + formName);
}

FileEditorSetup MonitorFileSetup(const MonitorFileInfo& info) {
    FileEditorSetup setup;
    setup.formName = info.formName;
    setup.caption = info.caption;
    setup.root = info.root;
    setup.fileLabel = "Label1";
    setup.fileLabelCaption = "Configuration File name:";
    setup.dialogTitle = info.dialogTitle;
    setup.pattern = info.pattern;
    setup.filter = info.filter;
    setup.startFolder = StartFolder::ProgramConfig;
    setup.missingFile = FileEditorSetup::MissingFile::Report;
    setup.reloadAfterChoosing = FileEditorSetup::ReloadAfterChoosing::Always;
    // "Log configuration file", from the dialog's "Log config files(...)".
    setup.fileKind = info.filter.substr(0, info.filter.find(" config files")) + " configuration file";
    return setup;
}

FileReference MonitorFileOf(CMonitorItem& entry) {
    return {&entry.Parameter, &entry.MonitorFilePath, &entry.Changed};
}

MonitorFileEditor::MonitorFileEditor(Services& services, const MonitorFileInfo& info)
    : FileEditorForm(services, MonitorFileSetup(info)) {}

void MonitorFileEditor::PassMonitorObject(CMonitorItem& entry) {
    OpenOn(MonitorFileOf(entry));
}

}  // namespace pv
