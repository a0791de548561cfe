#include "monitoring/FrmEmailMonitor.h"

#include "actions/SmtpSettings.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmEmailMonitor.h"

namespace pv {
using namespace names::frmEmailMonitor;

FileEditorSetup FrmEmailMonitor::Setup() {
    return MonitorFileSetup("EmailMonitor", kEmailMonitorClass, frmEmailMonitor, "Config Email Monitor",
                            "emailmonitor", "Email monitor", "EmailMonitor");
}

FrmEmailMonitor::FrmEmailMonitor(Services& services) : FileEditorForm(services, Setup()) {
    const auto always = [] { return true; };
    // The file, in the order it is written; each check sits where the save meets it.
    SmtpServerSetting(*this, Label2);
    SmtpPortSetting(*this, Label3);
    SmtpSubjectSetting(*this, Label4,
                       "The subject of the message. It may contain the following wildcards: %message%",
                       "Error from Postvane");
    SmtpRetriesSetting(*this, Label5);
    SmtpFromSetting(*this, Label6, "", always);
    SmtpAddressesSetting(*this, Label7, "", always);
}

}  // namespace pv
