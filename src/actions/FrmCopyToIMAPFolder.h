#pragma once
#include "actions/DetailedEditor.h"

namespace pv {

// The editor of a Copy To IMAP Folder disposition's file: the IMAP server, the account and its password
// (kept scrambled in the file), and the folder the messages are copied into.
class FrmCopyToIMAPFolder : public DetailedEditorForm {
  public:
    explicit FrmCopyToIMAPFolder(Services& services);
};

}  // namespace pv
