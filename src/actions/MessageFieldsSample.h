#pragma once
#include <cstddef>
#include <string>

#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"

namespace pv {

// A generated message fields catalogue and a Write To DB file over it, for timing the field rows.
struct MessageFieldsSample {
    MasterLinks master;           // names the catalogue; masterFilePath is the written master file
    CCatDisposition disposition;  // a Write To DB disposition naming the detailed file
};

// Writes into `folder` (which must exist) a master file, a message fields file of `fields` fields of every
// type, and a Write To DB file with every third field checked.
MessageFieldsSample WriteMessageFieldsSample(const std::string& folder, size_t fields);

// Opens the Write To DB editor's logic on the sample with message boxes and dialogs that answer nothing, up
// to its rows filled; returns the number of rows (0 when it did not open).
size_t OpenWriteToDBSample(MessageFieldsSample& sample, const std::string& programDirectory);

// A message fields catalogue of `fields` string fields and a Run SQL file, in exactly the shape the editor
// writes, whose statement binds `parameters` of them in turn (a field may be bound more than once).
MessageFieldsSample WriteParameterSample(const std::string& folder, size_t fields, size_t parameters);

// Opens the Run SQL editor's logic on the sample with message boxes and dialogs that answer nothing, up to
// its lists filled; returns the number of parameters listed (0 when it did not open). With `saved`, the
// editor then writes the file, and *saved tells whether the save went through.
size_t OpenRunSQLSample(MessageFieldsSample& sample, const std::string& programDirectory,
                        bool* saved = nullptr);

}  // namespace pv
