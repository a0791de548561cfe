#include "monitoring/CMonitorItem.h"

#include "core/blankends.h"
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
    // The list and the entry's editor show each in one line.
    const std::string of = " of Monitor entry " + std::to_string(number);
    for (const auto& [element, value] : {std::pair{"ClassName", &ClassName}, {"Parameter", &Parameter}}) {
        if (auto warning = LineBreakInOneLineBox(element, *value, MonitorFilePath, of))
            prompts.Show(std::move(*warning));
    }
    Changed = false;
    return true;
}

std::string CMonitorItem::getDisplay() const {
    return Parameter + "(" + ClassName + ")";
}

}  // namespace pv
