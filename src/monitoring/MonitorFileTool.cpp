#include "monitoring/MonitorFileTool.h"

#include "core/platform.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/MonitorDispatch.h"
#include "monitoring/MonitorFileEditor.h"

namespace pv {

std::string MonitorTypeOfRoot(const std::string& root) {
    for (const MonitorFileInfo& info : MonitorFileEditors()) {
        if (info.root != root) continue;
        for (const MonitorType& type : MonitorTypes()) {
            if (type.formName == info.formName) return type.name;
        }
    }
    return std::string();
}

ResaveOutcome ResaveMonitorFile(const std::string& typeName, const std::string& fullPath,
                                const PathContext& paths, IPrompts& prompts, std::string* textOnly) {
    if (!platform::PathExists(fullPath)) return ResaveOutcome::Missing;
    ResaveServices headless(paths, prompts, textOnly);
    // The entry names the file by its full path, so no monitor configuration file is needed.
    CMonitorItem entry;
    entry.Parameter = fullPath;
    OpenMonitorEditor(headless.services, entry, typeName);
    return headless.windows.outcome;
}

}  // namespace pv
