#pragma once
#include <functional>
#include <memory>
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CCatDisposition;
class IMasterLinks;

// A detailed disposition editor: a window opened on one disposition record.
class DispositionEditorForm : public Form {
  public:
    using Form::Form;
    // The editor's only entry: keeps the record and loads its file (or starts by choosing one).
    virtual void PassDispositionObject(CCatDisposition& disposition) = 0;
};

using DispositionEditorCreator =
    std::function<std::unique_ptr<DispositionEditorForm>(Services& services, const IMasterLinks& master)>;

// The detailed editors by window name ("frmForwardMessage", ..., "frmCustom"). The program registers the
// built-in ones once at start; tests may register their own.
// Registering an empty creator removes the editor.
void RegisterDispositionEditor(const std::string& formName, DispositionEditorCreator creator);
bool HasDispositionEditor(const std::string& formName);
// The creator registered for the window, or an empty one; lets a test put back what it replaced.
DispositionEditorCreator RegisteredDispositionEditor(const std::string& formName);

// The window that edits a disposition type built into the program, or "" for any other type.
std::string BuiltInEditorFor(const std::string& typeName);

inline constexpr const char* kUseRecordType = "missing";

// Opens the editor of `typeName` ("missing": the record's own type) on the record and returns when it has
// closed; the caller then reads the record's Changed.
void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition,
                           const std::string& typeName);

// The choose-or-create step of every detailed editor: lets the user choose a detailed file (creating it with
// an empty Disposition root when new), puts its stored form into `textBox` of `form`, and copies it into the
// record, setting its Changed, when it differs. Returns false when the user cancelled or the step failed.
bool ChooseDetailedFile(Services& services, Form& form, const std::string& textBox,
                        const std::string& typeKey, const std::string& typeLabel,
                        CCatDisposition& disposition);

}  // namespace pv
