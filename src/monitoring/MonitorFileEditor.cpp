#include "monitoring/MonitorFileEditor.h"

#include "monitoring/CMonitorItem.h"

namespace pv {

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
