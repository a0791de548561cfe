#include "core/EditorRegistry.h"

namespace pv {

std::unique_ptr<FileEditorForm> EditorRegistration::OpenOnFile(Services& services, const IMasterLinks& master,
                                                               const std::string& fullPath) const {
    std::unique_ptr<FileEditorForm> editor = make(services, master);
    editor->OpenFile(fullPath);
    return editor;
}

std::vector<const EditorRegistration*> EditorRegistry::Of(EditorFamily family) const {
    std::vector<const EditorRegistration*> found;
    for (const EditorRegistration& editor : editors) {
        if (editor.setup.family == family) found.push_back(&editor);
    }
    return found;
}

std::vector<std::string> EditorRegistry::Types(EditorFamily family) const {
    std::vector<std::string> types;
    for (const EditorRegistration* editor : Of(family)) types.push_back(editor->setup.type);
    return types;
}

const EditorRegistration* EditorRegistry::Find(EditorFamily family, const std::string& type) const {
    for (const EditorRegistration* editor : Of(family)) {
        if (editor->setup.type == type) return editor;
    }
    return nullptr;
}

const EditorRegistration* EditorRegistry::FindClass(const std::string& className) const {
    for (const EditorRegistration* editor : Of(EditorFamily::Monitor)) {
        if (!className.empty() && editor->setup.className == className) return editor;
    }
    return nullptr;
}

const EditorRegistration* EditorRegistry::FindRoot(EditorFamily family, const std::string& root) const {
    for (const EditorRegistration* editor : Of(family)) {
        if (editor->make && editor->setup.root == root) return editor;
    }
    return nullptr;
}

const EditorRegistry& NoEditors() {
    static const EditorRegistry none;
    return none;
}

void ShowEditor(const EditorRegistration& editor, Services& services, const IMasterLinks& master,
                FileReference record) {
    std::unique_ptr<FileEditorForm> form = editor.make(services, master);
    form->OpenOn(record);
    if (!form->IsClosed()) services.windows.ShowModal(*form);
}

}  // namespace pv
