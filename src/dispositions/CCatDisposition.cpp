#include "dispositions/CCatDisposition.h"

namespace pv {

void CCatDisposition::LoadFromNode(XmlNode node, const std::string& dispositionFilePath) {
    DispositionFilePath = dispositionFilePath;
    Type = ReadNodeText(node, "Type", "");
    DetailedDispositionFile = ReadNodeText(node, "DetailedDispositionFile", "");
    DirectoryForErrors = ReadNodeText(node, "DirectoryForErrors", "");
    Changed = false;
}

CategoryElementIndex::CategoryElementIndex(XmlNode rootNode) {
    for (XmlNode child = rootNode.FirstChild(); child; child = child.NextSibling()) {
        elements_[std::string(child.Name())].push_back(child);
    }
}

const std::vector<XmlNode>& CategoryElementIndex::ElementsNamed(const std::string& name) const {
    static const std::vector<XmlNode> kNone;
    const auto found = elements_.find(name);
    return found == elements_.end() ? kNone : found->second;
}

void CCatDispositions::LoadFromNode(const CategoryElementIndex& rootNode, const std::string& category,
                                    const std::string& parentConfigFile) {
    CategoryName = category;
    Dispositions.clear();
    // Every element of the category's name counts, in document order, as a path "Name/Disposition" would
    // select them.
    for (const XmlNode& element : rootNode.ElementsNamed(category)) {
        element.MarkRead();
        for (XmlNode node = element.FirstChild("Disposition"); node; node = node.NextSibling("Disposition")) {
            CCatDisposition disposition;
            disposition.LoadFromNode(node, parentConfigFile);
            Dispositions.push_back(std::move(disposition));
        }
    }
}

}  // namespace pv
