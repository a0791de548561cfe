#pragma once
#include <iosfwd>
#include <string>

namespace pv {

struct ToolEnvironment;

// "check MASTER": loads the master file as the main window does and runs the mailbox editor's own checks of
// "Save and Exit" on every mailbox, then those of the monitor configuration file, storing nothing. Each
// failure goes to `out` as the mailbox's name (the monitor file's name), ": " and the editor's message; what
// loading the master reports goes to `err`. Exit status 1 when the load or any check
// failed, else 0. The mailboxes are checked on `jobs` threads (0: one per processor); the report is the same
// at any number.
int RunCheck(const std::string& masterArgument, std::ostream& out, std::ostream& err,
             const ToolEnvironment& environment, unsigned jobs = 0);

}  // namespace pv
