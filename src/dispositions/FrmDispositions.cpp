// Scaffold so that the mailbox editor links while the dispositions editor is being written; replaced by it.
#include "dispositions/FrmDispositions.h"

namespace pv {

FrmDispositions::FrmDispositions(Services& services, const IMasterLinks& master)
    : Form("frmDispositions", "Category-Disposition Mappings"), services_(services), master_(master) {
    AddControl("cmdEscape", ControlKind::Button, "Escape").visible = false;
    OnClick("cmdEscape", [this] { UserRequestClose(); });
}

bool FrmDispositions::LoadFromFile(const std::string&, const std::string&) {
    return true;
}

}  // namespace pv
