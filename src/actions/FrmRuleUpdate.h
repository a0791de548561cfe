#pragma once
#include "actions/DetailedEditor.h"

namespace pv {

// The editor of a Rule Update disposition's file: where new categorization rules taken from a message go,
// where the files they replace are backed up, and whether the server restarts afterwards.
class FrmRuleUpdate : public DetailedEditorForm {
  public:
    explicit FrmRuleUpdate(Services& services);
};

}  // namespace pv
