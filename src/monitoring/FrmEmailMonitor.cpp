#include "monitoring/FrmEmailMonitor.h"

namespace pv {

FrmEmailMonitor::FrmEmailMonitor(Services& services)
    : SmtpSettings(services, MonitorFileInfoFor("frmEmailMonitor")) {
    const auto always = [] { return true; };
    // The file, in the order it is written; each check sits where the save meets it.
    ServerSetting("Label2");
    PortSetting("Label3");
    SubjectSetting("Label4", "The subject of the message. It may contain the following wildcards: %message%",
                   "Error from Postvane");
    RetriesSetting("Label5");
    FromSetting("Label6", "", always);
    AddressesSetting("Label7", "", always);
}

}  // namespace pv
