#include "actions/DetailedFileTool.h"

#include "actions/FrmWriteToDB.h"
#include "core/HeadlessServices.h"
#include "core/platform.h"

namespace pv {

std::optional<std::string> CreateTableStatementOf(const std::string& fullPath, const IMasterLinks& master,
                                                  const PathContext& paths, IPrompts& prompts) {
    if (!platform::PathExists(fullPath)) {
        prompts.Show(MissingFile(fullPath));
        return std::nullopt;
    }
    HeadlessServices headless(paths, prompts);
    FrmWriteToDB editor(headless.services, master);
    editor.OpenFile(fullPath);
    if (editor.IsClosed() || editor.lastLoad() != FileProblem::None) return std::nullopt;
    // What the editor does not keep is no part of a Write To DB file (another type's settings, say): the
    // statement would describe a table the file does not name.
    if (const std::optional<Loss>& notKept = editor.notKept()) {
        prompts.Show({MessageKind::Error, notKept->reason, {}, Place::File(fullPath)});
        return std::nullopt;
    }
    // A Write Attachments to DB file, say, holds the connection and the table name and no fields: its table
    // is another, which its own editor gives.
    if (!editor.FileHoldsFields()) {
        prompts.Show({MessageKind::Error,
                      "The file holds no Fields element, so it names no columns: a Write To DB file lists "
                      "the fields it writes (another type's file, such as Write Attachments to DB, has a "
                      "table of its own).",
                      {},
                      Place::File(fullPath)});
        return std::nullopt;
    }
    // Nor does it when fields of the file are missing from the window, which the load said: fields the
    // message fields files do not list, or all of them while one of those files could not be read.
    if (!editor.dropMessages().empty() || editor.restsOnUnreadCatalogue()) {
        prompts.Show({MessageKind::Error,
                      "The file names fields the editor cannot show (see above), so the statement would lack "
                      "their columns.",
                      {},
                      Place::File(fullPath)});
        return std::nullopt;
    }
    return editor.CreateTableStatement();
}

}  // namespace pv
