#pragma once
#include <iosfwd>
#include <string>

#include "cli/CheckReport.h"

namespace pv {

struct ToolEnvironment;

struct CheckOptions {
    std::string master;  // the master file as the command line names it
    CheckFormat format = CheckFormat::Text;
    // Also report the configuration files under the master's folder that nothing names.
    bool orphans = false;
    // The threads the mailboxes are checked on; 0: one per processor. The report is the same at any number.
    unsigned jobs = 0;
};

// "check MASTER": loads the master file as the main window does and runs the mailbox editor's own checks of
// "Save and Exit" on every mailbox, then those of the monitor configuration file, storing nothing. What each
// says is a finding, printed to `out` once all is checked in the format asked for (see PrintCheckReport): as
// text, each goes as the mailbox's name (the monitor file's name, the master's path for what loading the
// master reports), ": " and the editor's message, a warning's after "warning: " and a note's after "note: ".
// Exit status 1 when the load or any check failed, else 0.
int RunCheck(const CheckOptions& options, std::ostream& out, const ToolEnvironment& environment);

}  // namespace pv
