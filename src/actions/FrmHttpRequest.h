#pragma once
#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of an Http Request disposition's file: the URL, the method, the credentials and the message
// fields sent as request parameters.
class FrmHttpRequest : public MessageFieldsEditor {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    FrmHttpRequest(Services& services, const IMasterLinks& master);
};

}  // namespace pv
