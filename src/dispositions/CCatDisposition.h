#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "core/xml.h"

namespace pv {

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

// The element children of the Dispositions root, by element name. Built once per file, so that finding the
// elements of one category costs the same with five categories as with five thousand.
class CategoryElementIndex {
  public:
    explicit CategoryElementIndex(XmlNode rootNode);
    // The elements of that name, in document order (usually one).
    const std::vector<XmlNode>& ElementsNamed(const std::string& name) const;

  private:
    const XmlDocument* document_ = nullptr;
    std::vector<std::vector<XmlNode>> byName_;  // by the document's key for their name
};

// The dispositions of one category, in the order the server carries them out.
struct CCatDispositions {
    std::string CategoryName;
    std::vector<CCatDisposition> Dispositions;

    // Reads the Disposition children of the category's elements below the Dispositions root.
    void LoadFromNode(const CategoryElementIndex& rootNode, const std::string& category,
                      const std::string& parentConfigFile);
};

}  // namespace pv
