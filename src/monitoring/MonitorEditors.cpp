#include "monitoring/MonitorEditors.h"

#include <cctype>

#include "core/MasterLinks.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmCustomMonitor.h"
#include "names/MonitorFileEditor.h"

namespace pv {

FileEditorSetup MonitorFileSetup(const std::string& type, const std::string& className,
                                 const std::string& formName, const std::string& caption,
                                 const std::string& fileKey, const std::string& fileLabel,
                                 const std::string& root) {
    FileEditorSetup setup;
    setup.family = EditorFamily::Monitor;
    setup.type = type;
    setup.className = className;
    setup.formName = formName;
    setup.caption = caption;
    setup.root = root;
    setup.fileLabel = names::MonitorFileEditor::Label1;
    setup.fileLabelCaption = "Configuration File name:";
    std::string described = fileLabel;  // "Email monitor" in "Choose the email monitor config file ..."
    for (char& c : described) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    setup.dialogTitle = "Choose the " + described + " config file you wish to open (or create)";
    setup.pattern = "*." + fileKey + ".xml";
    setup.filter =
        fileLabel + " config files(*." + fileKey + ".xml)|*." + fileKey + ".xml|All xml files(*.xml)|*.xml";
    setup.startFolder = StartFolder::ProgramConfig;
    setup.missingFile = FileEditorSetup::MissingFile::Report;
    setup.reloadAfterChoosing = FileEditorSetup::ReloadAfterChoosing::Always;
    setup.fileKind = fileLabel + " configuration file";
    return setup;
}

EditorRegistration MonitorWithoutFile(const std::string& type, const std::string& className) {
    EditorRegistration registration;
    registration.setup.family = EditorFamily::Monitor;
    registration.setup.type = type;
    registration.setup.className = className;
    return registration;
}

FileReference MonitorFileOf(CMonitorItem& entry) {
    return {&entry.Parameter, &entry.MonitorFilePath, &entry.Changed};
}

std::vector<std::string> MonitorTypeNames(const EditorRegistry& editors) {
    std::vector<std::string> names = editors.Types(EditorFamily::Monitor);
    names.push_back(kCustomMonitorType);
    return names;
}

std::string MonitorTypeOf(const EditorRegistry& editors, const std::string& className) {
    const EditorRegistration* type = editors.FindClass(className);
    return type ? type->setup.type : kCustomMonitorType;
}

void OpenMonitorEditor(Services& services, CMonitorItem& entry, const std::string& typeName) {
    const std::string name =
        typeName == kUseRecordType ? MonitorTypeOf(services.editors, entry.ClassName) : typeName;
    if (name.empty()) {
        services.prompts.ShowMessage("Please select a monitor type");
        return;
    }
    const EditorRegistration* type = services.editors.Find(EditorFamily::Monitor, name);
    if (type && !type->make) {
        // Nothing to edit: choosing the type is the whole change.
        entry.ClassName = type->setup.className;
        entry.Parameter.clear();
        entry.Changed = true;
        return;
    }
    if (type) {
        // The class is set before the editor opens; only what the editor stores marks the entry changed.
        entry.ClassName = type->setup.className;
        ShowEditor(*type, services, MasterLinks(), MonitorFileOf(entry));
        return;
    }
    FrmCustomMonitor editor(services);
    editor.PassMonitorObject(entry);
    services.windows.ShowModal(editor);
}

}  // namespace pv
