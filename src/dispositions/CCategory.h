#pragma once
#include <string>
#include <vector>

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;

// One category of the category definitions files.
struct CCategory {
    std::string CategoryName;
    std::string ParentCategory;  // "Default" for a top-level category
};

// The category catalogue: the categories of the first file in file order, then those of the second.
// Names may repeat here; the dispositions editor decides what a repeated name means.
using CategoryCatalogue = std::vector<CCategory>;

inline constexpr const char* kDefaultCategory = "Default";

// Appends the categories of one category definitions file; `fileName` is already resolved.
// An empty name adds nothing; a missing or unreadable file adds nothing after a message.
void LoadCategoryFile(CategoryCatalogue& catalogue, const std::string& fileName, IPrompts& prompts);

// A fresh catalogue from the two category definitions files the master configuration names, each resolved
// against the master file.
CategoryCatalogue GetCategoryNameList(const IMasterLinks& master, const PathContext& paths,
                                      IPrompts& prompts);

}  // namespace pv
