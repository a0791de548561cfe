#include "cli/ReusedEditors.h"

#include <utility>

namespace pv {

std::vector<Message> ReusedEditors::WhatTheEditorSays(const EditorRegistration& editor,
                                                      const std::string& path,
                                                      const std::string& couldNotRead, std::string* printed) {
    std::unique_ptr<Open>& open = open_[&editor];
    if (!open || open->form->IsClosed()) {
        open = std::make_unique<Open>(paths_, editors_);
        open->form = editor.make(open->headless.services, links_);
    }
    CollectingPrompts& prompts = open->prompts;
    prompts.messages.clear();
    FileEditorForm& form = *open->form;
    form.OpenFile(path);
    std::string text;
    const bool passed =
        !form.IsClosed() && form.lastLoad() == FileProblem::None && form.Save(&text) == SaveOutcome::Printed;
    if (!passed && prompts.messages.empty()) prompts.ShowMessage(couldNotRead);
    if (printed) *printed = passed ? std::move(text) : std::string();
    return std::move(prompts.messages);
}

}  // namespace pv
