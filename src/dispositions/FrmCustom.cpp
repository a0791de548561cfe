#include "dispositions/FrmCustom.h"

#include "core/platform.h"
#include "core/process.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmCustom.h"

namespace pv {
using namespace names::frmCustom;

namespace {

FileEditorSetup CustomSetup() {
    FileEditorSetup setup = DetailedFileSetup("", frmCustom, "Edit Custom Disposition Configuration",
                                              "customdisposition", "Custom Disposition");
    setup.reloadButton = false;
    return setup;
}

}  // namespace

FrmCustom::FrmCustom(Services& services) : FileEditorBase(services, CustomSetup()) {
    AddControl(
        Label1, ControlKind::Label,
        "Note: This disposition type is not supported in the configuration program. You can just choose "
        "the file.");
    AddControl(Label3, ControlKind::Label, "You'll need to edit the file using another tool.");
    // Typing is allowed here; the name reaches the record only through Save.
    mutableControl(txtFileName).readOnly = false;
    AddControl(cmdOpenWithNotepad, ControlKind::Button, "Open File in Notepad");
    AddControl(cmdExit, ControlKind::Button, "Exit without saving");
    OnClick(cmdOpenWithNotepad, [this] { OpenWithNotepad(); });
    OnClick(cmdExit, [this] { UserRequestClose(); });
}

bool FrmCustom::SaveFile() {
    UpdateRecordFileName();
    setChanged(false);
    services_.prompts.ShowInformation("Saved");
    return true;
}

void FrmCustom::OpenWithNotepad() {
    const std::string path = GetConfigFilePath();
    // With no file named there is nothing to open; the editor would start on an empty document.
    const bool started =
        !Text(txtFileName).empty() &&
        services_.launcher.Launch(PlainTextEditorProgram(), {path}, platform::ParentFolder(path));
    if (!started) services_.prompts.ShowMessage("Error launching notepad");
}

}  // namespace pv
