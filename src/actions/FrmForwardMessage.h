#pragma once
#include "core/FileEditor.h"

namespace pv {

// The editor of a Forward Message disposition's file: the SMTP server, the addresses the message goes
// to, and which of its header and envelope addresses are kept.
class FrmForwardMessage : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmForwardMessage(Services& services);

    // Which controls the user can reach, after the send-as-attachment and preserve boxes.
    void UpdateControls();

  protected:
    void AfterLoading() override { UpdateControls(); }
};

}  // namespace pv
