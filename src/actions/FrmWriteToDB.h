#pragma once
#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of a Write To DB disposition's file: the database connection, the table and the fields
// written to it. A save also writes the insert statement and its parameters, so that the file serves a
// Run SQL disposition as well.
class FrmWriteToDB : public MessageFieldsEditor {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    FrmWriteToDB(Services& services, const IMasterLinks& master);

    // The CREATE TABLE statement of the checked fields, as "Generate "Create Table" Statement" shows it.
    std::string CreateTableStatement();

  private:
    void WriteStatement(std::string& buffer) const;
};

}  // namespace pv
