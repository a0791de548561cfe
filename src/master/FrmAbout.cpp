#include "master/FrmAbout.h"

#include "core/xml.h"
#include "names/frmAbout.h"

namespace pv {
using namespace names::frmAbout;

FrmAbout::FrmAbout(Services&, const std::string& toolkit) : Form(frmAbout, "About PostvaneConfig") {
    AddControl(lblProgram, ControlKind::Label, std::string("PostvaneConfig ") + POSTVANE_VERSION);
    AddControl(lblDescription, ControlKind::Label,
               "The configuration editor of the Postvane mail-processing server, with postvane-config-tool "
               "for scripts.");
    AddControl(lblLicence, ControlKind::Label,
               "Copyright (c) 2026 The PostvaneConfig developers. Released under the MIT License.");
    // The project has no web site of its own: the link leads to what is installed with it.
    AddControl(
        lblLink, ControlKind::Label,
        "Documentation: Help (F1) in the main window, the manual pages postvane-config(1) and "
        "postvane-config-tool(1), and a sample configuration in /usr/share/doc/postvane-config/examples.");
    std::string libraries = "Runs with libxml2 " + XmlLibraryVersion();
    if (!toolkit.empty()) libraries += " and " + toolkit;
    AddControl(lblLibraries, ControlKind::Label, libraries + ".");
    AddControl(cmdEscape, ControlKind::Button, "Close");
    setDefaultButton(cmdEscape);
    OnClick(cmdEscape, [this] { Close(); });
}

}  // namespace pv
