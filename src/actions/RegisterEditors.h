#pragma once

namespace pv {

// Registers the detailed editor of every built-in disposition type and frmCustom with the editor dispatch.
// Types whose own form does not exist yet open frmCustom under their own file key and label, so that their
// files can still be chosen, created and edited as text. Calling it again changes nothing.
void RegisterBuiltInDispositionEditors();

}  // namespace pv
