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
        case FileProblem::None:
            break;
        case FileProblem::Missing:
            return ResaveOutcome::Missing;
        case FileProblem::OtherKind:
            return ResaveOutcome::NoRoot;
        default:
            return ResaveOutcome::NotRead;
    }
    switch (editor->Save(textOnly_)) {
        case SaveOutcome::Written:
            return ResaveOutcome::Written;
        case SaveOutcome::Printed:
            return ResaveOutcome::Printed;
        default:
            return ResaveOutcome::Refused;
    }
}

}  // namespace pv
