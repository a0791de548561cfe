#include "dispositions/CCatDisposition.h"

namespace pv {

void CCatDisposition::LoadFromNode(XmlNode node, const std::string& dispositionFilePath) {
    DispositionFilePath = dispositionFilePath;
    Type = ReadNodeText(node, "Type", "");
    DetailedDispositionFile = ReadNodeText(node, "DetailedDispositionFile", "");
    DirectoryForErrors = ReadNodeText(node, "DirectoryForErrors", "");
    Changed = false;
}

}  // namespace pv
