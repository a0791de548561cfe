#include "monitoring/CMonitorItem.h"

#include "core/prompts.h"

namespace pv {

std::string CMonitorItem::Whereabouts(const std::string& monitorFilePath, int number) {
    return " (Monitor entry " + std::to_string(number) + " of the file " + monitorFilePath + ")";
}

bool CMonitorItem::LoadFromNode(XmlNode node, const std::string& monitorFilePath, int number,
                                IPrompts& prompts) {
    MonitorFilePath = monitorFilePath;
    ClassName = ReadNodeText(node, "ClassName", "");
    if (ClassName.empty()) {
        // Shown before the window opens, and by the tool without the path: neither says which file else.
        prompts.Show({MessageKind::Error,
                      "Missing ClassName in monitor config" + Whereabouts(MonitorFilePath, number),
                      {},
                      Place::File(MonitorFilePath)});
        return false;
    }
    Parameter = ReadNodeText(node, "Parameter", "");
    Changed = false;
    return true;
}

std::string CMonitorItem::getDisplay() const {
    return Parameter + "(" + ClassName + ")";
}

}  // namespace pv
