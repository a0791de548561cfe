#include "core/EditorDispatch.h"

#include <map>

#include "core/MasterLinks.h"
#include "core/errors.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/CDispositionTypes.h"

namespace pv {
namespace {

std::map<std::string, DispositionEditorCreator>& Registry() {
    static std::map<std::string, DispositionEditorCreator> registry;
    return registry;
}

struct BuiltIn {
    const char* type;
    const char* form;
};

// In the order the types are tested; names compare exactly.
constexpr BuiltIn kBuiltIns[] = {
    {"ForwardMessage", "frmForwardMessage"},
    {"MoveToSubfolder", "frmMoveToSubfolder"},
    {"CopyToIMAPFolder", "frmCopyToIMAPFolder"},
    {"RuleUpdate", "frmRuleUpdate"},
    {"WriteToDB", "frmWriteToDB"},
    {"RunSQL", "frmRunSQL"},
    {"WriteToFile", "frmWriteToFile"},
    {"WriteRFC822File", "frmWriteToRFC822"},
    {"HttpRequest", "frmHttpRequest"},
    {"WriteAttachmentsToDB", "frmSaveAttachments"},
};

void ShowEditor(Services& services, const IMasterLinks& master, const std::string& formName,
                CCatDisposition& disposition) {
    const auto found = Registry().find(formName);
    if (found == Registry().end()) {
        throw AppError(kErrKeyNotFound, "No editor is available for " + formName);
    }
    std::unique_ptr<IDispositionEditor> editor = found->second(services, master);
    editor->PassDispositionObject(disposition);
    // An editor that closed itself while opening has said why; there is nothing to show.
    if (!editor->window().IsClosed()) services.windows.ShowModal(editor->window());
}

}  // namespace

void RegisterDispositionEditor(const std::string& formName, DispositionEditorCreator creator) {
    if (creator) {
        Registry()[formName] = std::move(creator);
    } else {
        Registry().erase(formName);
    }
}

DispositionEditorCreator RegisteredDispositionEditor(const std::string& formName) {
    const auto found = Registry().find(formName);
    return found == Registry().end() ? DispositionEditorCreator() : found->second;
}

std::string BuiltInEditorFor(const std::string& typeName) {
    for (const auto& builtIn : kBuiltIns) {
        if (typeName == builtIn.type) return builtIn.form;
    }
    return std::string();
}

std::vector<std::string> BuiltInDispositionTypes() {
    std::vector<std::string> types;
    for (const auto& builtIn : kBuiltIns) types.push_back(builtIn.type);
    return types;
}

void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition,
                           const std::string& typeName) {
    const std::string type = typeName == kUseRecordType ? disposition.Type : typeName;
    if (type.empty()) {
        services.prompts.ShowMessage("Please select a disposition type");
        return;
    }
    const std::string builtIn = BuiltInEditorFor(type);
    if (!builtIn.empty()) {
        // The type is set before the editor opens, so it stays even when the editor is closed unsaved.
        disposition.Type = type;
        ShowEditor(services, master, builtIn, disposition);
        return;
    }
    CDispositionTypes types;
    const std::string referring = master.FullPathToMasterConfig();
    types.LoadFromFile(master.DispositionTypesFile(1), referring, services.paths, services.prompts);
    types.LoadFromFile(master.DispositionTypesFile(2), referring, services.paths, services.prompts);
    const std::optional<bool> requiresFile = types.RequiresDetailedFile(type);
    if (!requiresFile) {
        // A type written by hand that no catalogue knows: the disposition stays as it is.
        services.prompts.ShowMessage("The disposition type \"" + type +
                                     "\" is not in the disposition types files, so it cannot be edited");
        return;
    }
    if (*requiresFile) {
        disposition.Type = type;
        ShowEditor(services, master, "frmCustom", disposition);
    } else if (type != disposition.Type) {
        disposition.Type = type;
        disposition.Changed = true;
    } else {
        services.prompts.ShowMessage("There is no config file to edit for \"" + type + "\" types");
    }
}

}  // namespace pv
