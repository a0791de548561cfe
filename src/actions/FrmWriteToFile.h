#pragma once
#include "actions/DataOutputEditor.h"

namespace pv {

// The editor of a Write To File disposition's file: the output file, its delimiter, header and roll-over,
// and the fields written on each line.
class FrmWriteToFile : public MessageFieldsEditor {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    FrmWriteToFile(Services& services, const IMasterLinks& master);

  private:
    // "...": chooses the output file.
    void BrowseOutput();
    // The output file's full path: its box resolved against the detailed file.
    std::string OutputFilePath() const;
};

}  // namespace pv
