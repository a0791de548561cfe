#pragma once
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/xml.h"

namespace pv {

// The element a disposition types file begins with.
inline constexpr const char* kDispositionTypesRoot = "DispositionTypes";

class IPrompts;
class PathContext;

struct CDispositionType {
    std::string Name;
    bool RequiresDetailedFile = true;

    // Reads one DispositionType element of the file at `filePath`; false (after a message naming the file)
    // when its Name is missing.
    bool LoadFromNode(XmlNode node, const std::string& filePath, IPrompts& prompts);
};

// The disposition types catalogue: types by name in file order; the first type of a name wins.
class CDispositionTypes {
  public:
    // How much of one file was read.
    enum class FileRead {
        NotNamed,    // the name is empty
        Unread,      // missing or unreadable, after a message: nothing was added
        Incomplete,  // not well-formed or of another kind, after a message: some of its types may be missing
        Complete,
    };
    // Adds the types of one file, `fileName` as the master file holds it, resolved against `referringFile`.
    FileRead LoadFromFile(const std::string& fileName, const std::string& referringFile,
                          const PathContext& paths, IPrompts& prompts);
    // The flag of the type; nullopt when the catalogue has no type of that name.
    std::optional<bool> RequiresDetailedFile(const std::string& typeName) const;
    bool Contains(const std::string& typeName) const { return index_.count(typeName) != 0; }
    // The names in catalogue order (what the type chooser lists).
    std::vector<std::string> Names() const;
    size_t size() const { return types_.size(); }

  private:
    std::vector<CDispositionType> types_;
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace pv
