#pragma once
#include <cstddef>
#include <string>

namespace pv {

// A generated installation for timing `check`: a master file with `mailboxes` server mailboxes, one shared
// category catalogue of `categories` categories and one disposition types file, and for each mailbox its own
// disposition file (every category with `dispositionsPerCategory` Forward Message dispositions) and
// `forwardFiles` Forward Message files that those dispositions name in turn; one categorization file and a
// monitor configuration. Every file is in the editors' shape and passes every check.
struct InstallationSample {
    std::string master;  // full path of the master file
    size_t files = 0;    // the number of files written
};

InstallationSample WriteInstallationSample(const std::string& folder, size_t mailboxes,
                                           size_t categories = 200, size_t dispositionsPerCategory = 2,
                                           size_t forwardFiles = 3);

}  // namespace pv
