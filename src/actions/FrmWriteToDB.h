#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // The insert statement and its parameters as a save writes them from the checked field rows: each
    // parameter's field name and, for a string, its length.
    using Parameters = std::vector<std::pair<std::string, std::optional<std::string>>>;
    struct Statement {
        Parameters parameters;
        std::string sql;
    };
    Statement BuiltStatement() const;
    void WriteStatement(std::string& buffer) const;
    // Says, as the file loads, when its statement or parameters are not those a save builds.
    void NoteFileStatement(XmlNode root);
};

}  // namespace pv
