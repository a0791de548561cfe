#pragma once
#include "core/FileEditor.h"

namespace pv {

// The editor of a Copy To IMAP Folder disposition's file: the IMAP server, the account and its password
// (kept scrambled in the file), and the folder the messages are copied into.
class FrmCopyToIMAPFolder : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmCopyToIMAPFolder(Services& services);
};

}  // namespace pv
