#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/EditorRegistry.h"
#include "core/HeadlessServices.h"
#include "core/message.h"
#include "core/paths.h"

namespace pv {

class IMasterLinks;

// The editors one thread of a check loads its detailed and monitor files with: one per type, made when first
// needed and loaded again for every file of its type. A load sets every control from the file or its default
// and forgets what the last one reported, so a reused editor says exactly what a fresh one would; building
// the declarations of an editor anew for each of thousands of files was most of a check's work. An editor
// that closed itself (it could not read what it needs before its file) is made afresh next time.
class ReusedEditors {
  public:
    // `keepNotes`: what the editors say is kept with its notes (see CollectingPrompts).
    ReusedEditors(const PathContext& paths, const EditorRegistry& editors, const IMasterLinks& links,
                  bool keepNotes = false)
        : paths_(paths), editors_(editors), links_(links), keepNotes_(keepNotes) {}

    // Everything the editor shows while loading the file at `path` and building its save, as its window
    // would show it. A file the editor could not take as its own says so in `couldNotRead` when the editor
    // itself said nothing. `printed`, when given, receives the text the save would write ("" when none).
    std::vector<Message> WhatTheEditorSays(const EditorRegistration& editor, const std::string& path,
                                           const std::string& couldNotRead, std::string* printed = nullptr);

  private:
    struct Open {
        Open(const PathContext& paths, const EditorRegistry& editors, bool keepNotes)
            : prompts(keepNotes), headless(paths, prompts, editors) {
            prompts.everyLoss = true;  // a save here prints, writing nothing: each loss is told
        }
        CollectingPrompts prompts;
        HeadlessServices headless;
        std::unique_ptr<FileEditorForm> form;
    };
    const PathContext& paths_;
    const EditorRegistry& editors_;
    const IMasterLinks& links_;
    bool keepNotes_;
    std::unordered_map<const EditorRegistration*, std::unique_ptr<Open>> open_;
};

}  // namespace pv
