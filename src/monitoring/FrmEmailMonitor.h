#pragma once
#include "core/FileEditor.h"

namespace pv {

// "Config Email Monitor": where the server mails its error reports, through which SMTP server.
class FrmEmailMonitor : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmEmailMonitor(Services& services);
};

}  // namespace pv
