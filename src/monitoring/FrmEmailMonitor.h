#pragma once
#include "actions/SmtpSettings.h"
#include "monitoring/MonitorFileEditor.h"

namespace pv {

// "Config Email Monitor": where the server mails its error reports, through which SMTP server.
class FrmEmailMonitor : public SmtpSettings<MonitorFileEditor> {
  public:
    explicit FrmEmailMonitor(Services& services);
};

}  // namespace pv
