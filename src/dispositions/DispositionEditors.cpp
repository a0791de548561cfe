#include "dispositions/DispositionEditors.h"

#include "core/EditorRegistry.h"
#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/FrmCustom.h"
#include "names/DetailedFileEditor.h"

namespace pv {

FileEditorSetup DetailedFileSetup(const std::string& type, const std::string& formName,
                                  const std::string& caption, const std::string& fileKey,
                                  const std::string& fileLabel) {
    FileEditorSetup setup;
    setup.family = EditorFamily::Disposition;
    setup.type = type;
    setup.formName = formName;
    setup.caption = caption;
    setup.root = "Disposition";
    setup.fileLabel = names::DetailedFileEditor::Label2;
    setup.fileLabelCaption = "Detailed Configuration File name:";
    setup.dialogTitle = "Choose the detailed disposition config file you wish to open (or create)";
    setup.pattern = "*." + fileKey + ".xml";
    setup.filter =
        fileLabel + " config files(*." + fileKey + ".xml)|*." + fileKey + ".xml|All xml files(*.xml)|*.xml";
    setup.startFolder = StartFolder::Referring;
    setup.startSubfolder = "dispose";
    setup.missingFile = FileEditorSetup::MissingFile::Defaults;
    setup.reloadAfterChoosing = FileEditorSetup::ReloadAfterChoosing::WhenRecordMarked;
    setup.fileKind = fileLabel + " detailed disposition file";
    return setup;
}

FileReference DetailedFileOf(CCatDisposition& disposition) {
    return {&disposition.DetailedDispositionFile, &disposition.DispositionFilePath, &disposition.Changed};
}

CDispositionTypes ReadDispositionTypes(const IMasterLinks& master, const PathContext& paths,
                                       IPrompts& prompts) {
    CDispositionTypes types;
    const std::string referring = master.FullPathToMasterConfig();
    types.LoadFromFile(master.DispositionTypesFile(1), referring, paths, prompts);
    types.LoadFromFile(master.DispositionTypesFile(2), referring, paths, prompts);
    return types;
}

void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition) {
    // A copy: the record's type is set below, and compared with the one asked for.
    OpenDispositionEditor(services, master, disposition, std::string(disposition.Type));
}

void OpenDispositionEditor(Services& services, const IMasterLinks& master, CCatDisposition& disposition,
                           const std::string& type) {
    if (type.empty()) {
        services.prompts.ShowMessage("Please select a disposition type");
        return;
    }
    if (const EditorRegistration* editor = services.editors.Find(EditorFamily::Disposition, type)) {
        // The type is set before the editor opens, so it stays even when the editor is closed unsaved.
        disposition.Type = type;
        ShowEditor(*editor, services, master, DetailedFileOf(disposition));
        return;
    }
    const CDispositionTypes types = ReadDispositionTypes(master, services.paths, services.prompts);
    const std::optional<bool> requiresFile = types.RequiresDetailedFile(type);
    if (!requiresFile) {
        // A type written by hand that no catalogue knows: the disposition stays as it is.
        services.prompts.ShowMessage("The disposition type \"" + type +
                                     "\" is not in the disposition types files, so it cannot be edited");
        return;
    }
    if (*requiresFile) {
        disposition.Type = type;
        FrmCustom editor(services);
        editor.OpenOn(DetailedFileOf(disposition));
        if (!editor.IsClosed()) services.windows.ShowModal(editor);
    } else if (type != disposition.Type) {
        disposition.Type = type;
        disposition.Changed = true;
    } else {
        services.prompts.ShowMessage("There is no config file to edit for \"" + type + "\" types");
    }
}

}  // namespace pv
