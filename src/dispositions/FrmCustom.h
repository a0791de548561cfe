#pragma once
#include "core/FileEditor.h"

namespace pv {

// The window for a disposition type whose file has no form of its own: the user chooses or creates the
// file and may open it in the platform's plain text editor. It never reads or writes the file.
class FrmCustom : public FileEditorBase {
  public:
    explicit FrmCustom(Services& services);

    // Puts a changed file name into the record; the file itself is never written here.
    bool SaveFile() override;
    // Opens the file in the plain text editor, in the file's folder, without waiting for it.
    void OpenWithNotepad();

  protected:
    // A file chosen with "..." is in the record at once: no edit is left to ask about, and, as in the
    // editors that read the chosen file, the history starts there (undone, the box would name another file
    // than the record).
    void AfterChoosing() override { MarkLoaded(); }

  private:
    void NoteTypedName();
};

}  // namespace pv
