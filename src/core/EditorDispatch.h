#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CCatDisposition;
class IMasterLinks;

// A detailed disposition editor: a window opened on one disposition record.
class IDispositionEditor {
  public:
    virtual ~IDispositionEditor() = default;
    // The editor's only entry: keeps the record and loads its file (or starts by choosing one).
    virtual void PassDispositionObject(CCatDisposition& disposition) = 0;
    // The window the dispatch then shows.
    virtual Form& window() = 0;
};

using DispositionEditorCreator =
    std::function<std::unique_ptr<IDispositionEditor>(Services& services, const IMasterLinks& master)>;

// The detailed editors by window name ("frmForwardMessage", ..., "frmCustom"). The program registers the
// built-in ones once at start; tests may register their own.
// Registering an empty creator removes the editor.
void RegisterDispositionEditor(const std::string& formName, DispositionEditorCreator creator);
// The creator registered for the window, or an empty one; lets a test put back what it replaced.
DispositionEditorCreator RegisteredDispositionEditor(const std::string& formName);

// The window that edits a disposition type built into the program, or "" for any other type.
std::string BuiltInEditorFor(const std::string& typeName);
// The disposition types built into the program, in the order the dispatch tests them.
std::vector<std::string> BuiltInDispositionTypes();

inline constexpr const char* kUseRecordType = "missing";

// Opens the editor of `typeName` ("missing": the record's own type) on the record and returns when it has
// closed; the caller then reads the record's Changed.
void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition,
                           const std::string& typeName);

}  // namespace pv
