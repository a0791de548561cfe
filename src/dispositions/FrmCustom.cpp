#include "dispositions/FrmCustom.h"

#include "core/blankends.h"
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
    // Typing is allowed here; the name reaches the record only through Save, so a name that differs from the
    // record's is an edit Escape and the close box ask about. "Exit without saving" drops it without asking.
    mutableControl(txtFileName).readOnly = false;
    OnChange(txtFileName, [this] { NoteTypedName(); });
    AddControl(cmdOpenWithNotepad, ControlKind::Button, "Open File in Notepad");
    AddControl(cmdExit, ControlKind::Button, "Exit without saving");
    OnClick(cmdOpenWithNotepad, [this] { OpenWithNotepad(); });
    OnClick(cmdExit, [this] {
        setChanged(false);
        Close();
    });
}

void FrmCustom::NoteTypedName() {
    setChanged(record() && Text(txtFileName) != *record().storedName);
}

bool FrmCustom::SaveFile() {
    // The disposition file gives the name back without the blanks at its ends: another file's name.
    if (auto fault = BlankEndsFault("detailed disposition file name", Text(txtFileName),
                                    "the disposition configuration file", txtFileName)) {
        ShowFault(services_.prompts, *fault);
        return false;
    }
    UpdateRecordFileName();
    MarkSaved();
    services_.prompts.ShowInformation("Saved");
    return true;
}

void FrmCustom::OpenWithNotepad() {
    // With no file named there is nothing to open; the editor would start on an empty document.
    if (Text(txtFileName).empty()) {
        services_.prompts.ShowMessage("No file is named, so there is nothing to open in a text editor.");
        return;
    }
    const std::string path = GetConfigFilePath();
    // The editor starts in the file's folder: one that is not there starts none, and is the reason to give.
    if (const std::string folder = platform::ParentFolder(path); !platform::FolderExists(folder)) {
        services_.prompts.ShowMessage("The folder " + folder + " does not exist, so " + path +
                                      " cannot be opened in a text editor.");
        return;
    }
    std::string tried;
    for (const EditorCandidate& candidate : TextEditorCandidates(EditorEnvironment::Current())) {
        if (!candidate.program.empty()) {
            std::vector<std::string> arguments = candidate.arguments;
            arguments.push_back(path);
            if (services_.launcher.Launch(candidate.program, arguments, platform::ParentFolder(path))) return;
        }
        tried += (tried.empty() ? "" : ", ") + candidate.tried +
                 (candidate.program.empty() ? "" : " could not be started");
    }
    services_.prompts.ShowMessage("No text editor could be started for " + path + ". Tried: " + tried + ".");
}

}  // namespace pv
