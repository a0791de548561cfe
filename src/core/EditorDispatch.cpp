#include "core/EditorDispatch.h"

#include <map>

#include "core/MasterLinks.h"
#include "core/errors.h"
#include "core/platform.h"
#include "core/xml.h"
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
    std::unique_ptr<DispositionEditorForm> editor = found->second(services, master);
    editor->PassDispositionObject(disposition);
    // An editor that closed itself while opening has said why; there is nothing to show.
    if (!editor->IsClosed()) services.windows.ShowModal(*editor);
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

bool HasDispositionEditor(const std::string& formName) {
    return Registry().count(formName) != 0;
}

std::string BuiltInEditorFor(const std::string& typeName) {
    for (const auto& builtIn : kBuiltIns) {
        if (typeName == builtIn.type) return builtIn.form;
    }
    return std::string();
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

bool ChooseDetailedFile(Services& services, Form& form, const std::string& textBox,
                        const std::string& typeKey, const std::string& typeLabel,
                        CCatDisposition& disposition) {
    try {
        const std::string& referring = disposition.DispositionFilePath;
        FileDialogRequest request;
        request.pattern = "*." + typeKey + ".xml";
        request.filter = typeLabel + " config files(*." + typeKey + ".xml)|*." + typeKey +
                         ".xml|All xml files(*.xml)|*.xml";
        request.title = "Choose the detailed disposition config file you wish to open (or create)";
        request.mode = FileCheck::CreatePrompt;
        request.refuseReadOnly = true;
        const std::string current = services.paths.ResolvePath(referring, form.Text(textBox));
        if (platform::FileExists(current)) {
            request.initialFolder = platform::ParentFolder(current);
            request.fileName = platform::FileName(current);
        } else if (platform::FileExists(referring)) {
            const std::string folder = platform::ParentFolder(referring);
            const std::string dispose = folder + platform::kSeparator + "dispose";
            request.initialFolder = platform::FolderExists(dispose) ? dispose : folder;
        } else {
            request.initialFolder = services.paths.programDirectory();
        }
        const auto chosen = services.dialogs.ChooseOpenFile(request);
        if (!chosen) return false;
        form.SetText(textBox, services.paths.MakeStoredPath(true, *chosen, referring));
        const std::string path = services.paths.ResolvePath(referring, form.Text(textBox));
        if (!platform::FileExists(path)) WriteTextFile(path, "<Disposition>\r\n</Disposition>");
        if (form.Text(textBox) != disposition.DetailedDispositionFile) {
            disposition.DetailedDispositionFile = form.Text(textBox);
            disposition.Changed = true;
        }
        return true;
    } catch (const AppError& error) {
        services.prompts.ShowMessage(FormatError("Error=", error));
        return false;
    }
}

}  // namespace pv
