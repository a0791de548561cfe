#pragma once
#include <map>
#include <string>

#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of an Http Request disposition's file: the URL, the method, the credentials and the message
// fields sent as request parameters.
class FrmHttpRequest : public MessageFieldsEditor {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    FrmHttpRequest(Services& services, const IMasterLinks& master);

  private:
    // A field whose every entry was taken off the list loses the name the file gave it: added again, it is
    // a new parameter, sent by its own name (undo brings the name back with the entry).
    void ParametersRemoved() override;

    // The parameter names the file gives its fields where they differ from the field's name, for the fields
    // listed.
    std::map<std::string, std::string> parameterNames_;
};

}  // namespace pv
