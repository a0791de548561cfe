#include "actions/DetailedFileTool.h"

#include "actions/DetailedEditor.h"
#include "actions/FrmWriteToDB.h"
#include "actions/RegisterEditors.h"
#include "core/EditorDispatch.h"
#include "core/HeadlessServices.h"
#include "core/platform.h"
#include "dispositions/CCatDisposition.h"

namespace pv {

bool UsesMessageFields(const std::string& typeName) {
    for (const char* type : {"WriteToFile", "WriteToDB", "RunSQL", "HttpRequest"}) {
        if (typeName == type) return true;
    }
    return false;
}

ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly) {
    if (BuiltInEditorFor(typeName).empty()) return ResaveOutcome::NoEditor;
    if (!platform::PathExists(fullPath)) return ResaveOutcome::Missing;
    RegisterBuiltInDispositionEditors();

    ResaveServices headless(paths, prompts, textOnly);
    // The record names the file by its full path, so no referring file is needed.
    CCatDisposition disposition;
    disposition.DetailedDispositionFile = fullPath;
    // Stays so when the editor closed itself while opening (a catalogue it needs could not be read).
    headless.windows.outcome = ResaveOutcome::NotRead;
    OpenDispositionEditor(headless.services, master, disposition, typeName);
    return headless.windows.outcome;
}

std::optional<std::string> CreateTableStatementOf(const std::string& fullPath, const IMasterLinks& master,
                                                  const PathContext& paths, IPrompts& prompts) {
    if (!platform::PathExists(fullPath)) {
        prompts.Show(MissingFile(fullPath));
        return std::nullopt;
    }
    HeadlessServices headless(paths, prompts);
    CCatDisposition disposition;
    disposition.Type = "WriteToDB";
    disposition.DetailedDispositionFile = fullPath;
    FrmWriteToDB editor(headless.services, master);
    editor.PassDispositionObject(disposition);
    if (editor.IsClosed() || editor.lastLoad() != FileProblem::None) return std::nullopt;
    return editor.CreateTableStatement();
}

}  // namespace pv
