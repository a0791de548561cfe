#pragma once
#include <string>
#include <vector>

namespace pv {

// Registers the detailed editor of every built-in disposition type and frmCustom with the editor dispatch.
// Types whose own form does not exist yet open frmCustom under their own file key and label, so that their
// files can still be chosen, created and edited as text. Calling it again changes nothing.
void RegisterBuiltInDispositionEditors();

// The built-in disposition types whose files a form of their own reads and writes, in dispatch order.
std::vector<std::string> TypesWithOwnEditor();

}  // namespace pv
