#pragma once
#include <functional>
#include <map>
#include <string>

class QWidget;

namespace pv::ui {

// Builds a window's widgets from its .ui layout into `window`.
using LayoutSetup = std::function<void(QWidget* window)>;

// Every layout of src/ui/forms, by window name ("frmMain", "frmMailbox", ...).
const std::map<std::string, LayoutSetup>& WindowLayouts();

}  // namespace pv::ui
