#pragma once
#include <string>
#include <vector>

namespace pv {

// The element a category definitions file begins with.
inline constexpr const char* kCategoriesRoot = "Categories";

class IMasterLinks;
class IPrompts;
class PathContext;

// One category of the category definitions files.
struct CCategory {
    std::string CategoryName;
    std::string ParentCategory;  // "Default" for a top-level category
    int DefinedIn = 0;           // which of the master's two category definitions files holds it (1 or 2)
};

// The category catalogue: the categories of the first file in file order, then those of the second.
// Names may repeat here; the dispositions editor decides what a repeated name means.
using CategoryCatalogue = std::vector<CCategory>;

inline constexpr const char* kDefaultCategory = "Default";

// Appends the categories of one category definitions file; `fileName` is already resolved.
// An empty name adds nothing. A file that is missing, cannot be read, is not well-formed or is not a
// category definitions file adds nothing after a message, and gives false: the catalogue then lacks
// categories that files written against it may hold.
bool LoadCategoryFile(CategoryCatalogue& catalogue, const std::string& fileName, IPrompts& prompts);

// A fresh catalogue from the two category definitions files the master configuration names, each resolved
// against the master file. The names (as the master holds them) of those that could not be read go into
// `unread` when given.
CategoryCatalogue GetCategoryNameList(const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                      std::vector<std::string>* unread = nullptr);

}  // namespace pv
