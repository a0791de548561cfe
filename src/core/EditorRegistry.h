#pragma once
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/FileEditor.h"

namespace pv {

class IMasterLinks;

// One editor of the registry: what it says of itself (its type, window, file kind, root element...), and
// how to make it.
struct EditorRegistration {
    FileEditorSetup setup;
    // It reads the message fields files the master names: the tool needs --master for its files.
    bool needsMessageFields = false;
    // Makes the editor; empty for a monitor type with nothing to edit, complete once it is chosen.
    std::function<std::unique_ptr<FileEditorForm>(Services&, const IMasterLinks&)> make;

    // The editor made and opened on the file at `fullPath`, as its window opens it (without a record), for
    // a run that saves or checks it without showing it.
    std::unique_ptr<FileEditorForm> OpenOnFile(Services& services, const IMasterLinks& master,
                                               const std::string& fullPath) const;
};

// The one table of the editors of a file a record names: the detailed disposition editors and the monitor
// editors, in the order their types are listed. Filled once when a program starts (editors/Editors.h) and
// only read after; the dispatches, the type chooser, the tool's resave and check, the fuzzers and the
// window gallery all read it through Services::editors.
class EditorRegistry {
  public:
    // Registers an editor class by its static Setup(); one whose constructor takes the master's links
    // reads the message fields files.
    template <typename Editor>
    void Add() {
        constexpr bool fields = std::is_constructible_v<Editor, Services&, const IMasterLinks&>;
        Add({Editor::Setup(), fields,
             [](Services& services, const IMasterLinks& master) -> std::unique_ptr<FileEditorForm> {
                 if constexpr (fields) {
                     return std::make_unique<Editor>(services, master);
                 } else {
                     return std::make_unique<Editor>(services);
                 }
             }});
    }
    void Add(EditorRegistration editor) { editors.push_back(std::move(editor)); }

    // The editors of one family, in registration order.
    std::vector<const EditorRegistration*> Of(EditorFamily family) const;
    // The types of one family ("ForwardMessage", ...), in registration order.
    std::vector<std::string> Types(EditorFamily family) const;
    // The editor of a type, of a monitor's class, or of files with this root element; null when none.
    const EditorRegistration* Find(EditorFamily family, const std::string& type) const;
    const EditorRegistration* FindClass(const std::string& className) const;
    const EditorRegistration* FindRoot(EditorFamily family, const std::string& root) const;

    std::vector<EditorRegistration> editors;
};

// The type the monitor dispatch is asked for when the entry's own type is meant: a monitor type is one of the
// registered ones, none of which has this name. (A disposition type may have any name: its dispatch is asked
// for the record's own type without one.)
inline constexpr const char* kUseRecordType = "missing";

// A registry without editors, for the runs that open none (the benchmarks' samples).
const EditorRegistry& NoEditors();

// Opens the editor on the record's file, and shows it until it closes; an editor that closed itself while
// opening has said why and is not shown.
void ShowEditor(const EditorRegistration& editor, Services& services, const IMasterLinks& master,
                FileReference record);

}  // namespace pv
