#pragma once
#include <iosfwd>
#include <string>

#include "core/Backups.h"

namespace pv {

struct ToolEnvironment;

struct ResaveOptions {
    bool toStdout = false;
    // --diff: print what the resave would change, as a unified diff; --check: exit 1 when it would change
    // anything. Neither writes.
    bool diff = false;
    bool check = false;
    std::string master;      // --master: the master file whose catalogues a disposition file needs
    std::string type;        // --type: the disposition type of a detailed disposition file
    bool allowLoss = false;  // --allow-loss: write also what loses what the file held, naming it
    std::string file;
    BackupPolicy backup;  // --backup, --suffix, --backups-kept: none unless asked for
    // Whether the text is handed back instead of written.
    bool Printing() const { return toStdout || diff || check; }
};

// "resave": loads one file as its window does and writes it back as the window's Save does, the kind of file
// chosen by its root element (ResponseHandler, Dispositions, Disposition). A file that could not be read, or
// whose checks fail, is reported and never written.
// "sql --master MASTER FILE": prints the CREATE TABLE statement the Write To DB editor shows for FILE (its
// table and checked fields), lines joined by CR LF and one CR LF after; warnings go to `err`.
int RunSql(const std::string& masterArgument, const std::string& fileArgument, std::ostream& out,
           std::ostream& err, const ToolEnvironment& environment);

int RunResave(const ResaveOptions& options, std::ostream& out, std::ostream& err,
              const ToolEnvironment& environment);

}  // namespace pv
