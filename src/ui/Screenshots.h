#pragma once
#include <string>

namespace pv::ui {

// Renders every window, filled from the configuration named by `commandLineText`, into PNG files in `folder`
// without a display and without writing any configuration file. Returns the process exit status.
int RenderScreenshots(const std::string& folder, const std::string& commandLineText,
                      const std::string& programDirectory, const std::string& currentDirectory);

}  // namespace pv::ui
