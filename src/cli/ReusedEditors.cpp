#include "cli/ReusedEditors.h"

#include <algorithm>
#include <utility>

namespace pv {

std::vector<Message> ReusedEditors::WhatTheEditorSays(const EditorRegistration& editor,
                                                      const std::string& path,
                                                      const std::string& couldNotRead, std::string* printed) {
    std::unique_ptr<Open>& open = open_[&editor];
    if (!open || open->form->IsClosed()) {
        open = std::make_unique<Open>(paths_, editors_, keepNotes_);
        open->form = editor.make(open->headless.services, links_);
    }
    CollectingPrompts& prompts = open->prompts;
    prompts.messages.clear();
    FileEditorForm& form = *open->form;
    form.OpenFile(path);
    std::string text;
    const bool loaded = !form.IsClosed() && form.lastLoad() == FileProblem::None;
    const bool passed = loaded && form.SaveForCheck(text) == SaveOutcome::Printed;
    const bool saidWhy =
        std::any_of(prompts.messages.begin(), prompts.messages.end(),
                    [](const Message& message) { return message.kind != MessageKind::Information; });
    if (!passed && !saidWhy) prompts.ShowMessage(couldNotRead);
    if (printed) *printed = passed ? std::move(text) : std::string();
    return std::move(prompts.messages);
}

}  // namespace pv
