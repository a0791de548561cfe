#include "editors/Editors.h"

#include "actions/FrmCopyToIMAPFolder.h"
#include "actions/FrmForwardMessage.h"
#include "actions/FrmHttpRequest.h"
#include "actions/FrmMoveToSubfolder.h"
#include "actions/FrmRuleUpdate.h"
#include "actions/FrmRunSQL.h"
#include "actions/FrmSaveAttachments.h"
#include "actions/FrmWriteToDB.h"
#include "actions/FrmWriteToFile.h"
#include "actions/FrmWriteToRFC822.h"
#include "monitoring/FrmEmailMonitor.h"
#include "monitoring/FrmHistoricalCharts.h"
#include "monitoring/FrmLog.h"
#include "monitoring/MonitorEditors.h"

namespace pv {

void RegisterEditors(EditorRegistry& editors) {
    editors.Add<FrmForwardMessage>();
    editors.Add<FrmMoveToSubfolder>();
    editors.Add<FrmCopyToIMAPFolder>();
    editors.Add<FrmRuleUpdate>();
    editors.Add<FrmWriteToDB>();
    editors.Add<FrmRunSQL>();
    editors.Add<FrmWriteToFile>();
    editors.Add<FrmWriteToRFC822>();
    editors.Add<FrmHttpRequest>();
    editors.Add<FrmSaveAttachments>();

    editors.Add<FrmLog>();
    editors.Add<FrmHistoricalCharts>();
    editors.Add(MonitorWithoutFile("Log4j", kLog4jClass));
    editors.Add<FrmEmailMonitor>();
}

const EditorRegistry& BuiltInEditors() {
    static const EditorRegistry editors = [] {
        EditorRegistry registry;
        RegisterEditors(registry);
        return registry;
    }();
    return editors;
}

}  // namespace pv
