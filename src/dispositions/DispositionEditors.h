#pragma once
#include <optional>
#include <string>

#include "core/FileEditor.h"
#include "dispositions/CDispositionTypes.h"

namespace pv {

struct CCatDisposition;
class IMasterLinks;

// What every detailed disposition editor tells the file editor engine: the "Disposition" root, the label and
// the choose-or-create dialog of its type (`fileKey` "forward" names its files "*.forward.xml", `fileLabel`
// "Forward Message" describes them), a missing file shown as defaults, and a file chosen again reloaded only
// when the record is marked.
FileEditorSetup DetailedFileSetup(const std::string& type, const std::string& formName,
                                  const std::string& caption, const std::string& fileKey,
                                  const std::string& fileLabel);

// The record's fields that name its detailed file.
FileReference DetailedFileOf(CCatDisposition& disposition);

// The types of the master's disposition types files as they are now, read afresh; what the reading finds is
// said through `prompts`.
CDispositionTypes ReadDispositionTypes(const IMasterLinks& master, const PathContext& paths,
                                       IPrompts& prompts);

// Opens the editor of `typeName`, the type chosen for the record, on the record and returns when it has
// closed; the caller then reads the record's Changed. A type with an editor of its own (Services::editors)
// opens that; another type the disposition types files say has a detailed file opens the custom editor
// (FrmCustom); one without a file is set at once.
void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition,
                           const std::string& typeName);
// The same for the record's own type. Not a type name that stands for it: a type may have any name.
void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition);

}  // namespace pv
