#pragma once
#include <cstddef>
#include <string>

#include "core/MasterLinks.h"

namespace pv {

// A generated set of files for timing the dispositions editor on large catalogues: a master file, a category
// definitions file, a disposition types file and a disposition configuration file, all in one folder.
struct DispositionSample {
    std::string folder;
    std::string dispositionFile;  // as a mailbox stores it: "+/dispositions.xml"
    MasterLinks master;           // masterFilePath is the full path of the written master file
};

// Writes the files into `folder` (which must exist): `categories` categories in a tree at most `maxDepth`
// levels below "Default", listed in an order that scatters siblings over the catalogue, and `dispositions`
// dispositions spread over "Default" and the categories.
DispositionSample WriteDispositionSample(const std::string& folder, size_t categories, size_t dispositions,
                                         size_t maxDepth = 8);

// Opens the dispositions editor's window logic on the sample, with message boxes and dialogs that answer
// nothing, up to the filled window. Returns the number of lines of the category list (0 when it did not
// open). This is the call the benchmark times.
size_t OpenDispositionSample(const DispositionSample& sample, const std::string& programDirectory);

}  // namespace pv
