#pragma once
#include <string>

#include "core/xml.h"

namespace pv {

class IPrompts;

// One disposition of a category: its type, its detailed file and its error folder.
struct CCatDisposition {
    std::string Type;
    std::string DetailedDispositionFile;  // configuration path as stored, "+" relative to DispositionFilePath
    std::string DirectoryForErrors;
    std::string DispositionFilePath;  // full path of the disposition configuration file holding this record
    bool Changed = false;             // set when a child window stored something the file must keep

    // Reads one Disposition element; missing children read as "".
    void LoadFromNode(XmlNode node, const std::string& dispositionFilePath);
};

}  // namespace pv
