#pragma once
#include "core/FileEditor.h"

namespace pv {

// "Historical Charts Settings": the folders where the server writes its charts and keeps its data.
class FrmHistoricalCharts : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmHistoricalCharts(Services& services);

  private:
    // A directory button: the folder chooser, started at the box's folder (else `fallback`, else the
    // program's folder); the chosen folder goes into the box relative to the file.
    void BrowseDirectory(const std::string& textBox, const std::string& fallback, const std::string& title);
};

}  // namespace pv
