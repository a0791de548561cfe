#include "core/FileEditorTool.h"

#include "core/FileEditor.h"

namespace pv {

void ResaveInsteadOfShowing::ShowModal(Form& form) {
    outcome = Resave(form);
    form.Close();
}

ResaveOutcome ResaveInsteadOfShowing::Resave(Form& form) {
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
    const bool dropping = !editor->dropMessages().empty();
    if (dropping && !textOnly_) return ResaveOutcome::WouldDrop;
    if (!textOnly_) return editor->SaveFile() ? ResaveOutcome::Written : ResaveOutcome::Refused;
    const std::optional<std::string> text = editor->BuildFileText();
    if (!text) return ResaveOutcome::Refused;
    if (dropping) return ResaveOutcome::WouldDrop;
    *textOnly_ = *text + "\r\n";
    return ResaveOutcome::Printed;
}

}  // namespace pv
