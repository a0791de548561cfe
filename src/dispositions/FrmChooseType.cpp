#include "dispositions/FrmChooseType.h"

#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmChooseType.h"

namespace pv {
using namespace names::frmChooseType;

FrmChooseType::FrmChooseType(Services& services, const IMasterLinks& master)
    : Form(frmChooseType, "Choose Disposition Type"), services_(services), master_(master) {
    AddControl(lstDispositionType, ControlKind::List).accessibleName = "Disposition types";
    AddControl(cmdGo, ControlKind::Button, "Go");
    AddControl(cmdEscape, ControlKind::Button, "Cancel");
    setDefaultButton(cmdGo);
    setCancelButton(cmdEscape);

    OnClick(cmdGo, [this] { Go(); });
    OnDoubleClick(lstDispositionType, [this] { Go(); });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
}

bool FrmChooseType::PassDispositionObject(CCatDisposition& disposition) {
    disposition_ = &disposition;
    CDispositionTypes types;
    const std::string referring = master_.FullPathToMasterConfig();
    using Read = CDispositionTypes::FileRead;
    const Read first =
        types.LoadFromFile(master_.DispositionTypesFile(1), referring, services_.paths, services_.prompts);
    if (first == Read::NotNamed || first == Read::Unread) {
        Close();
        return false;
    }
    types.LoadFromFile(master_.DispositionTypesFile(2), referring, services_.paths, services_.prompts);
    SetItems(lstDispositionType, types.Names());
    return true;
}

void FrmChooseType::Go() {
    const auto& selection = Selection(lstDispositionType);
    if (selection.size() != 1 || disposition_ == nullptr) {
        services_.prompts.ShowMessage("Please select a disposition type");
        return;
    }
    chosen_ = Items(lstDispositionType)[static_cast<size_t>(selection.front())];
    Close();
}

void FrmChooseType::ChooseAndOpen(Services& services, const IMasterLinks& master,
                                  CCatDisposition& disposition) {
    FrmChooseType chooser(services, master);
    if (!chooser.PassDispositionObject(disposition)) return;
    services.windows.ShowModal(chooser);
    if (!chooser.Chosen().empty()) OpenDispositionEditor(services, master, disposition, chooser.Chosen());
}

}  // namespace pv
