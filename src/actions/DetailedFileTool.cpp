#include "actions/DetailedFileTool.h"

#include "actions/DetailedEditor.h"
#include "actions/RegisterEditors.h"
#include "core/EditorDispatch.h"
#include "core/HeadlessServices.h"
#include "core/platform.h"
#include "dispositions/CCatDisposition.h"

namespace pv {
namespace {

// Where the dispatch shows the editor it opened, the tool presses Save instead (or only builds the text),
// then closes the window.
class ResaveInsteadOfShowing : public IWindowHost {
  public:
    explicit ResaveInsteadOfShowing(std::string* textOnly) : textOnly_(textOnly) {}

    void ShowModal(Form& form) override {
        outcome = Resave(form);
        form.Close();
    }

    ResaveOutcome outcome = ResaveOutcome::NoEditor;

  private:
    ResaveOutcome Resave(Form& form) {
        auto* editor = dynamic_cast<FileEditorForm*>(&form);
        if (!editor) return ResaveOutcome::NoEditor;
        switch (editor->lastLoad()) {
            case FileLoad::Loaded:
                break;
            case FileLoad::Missing:
                return ResaveOutcome::Missing;
            case FileLoad::NoRoot:
                return ResaveOutcome::NoRoot;
            case FileLoad::Malformed:
            case FileLoad::Unreadable:
            case FileLoad::Stopped:
                return ResaveOutcome::NotRead;
        }
        if (!textOnly_) return editor->SaveFile() ? ResaveOutcome::Written : ResaveOutcome::Refused;
        const std::optional<std::string> text = editor->BuildFileText();
        if (!text) return ResaveOutcome::Refused;
        *textOnly_ = *text + "\r\n";
        return ResaveOutcome::Printed;
    }

    std::string* textOnly_;
};

}  // namespace

ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly) {
    if (BuiltInEditorFor(typeName).empty()) return ResaveOutcome::NoEditor;
    if (!platform::FileExists(fullPath)) return ResaveOutcome::Missing;
    RegisterBuiltInDispositionEditors();

    NoDialogs dialogs;
    NoLauncher launcher;
    ResaveInsteadOfShowing windows(textOnly);
    NoClipboard clipboard;
    Services services{paths, prompts, dialogs, windows, launcher, clipboard};
    // The record names the file by its full path, so no referring file is needed.
    CCatDisposition disposition;
    disposition.DetailedDispositionFile = fullPath;
    OpenDispositionEditor(services, master, disposition, typeName);
    return windows.outcome;
}

}  // namespace pv
