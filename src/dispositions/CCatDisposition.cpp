#include "dispositions/CCatDisposition.h"

namespace pv {

void CCatDisposition::LoadFromNode(XmlNode node, const std::string& dispositionFilePath) {
    DispositionFilePath = dispositionFilePath;
    // The first of each, in one pass over the children: a file names hundreds of dispositions.
    XmlNode type, file, errors;
    for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
        const std::string_view name = child.Name();
        XmlNode* slot = name == "Type"                      ? &type
                        : name == "DetailedDispositionFile" ? &file
                        : name == "DirectoryForErrors"      ? &errors
                                                            : nullptr;
        if (slot && !*slot) {
            *slot = child;
            child.MarkRead();
        }
    }
    // Assigned, not replaced: a record loaded again keeps the storage it has.
    Type.assign(NodeTextView(type));
    DetailedDispositionFile.assign(NodeTextView(file));
    DirectoryForErrors.assign(NodeTextView(errors));
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
    // Every element of the category's name counts, in document order, as a path "Name/Disposition" would
    // select them. The records already there are loaded again in place (a check loads one file after another
    // into the same collection), the rest dropped.
    size_t loaded = 0;
    for (const XmlNode& element : rootNode.ElementsNamed(category)) {
        element.MarkRead();
        for (XmlNode node = element.FirstChild("Disposition"); node; node = node.NextSibling("Disposition")) {
            if (loaded == Dispositions.size()) Dispositions.emplace_back();
            Dispositions[loaded++].LoadFromNode(node, parentConfigFile);
        }
    }
    Dispositions.resize(loaded);
}

}  // namespace pv
