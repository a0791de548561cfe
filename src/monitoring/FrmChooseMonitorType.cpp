#include "monitoring/FrmChooseMonitorType.h"

#include "monitoring/CMonitorItem.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmChooseMonitorType.h"

namespace pv {
using namespace names::frmChooseMonitorType;

FrmChooseMonitorType::FrmChooseMonitorType(Services& services)
    : Form(frmChooseMonitorType, "Choose Monitor Type"), services_(services) {
    AddControl(lstMonitorType, ControlKind::List).accessibleName = "Monitor types";
    AddControl(cmdGo, ControlKind::Button, "Go");
    AddControl(cmdEscape, ControlKind::Button, "Cancel");
    setDefaultButton(cmdGo);
    setCancelButton(cmdEscape);
    mutableControl(lstMonitorType).items = MonitorTypeNames(services.editors);

    OnClick(cmdGo, [this] { Go(); });
    OnDoubleClick(lstMonitorType, [this] { Go(); });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
}

void FrmChooseMonitorType::PassMonitorObject(CMonitorItem& entry) {
    entry_ = &entry;
}

void FrmChooseMonitorType::Go() {
    const auto& selection = Selection(lstMonitorType);
    if (selection.size() != 1 || entry_ == nullptr) {
        services_.prompts.ShowMessage("Please select a monitor type");
        return;
    }
    chosen_ = Items(lstMonitorType)[static_cast<size_t>(selection.front())];
    Close();
}

void FrmChooseMonitorType::ChooseAndOpen(Services& services, CMonitorItem& entry) {
    FrmChooseMonitorType chooser(services);
    chooser.PassMonitorObject(entry);
    services.windows.ShowModal(chooser);
    if (!chooser.Chosen().empty()) OpenMonitorEditor(services, entry, chooser.Chosen());
}

}  // namespace pv
