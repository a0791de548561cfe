#pragma once
#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of a Write Attachments to DB disposition's file: the database connection and the table that
// receives one row per attachment.
class FrmSaveAttachments : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmSaveAttachments(Services& services);

    // The CREATE TABLE statement of the attachments table, as "Generate "Create Table" Statement" shows it.
    std::string CreateTableStatement() const;
};

}  // namespace pv
