#include "monitoring/FrmEmailMonitor.h"

namespace pv {

FrmEmailMonitor::FrmEmailMonitor(Services& services)
    : SmtpSettings(services,
                   {"frmEmailMonitor", "Config Email Monitor", "EmailMonitor", "*.emailmonitor.xml",
                    "Email monitor config files(*.emailmonitor.xml)|*.emailmonitor.xml|All xml files(*.xml)|*.xml",
                    "Choose the email monitor config file you wish to open (or create)"}) {
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
