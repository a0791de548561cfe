#include "actions/FrmShowSQL.h"

#include "names/frmShowSQL.h"

namespace pv {
using namespace names::frmShowSQL;

FrmShowSQL::FrmShowSQL(Services& services, const std::string& sql) : Form(frmShowSQL, "SQL") {
    Control& text = AddControl(txtSQL, ControlKind::TextBox, sql);
    text.readOnly = true;
    text.accessibleName = "SQL statement";
    AddControl(cmdCopy, ControlKind::Button, "Copy", "Copies the whole statement to the clipboard");
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;
    setSelectAllOnFocus(false);
    OnClick(cmdCopy, [this, &services] { services.clipboard.SetText(Text(txtSQL)); });
    OnClick(cmdEscape, [this] { Close(); });
}

void ShowSQL(Services& services, const std::string& sql) {
    FrmShowSQL window(services, sql);
    services.windows.ShowModal(window);
}

}  // namespace pv
