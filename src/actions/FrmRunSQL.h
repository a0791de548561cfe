#pragma once
#include <map>
#include <string>
#include <string_view>

#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of a Run SQL disposition's file: the database connection, the statement, the message fields
// bound to its "?" in order, and the connection pool's size.
class FrmRunSQL : public MessageFieldsEditor {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    FrmRunSQL(Services& services, const IMasterLinks& master);

    // The number of "?" in the statement; every one counts, also inside a quoted literal.
    int CountQuestionMarks() const;

  private:
    // The statement as written: the box's text without the line breaks around it, which are empty lines of
    // the box and no part of the statement (a reader would not give them back).
    std::string_view Statement() const;

    // The "MaxLength" each parameter had in the file, by exact name; parameters added here have none.
    std::map<std::string, std::string> lengths_;
};

}  // namespace pv
