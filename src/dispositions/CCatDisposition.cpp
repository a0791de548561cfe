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
    for (XmlNode child = rootNode.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) elements_[child.name()].push_back(child);
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
        for (XmlNode node = element.child("Disposition"); node; node = node.next_sibling("Disposition")) {
            CCatDisposition disposition;
            disposition.LoadFromNode(node, parentConfigFile);
            Dispositions.push_back(std::move(disposition));
        }
    }
}

}  // namespace pv
