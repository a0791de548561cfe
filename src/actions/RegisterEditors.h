#pragma once
#include <string>
#include <vector>

namespace pv {

// Registers the detailed editor of every built-in disposition type and frmCustom with the editor dispatch.
// Calling it again changes nothing.
void RegisterBuiltInDispositionEditors();

// The built-in disposition types whose files a form of their own reads and writes, in dispatch order.
std::vector<std::string> TypesWithOwnEditor();

}  // namespace pv
