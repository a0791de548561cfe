#pragma once
#include "core/FileEditor.h"

namespace pv {

// The editor of a Rule Update disposition's file: where new categorization rules taken from a message go,
// where the files they replace are backed up, and whether the server restarts afterwards.
class FrmRuleUpdate : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmRuleUpdate(Services& services);
};

}  // namespace pv
