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

// Indexed by the keys the document gives names, not by the names: a check builds one index for each of
// thousands of files, and hashing each element's name as a string took a tenth of the load.
CategoryElementIndex::CategoryElementIndex(XmlNode rootNode) : document_(rootNode.Document()) {
    for (XmlNode child = rootNode.FirstChild(); child; child = child.NextSibling()) {
        const uint32_t key = child.NameKey();
        if (key >= byName_.size()) byName_.resize(key + 1);
        byName_[key].push_back(child);
    }
}

const std::vector<XmlNode>& CategoryElementIndex::ElementsNamed(const std::string& name) const {
    static const std::vector<XmlNode> kNone;
    const uint32_t key = document_ ? document_->NameKey(name) : XmlNode::kNoName;
    return key < byName_.size() ? byName_[key] : kNone;
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
