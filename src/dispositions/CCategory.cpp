#include "dispositions/CCategory.h"

#include "core/ConfigFile.h"
#include "core/MasterLinks.h"
#include "core/paths.h"
#include "core/prompts.h"

namespace pv {
namespace {
// Stands for a missing Name element, which is told apart from an empty one.
constexpr const char* kMissingName = "thisisabadname232323";
}  // namespace

bool LoadCategoryFile(CategoryCatalogue& catalogue, const std::string& fileName, IPrompts& prompts) {
    if (fileName.empty()) return true;
    const OpenedFile file = OpenConfigFile(fileName, kCategoriesRoot, prompts);
    if (file.problem == FileProblem::Missing) {
        prompts.Show(
            NotFound("Couldn't find the Category Definitions file, please go back to main->Advanced "
                     "settings to correct it.",
                     "Couldn't find the Category Definitions file", fileName));
        return false;
    }
    // A catalogue has no defaults to show: what a file that is not well-formed costs is its categories.
    if (file.problem == FileProblem::Malformed) {
        prompts.Show(MalformedMessage(file, " It was read as empty, so its categories are not shown."));
        return false;
    }
    // A file that is there but cannot be read would otherwise look like a file without categories.
    if (!ReportOpened(file, "Error loading the Category Definitions file=", prompts, Written::No))
        return false;
    if (file.problem == FileProblem::OtherKind) {
        prompts.Show(
            OtherKindMessage(file, "category definitions file", " No categories were read from it."));
        return false;
    }
    const std::vector<XmlNode> nodes = SelectNodeList(file.Root(), "Category");
    catalogue.reserve(catalogue.size() + nodes.size());
    for (const XmlNode& node : nodes) {
        std::string name = ReadNodeText(node, "Name", kMissingName);
        if (name == kMissingName) {
            // The master may name two such files.
            prompts.Show({MessageKind::Error,
                          "Category name missing in the category definitions file " + fileName,
                          {},
                          Place::File(fileName)});
            continue;
        }
        std::string parent = ReadNodeText(node, "ParentCategory", "");
        if (parent.empty()) parent = kDefaultCategory;  // the text is already trimmed of blanks
        catalogue.push_back(CCategory{std::move(name), std::move(parent)});
    }
    return true;
}

CategoryCatalogue GetCategoryNameList(const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                      std::vector<std::string>* unread) {
    CategoryCatalogue catalogue;
    const std::string referring = master.FullPathToMasterConfig();
    for (int which = 1; which <= 2; ++which) {
        const std::string& stored = master.CategoryDefinitionsFile(which);
        const size_t before = catalogue.size();
        if (!LoadCategoryFile(catalogue, paths.ResolvePath(referring, stored), prompts) && unread) {
            unread->push_back(stored);
        }
        for (size_t i = before; i < catalogue.size(); ++i) catalogue[i].DefinedIn = which;
    }
    return catalogue;
}

}  // namespace pv
