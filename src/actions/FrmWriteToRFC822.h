#pragma once
#include "actions/DetailedEditor.h"

namespace pv {

// The editor of a Write To RFC-822 disposition's file: the root folder the messages are written under, and
// how many levels of numbered subfolders spread them out.
class FrmWriteToRFC822 : public DetailedEditorForm {
  public:
    explicit FrmWriteToRFC822(Services& services);
};

}  // namespace pv
