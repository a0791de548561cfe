#pragma once
#include "actions/DetailedEditor.h"
#include "actions/SmtpSettings.h"

namespace pv {

// The editor of a Forward Message disposition's file: the SMTP server, the addresses the message goes
// to, and which of its header and envelope addresses are kept.
class FrmForwardMessage : public SmtpSettings<DetailedEditorForm> {
  public:
    explicit FrmForwardMessage(Services& services);

    // Which controls the user can reach, after the send-as-attachment and preserve boxes.
    void UpdateControls();

  protected:
    void AfterLoading() override { UpdateControls(); }
};

}  // namespace pv
