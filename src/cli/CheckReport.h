#pragma once
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/message.h"

namespace pv {

// How `check` prints what it found: lines for a person (the default), one JSON document for a script, or
// SARIF 2.1.0 for a code-scanning service, which shows each finding on its file.
enum class CheckFormat { Text, Json, Sarif };

// One thing a check found. Findings are gathered in the order the checks ran (the master's load, each
// mailbox, the monitors, the files nothing names) and printed once the check is over, in the format asked
// for.
struct CheckFinding {
    // Whom the finding is about as the text output names it: a mailbox, the monitor configuration file as
    // the master names it, the master's full path for what loading or saving the master said and for what
    // nothing names.
    std::string subject;
    // The message; its place names the file as the file naming it holds it, the mailbox and the category.
    Message message;
    // The file's full path where it is known, for the formats that point at a file.
    std::string path;
    // A missing file's name as the file naming it (`path`) holds it: the formats for a script give it as
    // "named", where the text output names the file as the message's place does (for a missing detailed
    // file, the disposition file that names it).
    std::optional<std::string> missing = std::nullopt;
};

struct CheckReport {
    std::string masterPath;  // full path of the master file checked
    std::vector<CheckFinding> findings;
};

// What a kind of message counts as in a report: "error", "warning" or "note".
const char* FindingLevel(MessageKind kind);

// Text: a line per finding. JSON and SARIF: one document. Everything goes to `out`: a finding is what was
// asked for, and a script reading the report must find all of it there.
void PrintCheckReport(const CheckReport& report, CheckFormat format, std::ostream& out);

}  // namespace pv
