#pragma once
#include "core/FileEditor.h"

namespace pv {

// The editor of a Write To RFC-822 disposition's file: the root folder the messages are written under, and
// how many levels of numbered subfolders spread them out.
class FrmWriteToRFC822 : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmWriteToRFC822(Services& services);
};

}  // namespace pv
