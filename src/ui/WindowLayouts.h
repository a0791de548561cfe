#pragma once
#include <functional>
#include <map>
#include <string>

class QWidget;

namespace pv::ui {

// Builds a window's widgets from its .ui layout into `window`.
using LayoutSetup = std::function<void(QWidget* window)>;

// Every layout of src/ui/forms, by window name ("frmMain", "frmMailbox", ...). A window's part that it makes
// only when first needed has a layout of its own, named after the window and its empty widget the part is
// made into ("frmMain_frameAdvanced"); a repeated row's is named after its row set ("rowFields").
const std::map<std::string, LayoutSetup>& WindowLayouts();

}  // namespace pv::ui
