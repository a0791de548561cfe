#pragma once
#include <string>

#include "core/FileEditorTool.h"

namespace pv {

class IPrompts;
class PathContext;

// The type ("Logger") of the monitor whose editor reads files with this root element ("LogConfig"), or "".
std::string MonitorTypeOfRoot(const std::string& root);

// Loads the file of a monitor of type `typeName` ("Logger") into that type's editor and saves it back
// exactly as the window's Save does, with the same checks and messages (to `prompts`). `fullPath` is the
// file's full path. A file the editor could not read as its own is never written. With `textOnly`, the text
// Save would write (with its final CR LF) is put there instead, after the same checks.
ResaveOutcome ResaveMonitorFile(const std::string& typeName, const std::string& fullPath,
                                const PathContext& paths, IPrompts& prompts, std::string* textOnly = nullptr);

}  // namespace pv
