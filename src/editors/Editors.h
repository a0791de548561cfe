#pragma once
#include "core/EditorRegistry.h"

namespace pv {

// Registers every editor of the program, one line each: the detailed disposition editors in the order
// their types are listed, then the monitor types in the order the type chooser lists them.
void RegisterEditors(EditorRegistry& editors);

// The program's registry, filled by RegisterEditors when it is first asked for and only read after (the
// first use is thread-safe, and nothing runs before main that needs it).
const EditorRegistry& BuiltInEditors();

}  // namespace pv
