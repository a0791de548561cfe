#pragma once
#include <QPalette>
#include <string>

namespace pv::ui {

// A dark palette, as a dark desktop theme gives one: the windows must read as well under it as under the
// light one.
QPalette DarkPalette();

// Renders every window, filled from the configuration named by `commandLineText`, into PNG files in `folder`
// without a display and without writing any configuration file. With `dark` the windows use DarkPalette().
// Returns the process exit status.
int RenderScreenshots(const std::string& folder, const std::string& commandLineText,
                      const std::string& programDirectory, const std::string& currentDirectory, bool dark);

}  // namespace pv::ui
