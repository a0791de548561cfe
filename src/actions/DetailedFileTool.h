#pragma once
#include <string>

#include "core/FileEditorTool.h"

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;

// Loads a detailed disposition file of type `typeName` ("ForwardMessage") into that type's editor and saves
// it back exactly as the window's Save does, with the same checks and messages (to `prompts`). `fullPath`
// is the file's full path; `master` stands in for the main window (catalogue files). A file that could not
// be read as a detailed disposition file is never written. With `textOnly`, the text Save would write
// (with its final CR LF) is put there instead, after the same checks.
ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly = nullptr);

}  // namespace pv
