#include "monitoring/MonitorDispatch.h"

#include <memory>

#include "core/EditorDispatch.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmCustomMonitor.h"
#include "monitoring/FrmEmailMonitor.h"
#include "monitoring/FrmHistoricalCharts.h"
#include "monitoring/FrmLog.h"

namespace pv {
std::unique_ptr<IMonitorEditor> CreateMonitorEditor(Services& services, const std::string& formName) {
    if (formName == "frmLog") return std::make_unique<FrmLog>(services);
    if (formName == "frmEmailMonitor") return std::make_unique<FrmEmailMonitor>(services);
    if (formName == "frmHistoricalCharts") return std::make_unique<FrmHistoricalCharts>(services);
    return std::make_unique<FrmCustomMonitor>(services);
}

const std::vector<MonitorType>& MonitorTypes() {
    static const std::vector<MonitorType> types = {
        {"Logger", kLoggerClass, "frmLog"},
        {"HistoricalCharts", kHistoricalChartsClass, "frmHistoricalCharts"},
        {"Log4j", kLog4jClass, ""},
        {"EmailMonitor", kEmailMonitorClass, "frmEmailMonitor"},
        {kCustomMonitorType, "", "frmCustomMonitor"},
    };
    return types;
}

std::string MonitorTypeOf(const std::string& className) {
    for (const MonitorType& type : MonitorTypes()) {
        if (!type.className.empty() && type.className == className) return type.name;
    }
    return kCustomMonitorType;
}

const MonitorType* MonitorTypeWithFile(const std::string& className) {
    for (const MonitorType& type : MonitorTypes()) {
        if (!type.className.empty() && type.className == className && !type.formName.empty()) return &type;
    }
    return nullptr;
}

void OpenMonitorEditor(Services& services, CMonitorItem& entry, const std::string& typeName) {
    const std::string name = typeName == kUseRecordType ? MonitorTypeOf(entry.ClassName) : typeName;
    if (name.empty()) {
        services.prompts.ShowMessage("Please select a monitor type");
        return;
    }
    const MonitorType* type = nullptr;
    for (const MonitorType& known : MonitorTypes()) {
        if (known.name == name && !known.className.empty()) type = &known;
    }
    if (type && type->formName.empty()) {
        // Nothing to edit: choosing the type is the whole change.
        entry.ClassName = type->className;
        entry.Parameter.clear();
        entry.Changed = true;
        return;
    }
    std::unique_ptr<IMonitorEditor> editor;
    if (type) {
        // The class is set before the editor opens; only what the editor stores marks the entry changed.
        entry.ClassName = type->className;
        editor = CreateMonitorEditor(services, type->formName);
    } else {
        editor = std::make_unique<FrmCustomMonitor>(services);
    }
    editor->PassMonitorObject(entry);
    services.windows.ShowModal(editor->window());
}

}  // namespace pv
