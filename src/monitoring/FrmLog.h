#pragma once
#include "core/FileEditor.h"

namespace pv {

// "Config Log Settings": the server's log file, how much it writes, whether it echoes to the console, how
// often the file is rolled, how many old files stay, and their encoding.
class FrmLog : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmLog(Services& services);

  private:
    // cmdBrowseLogFile: the save dialog; the chosen file goes into the box relative to the program.
    void BrowseLogFile();
};

}  // namespace pv
