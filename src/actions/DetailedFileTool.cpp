#include "actions/DetailedFileTool.h"

#include "actions/DetailedEditor.h"
#include "actions/RegisterEditors.h"
#include "core/EditorDispatch.h"
#include "core/platform.h"
#include "dispositions/CCatDisposition.h"

namespace pv {

ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly) {
    if (BuiltInEditorFor(typeName).empty()) return ResaveOutcome::NoEditor;
    if (!platform::FileExists(fullPath)) return ResaveOutcome::Missing;
    RegisterBuiltInDispositionEditors();

    ResaveServices headless(paths, prompts, textOnly);
    // The record names the file by its full path, so no referring file is needed.
    CCatDisposition disposition;
    disposition.DetailedDispositionFile = fullPath;
    OpenDispositionEditor(headless.services, master, disposition, typeName);
    return headless.windows.outcome;
}

}  // namespace pv
