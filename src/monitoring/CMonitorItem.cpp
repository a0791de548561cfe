#include "monitoring/CMonitorItem.h"

#include "core/prompts.h"

namespace pv {

bool CMonitorItem::LoadFromNode(XmlNode node, const std::string& monitorFilePath, IPrompts& prompts) {
    MonitorFilePath = monitorFilePath;
    ClassName = ReadNodeText(node, "ClassName", "");
    if (ClassName.empty()) {
        prompts.ShowMessage("Missing ClassName in monitor config");
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
