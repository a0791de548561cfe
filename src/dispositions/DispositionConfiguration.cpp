#include "dispositions/DispositionConfiguration.h"

#include <algorithm>
#include <future>
#include <optional>
#include <unordered_set>
#include <utility>

#include "core/HeadlessServices.h"
#include "core/LargeMemory.h"
#include "core/MasterLinks.h"
#include "core/encoding.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {
namespace {

constexpr const char* kRootElement = "Dispositions";
constexpr size_t kNamesInOneMessage = 10;

// "A, B and 3 more" for a message that would otherwise need one box per name.
std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    const size_t shown = std::min(names.size(), kNamesInOneMessage);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += ", ";
        text += "\"" + names[i] + "\"";
    }
    if (names.size() > shown) text += " and " + std::to_string(names.size() - shown) + " more";
    return text;
}

// Why a save refuses `names`, categories that the category definitions file `definedIn` defines and that no
// element of a disposition file can carry. A refusal of this file's save; the words name the catalogue to
// mend, and for a single name the colon when it is the only fault, since such a name is one. The place is the
// catalogue, where the fault lies: check says it there once, however many disposition files it stops.
Message UnsaveableNames(const std::vector<std::string>& names, const std::string& definedIn) {
    const std::string correct = " in the category definitions file" +
                                (definedIn.empty() ? "" : " " + definedIn) + "; nothing was written.";
    if (names.size() > 1) {
        return {
            MessageKind::Error,
            "The categories " + NameList(names) +
                " cannot be saved: their names are not valid XML element names, or hold a colon, which the "
                "category's element in this file cannot safely carry. Correct them" +
                correct,
            {},
            Place::File(definedIn)};
    }
    std::string withoutColons = names.front();
    std::replace(withoutColons.begin(), withoutColons.end(), ':', '_');
    const std::string why =
        IsXmlElementName(withoutColons)
            ? "its name holds a colon, which the category's element in this file cannot safely carry (an "
              "XML reader that knows namespaces takes the part before it as an undeclared prefix)"
            : "its name is not a valid XML element name";
    return {MessageKind::Error,
            "The category \"" + names.front() + "\" cannot be saved: " + why + ". Correct it" + correct,
            {},
            Place::File(definedIn)};
}

}  // namespace

DispositionConfiguration::LoadResult DispositionConfiguration::Load(const std::string& fileName,
                                                                    const IMasterLinks& master,
                                                                    const PathContext& paths,
                                                                    IPrompts& prompts) {
    return Load(fileName, master.FullPathToMasterConfig(), master, paths, prompts);
}

DispositionConfiguration::LoadResult DispositionConfiguration::LoadFullPath(const std::string& fullPath,
                                                                            const IMasterLinks& master,
                                                                            const PathContext& paths,
                                                                            IPrompts& prompts) {
    return LoadAt(fullPath, fullPath, master.FullPathToMasterConfig(), master, paths, prompts, nullptr);
}

namespace {

// The collection holds one entry per name, so a name given twice keeps its first definition.
void LayOutCategories(DispositionCatalogues& read) {
    CategoryLayout& layout = read.layout;
    const CategoryCatalogue& catalogue = read.categories;
    layout.names.reserve(catalogue.size() + 1);
    layout.index.reserve(catalogue.size() + 1);
    std::vector<const std::string*> parents;  // of each entry; none for "Default"
    parents.reserve(catalogue.size() + 1);
    const auto add = [&](const std::string& name, const std::string* parent) {
        layout.index.emplace(name, layout.names.size());
        layout.names.push_back(name);
        parents.push_back(parent);
    };
    add(kDefaultCategory, nullptr);
    for (const CCategory& category : catalogue) {
        if (layout.index.count(category.CategoryName) != 0) {
            const std::string file = category.DefinedIn >= 1 && category.DefinedIn <= 2
                                         ? read.categoryFiles[category.DefinedIn - 1]
                                         : std::string();
            auto in = std::find_if(layout.repeated.begin(), layout.repeated.end(),
                                   [&](const auto& repeated) { return repeated.first == file; });
            if (in == layout.repeated.end()) in = layout.repeated.insert(in, {file, {}});
            in->second.push_back(category.CategoryName);
            continue;
        }
        add(category.CategoryName, &category.ParentCategory);
    }
    for (const std::string& name : layout.names) {
        if (!IsXmlElementName(name)) layout.unsaveable.push_back(name);
    }
    // A parent may come after its children in the catalogue, so the links are made once every name is known.
    const size_t count = layout.names.size();
    layout.firstChild.assign(count, CategoryLayout::kNone);
    layout.nextSibling.assign(count, CategoryLayout::kNone);
    std::vector<size_t> lastChild(count, CategoryLayout::kNone);
    for (size_t i = 1; i < count; ++i) {
        const auto parent = layout.index.find(*parents[i]);
        if (parent == layout.index.end()) continue;  // its parent is no category: not in the tree
        const size_t p = parent->second;
        (lastChild[p] == CategoryLayout::kNone ? layout.firstChild[p] : layout.nextSibling[lastChild[p]]) = i;
        lastChild[p] = i;
    }
    // Worked out once, as a message about a category the tree does not show may be said for each of
    // thousands of categories.
    layout.inTree.assign(count, false);
    std::vector<size_t> reached{0};
    while (!reached.empty()) {
        const size_t at = reached.back();
        reached.pop_back();
        layout.inTree[at] = true;
        for (size_t child = layout.firstChild[at]; child != CategoryLayout::kNone;
             child = layout.nextSibling[child])
            reached.push_back(child);
    }
}

// The disposition types of the master's two files, and the names of those not read completely. False when the
// first, without which the file is not opened, could not be read: the second is then not read.
bool ReadTypes(const IMasterLinks& master, const std::string& masterFilePath, const PathContext& paths,
               IPrompts& prompts, CDispositionTypes& types, std::vector<std::string>& unread) {
    using Read = CDispositionTypes::FileRead;
    const Read first = types.LoadFromFile(master.DispositionTypesFile(1), masterFilePath, paths, prompts);
    if (first == Read::Incomplete) unread.push_back(master.DispositionTypesFile(1));
    if (first != Read::Complete && first != Read::Incomplete) return false;
    const Read second = types.LoadFromFile(master.DispositionTypesFile(2), masterFilePath, paths, prompts);
    if (second == Read::Unread || second == Read::Incomplete)
        unread.push_back(master.DispositionTypesFile(2));
    return true;
}

// The catalogues, with what reading them said, for the load to show.
DispositionCatalogues ReadCatalogues(const IMasterLinks& master, const std::string& masterFilePath,
                                     const PathContext& paths) {
    DispositionCatalogues read;
    CollectingPrompts said;
    read.categories = GetCategoryNameList(master, paths, said, &read.unreadCategoryFiles);
    for (int which = 1; which <= 2; ++which) {
        read.categoryFiles[which - 1] =
            paths.ResolvePath(master.FullPathToMasterConfig(), master.CategoryDefinitionsFile(which));
    }
    read.typesRead = ReadTypes(master, masterFilePath, paths, said, read.types, read.unreadTypesFiles);
    // A file that is not there, or cannot be read, was said by its reading; an empty name is said here, or
    // the window would not open without a word. The first is the one that must be read, even when the
    // second is named (as when the first box of the main window was cleared).
    if (master.DispositionTypesFile(1).empty()) {
        const std::string why =
            master.DispositionTypesFile(2).empty()
                ? "The master file " + masterFilePath + " names no disposition types file"
                : "The first disposition types file of the master file " + masterFilePath +
                      " is empty (the second is named): the first is the one that must be read, the second "
                      "only adds to it";
        said.Show({MessageKind::Error,
                   why + ", so the dispositions cannot be edited. Please go back to main->Advanced settings "
                         "to correct it.",
                   why + ".", Place::File(masterFilePath)});
    }
    read.messages = std::move(said.messages);
    LayOutCategories(read);
    return read;
}

}  // namespace

std::shared_ptr<const DispositionCatalogues> CatalogueCache::Get(const IMasterLinks& master,
                                                                 const std::string& masterFilePath,
                                                                 const PathContext& paths) {
    std::string key;
    for (int which = 1; which <= 2; ++which) {
        key +=
            paths.ResolvePath(master.FullPathToMasterConfig(), master.CategoryDefinitionsFile(which)) + '\n';
        key += paths.ResolvePath(masterFilePath, master.DispositionTypesFile(which)) + '\n';
    }
    const auto [found, added] = read_.try_emplace(key);
    if (added)
        found->second =
            std::make_shared<const DispositionCatalogues>(ReadCatalogues(master, masterFilePath, paths));
    return found->second;
}

const DispositionCatalogues& DispositionConfiguration::catalogues() const {
    static const DispositionCatalogues none;
    return catalogues_ ? *catalogues_ : none;
}

DispositionConfiguration::LoadResult DispositionConfiguration::Load(
    const std::string& fileName, const std::string& masterFilePath, const IMasterLinks& master,
    const PathContext& paths, IPrompts& prompts, CatalogueCache* cache) {
    return LoadAt(fileName, paths.ResolvePath(masterFilePath, fileName), masterFilePath, master, paths,
                  prompts, cache);
}

DispositionConfiguration::LoadResult DispositionConfiguration::LoadAt(
    const std::string& fileName, const std::string& fullPath, const std::string& masterFilePath,
    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts, CatalogueCache* cache) {
    LoadResult result;
    fileName_ = fileName;
    fullPath_ = fullPath;
    catalogues_.reset();
    unloadedCategories_.clear();
    emptyUnloadedCategories_.clear();
    notKept_.reset();
    typesNow_.reset();
    // The records of the last load are loaded again in place by BuildCategories, and dropped on any way out
    // before it.
    std::vector<CCatDispositions> previous = std::move(categories_);
    categories_.clear();

    // Without a cache the catalogues are read on another thread while this one reads the file: with
    // thousands of categories the two take about as long. The reading has its own links and paths; what it
    // says is shown in the same place as before, and not at all when the file cannot be read.
    std::future<DispositionCatalogues> reading;
    if (!cache) {
        reading = std::async(std::launch::async,
                             [links = MasterLinks::CopyOf(master), masterFilePath, own = PathContext(paths)] {
                                 PrepareHeap(kReadingHeap);
                                 return ReadCatalogues(links, masterFilePath, own);
                             });
    }
    const OpenedFile file = OpenConfigFile(fullPath_, kRootElement, prompts);
    result.file = file_ = file;
    // A missing file is said with what the categories start with. This window has no defaults: a file that
    // is not well-formed starts every category with no dispositions, as one of another kind does.
    if (file.problem == FileProblem::Malformed) {
        prompts.Show(
            MalformedMessage(file, " It was read as empty, so every category starts with no dispositions."));
    } else if (!ReportOpened(file, "Unexpected error in LoadFile=", prompts)) {
        return result;
    }

    catalogues_ = cache ? cache->Get(master, masterFilePath, paths)
                        : std::make_shared<const DispositionCatalogues>(reading.get());
    for (const Message& message : catalogues_->messages) prompts.Show(message);
    if (!catalogues_->typesRead) return result;

    categories_ = std::move(previous);
    BuildCategories(file, prompts);
    notKept_ = NotKept(file, prompts);
    result.opened = true;
    return result;
}

void DispositionConfiguration::ReadTypesAgain(const IMasterLinks& master, const std::string& masterFilePath,
                                              const PathContext& paths) {
    RecordingPrompts quiet;
    CDispositionTypes types;
    std::vector<std::string> unread;
    if (ReadTypes(master, masterFilePath, paths, quiet, types, unread)) typesNow_ = std::move(types);
}

void DispositionConfiguration::BuildCategories(const OpenedFile& file, IPrompts& prompts) {
    // One message for the whole file: the same fault repeated for every category tells nothing more, and
    // with a large catalogue it would be thousands of boxes.
    if (file.problem == FileProblem::Missing) {
        prompts.ShowMessage(
            "The file " + fullPath_ +
            " does not exist; every category starts with no dispositions and saving creates it.");
    } else if (file.problem == FileProblem::OtherKind) {
        prompts.Show(OtherKindMessage(file, "disposition configuration file",
                                      " Every category starts with no dispositions."));
    }
    const XmlNode root = file.Root();
    const CategoryElementIndex elements(root);
    const CategoryLayout& layout = catalogues().layout;

    // Entries left from the last load are loaded again in place, so that their records keep their storage.
    categories_.resize(layout.names.size());
    for (size_t i = 0; i < layout.names.size(); ++i)
        categories_[i].LoadFromNode(elements, layout.names[i], fullPath_);

    // A name given twice keeps its first definition; the user is told, since the later definition (its place
    // in the tree) is not what they see. A warning, placed at the catalogue that holds the later definition
    // (check says it there once), one for each such catalogue: this file is saved as the window shows it.
    for (const auto& [file, names] : layout.repeated) {
        prompts.Show({MessageKind::Warning,
                      "These categories are defined more than once in the category definitions files (or are "
                      "named Default, which is built in); only the first definition of each is used: " +
                          NameList(names) + (file.empty() ? "" : " (in the file " + file + ")"),
                      {},
                      Place::File(file)});
    }
    // Told at once, before any edit: no disposition file can be saved while the catalogue holds them.
    // The names were judged once, as the catalogues were laid out.
    for (const auto& [definedIn, names] : ByDefinitionFile(layout.unsaveable)) {
        prompts.Show({MessageKind::Warning,
                      "These categories of the category definitions file" +
                          (definedIn.empty() ? std::string() : " " + definedIn) +
                          " cannot be written into a disposition file, as their names are not valid XML "
                          "element names (or hold a colon): " +
                          NameList(names) +
                          ". No disposition file can be saved until they are corrected there.",
                      {},
                      Place::File(definedIn)});
    }

    // Looked up in a set, not in the list: when a catalogue cannot be read, every category of the file is
    // one of them.
    std::unordered_set<std::string> unloaded;
    // A category written in several elements is read as one, its dispositions in the order they come, and
    // saved as one: the file changes shape, which is said.
    std::vector<bool> met(categories_.size(), false);
    std::vector<std::string> split;
    for (XmlNode element = root.FirstChild(); element; element = element.NextSibling()) {
        std::string name(element.Name());
        if (const auto known = layout.index.find(name); known != layout.index.end()) {
            if (met[known->second] && std::find(split.begin(), split.end(), name) == split.end())
                split.push_back(std::move(name));
            met[known->second] = true;
            continue;
        }
        // Named as the categories a save would drop, not again as elements left out.
        element.MarkBranchRead();
        if (!unloaded.insert(name).second) continue;
        // Only its Disposition elements are what the server reads of a category: one holding text or other
        // elements alone is said to hold none.
        bool holdsDispositions = false;
        for (XmlNode child = element.FirstChild(); child && !holdsDispositions; child = child.NextSibling())
            holdsDispositions = child.Name() == "Disposition";
        (holdsDispositions ? unloadedCategories_ : emptyUnloadedCategories_).push_back(std::move(name));
    }
    if (!split.empty()) {
        prompts.Show({MessageKind::Warning,
                      "The file " + fullPath_ + " holds " +
                          (split.size() == 1 ? "the category " : "the categories ") + NameList(split) +
                          " in more than one element; a save writes the dispositions of each in one element, "
                          "in the order they come.",
                      {},
                      Place::File(fullPath_)});
    }
}

CCatDispositions* DispositionConfiguration::Find(const std::string& name) {
    return const_cast<CCatDispositions*>(std::as_const(*this).Find(name));
}

const CCatDispositions* DispositionConfiguration::Find(const std::string& name) const {
    // A load that stopped before the categories were built holds none.
    const auto& index = catalogues().layout.index;
    const auto found = index.find(name);
    return found == index.end() || found->second >= categories_.size() ? nullptr
                                                                       : &categories_[found->second];
}

std::vector<DispositionConfiguration::TreeLine> DispositionConfiguration::CategoryTree() const {
    std::vector<TreeLine> lines;
    if (categories_.empty()) return lines;
    const CategoryLayout& layout = catalogues().layout;
    lines.reserve(categories_.size());
    struct Pending {
        size_t category;
        size_t depth;
    };
    std::vector<Pending> stack{{0, 0}};
    std::vector<size_t> children;
    // Every category has one parent and "Default" none, so each is reached at most once; a loop of parents
    // that never reaches "Default" is never entered.
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        const std::string& name = categories_[next.category].CategoryName;
        std::string text(next.depth * kTreeIndent, ' ');
        text += name;
        lines.push_back({std::move(text), next.category});
        children.clear();
        for (size_t child = layout.firstChild[next.category]; child != CategoryLayout::kNone;
             child = layout.nextSibling[child]) {
            children.push_back(child);
        }
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            stack.push_back({*child, next.depth + 1});
        }
    }
    return lines;
}

std::optional<std::string> DispositionConfiguration::WriteText(const PathContext& paths,
                                                               IPrompts& prompts) const {
    std::string text;
    if (!Write(paths, prompts, &text)) return std::nullopt;
    return text;
}

bool DispositionConfiguration::CheckSave(const PathContext& paths, IPrompts& prompts,
                                         DetailedFiles detailedFiles) const {
    return Write(paths, prompts, nullptr, detailedFiles);
}

bool DispositionConfiguration::Write(const PathContext& paths, IPrompts& prompts, std::string* text,
                                     DetailedFiles detailedFiles) const {
    const CCatDispositions* writing = nullptr;  // the category being written, for the messages
    // Many dispositions name the same few files: each is asked about once, as is the file they are named in.
    const ReferringFileScope scope(paths, fullPath_, ReferringFileScope::Writing{});
    struct Named {
        std::optional<platform::PathLook> look;  // looked at only when asked
        std::string stored;                      // as this save writes it
    };
    std::unordered_map<std::string, Named> named;
    const auto lookUp = [&](const std::string& file) -> Named& {
        const auto [found, added] = named.try_emplace(file);
        if (added && !file.empty()) found->second.stored = paths.MakeStoredPath(true, file, fullPath_);
        return found->second;
    };
    const auto look = [&](const std::string& file) -> const platform::PathLook& {
        Named& name = lookUp(file);
        if (!name.look)
            name.look = platform::LookAt(file.empty() ? file : paths.ResolvePath(fullPath_, file));
        return *name.look;
    };
    // Without a text to keep (the checks before a save, and check), each value is only checked as it would
    // be written: building the text nobody reads took an eighth of a check.
    const auto open = [&](std::string_view tag, int level) {
        if (text) WriteOpenTag(*text, tag, level);
    };
    const auto close = [&](std::string_view tag, int level) {
        if (text) WriteCloseTag(*text, tag, level);
    };
    const auto element = [&](std::string_view tag, std::string_view value, int level) {
        if (text) {
            WriteElement(*text, tag, value, level);
        } else {
            CheckElementValue(tag, value);
        }
    };
    // A refusal about one category names it, as check names the category of everything else it finds there.
    const auto refuse = [&prompts](const CCatDispositions* category, const std::string& text) {
        Message message{MessageKind::Error, text};
        if (category) message.place.category = category->CategoryName;
        prompts.Show(message);
        return false;
    };
    try {
        const bool defaultHasNone = categories_.empty() || categories_.front().Dispositions.empty();
        if (text) {
            size_t dispositions = 0;
            for (const CCatDispositions& category : categories_) dispositions += category.Dispositions.size();
            text->reserve(64 + categories_.size() * 40 + dispositions * 256);
        }
        // Several names no element can carry are named at once, those of each catalogue file together, so
        // that one correction of each file is enough; a single one is named below, in its place.
        const std::vector<std::string> unsaveable = UnsaveableCategories();
        if (unsaveable.size() > 1) {
            for (const auto& [definedIn, names] : ByDefinitionFile(unsaveable))
                prompts.Show(UnsaveableNames(names, definedIn));
            return false;
        }
        open(kRootElement, 0);
        for (size_t c = 0; c < categories_.size(); ++c) {
            const CCatDispositions& category = categories_[c];
            writing = &category;
            if (category.Dispositions.empty() && c != 0 && defaultHasNone) {
                return refuse(
                    &category,
                    "You must have at least one Default disposition or at least one disposition for "
                    "every category (even if it is a DoNothing disposition), " +
                        category.CategoryName + " has none, and Default has none." +
                        NotInTreeNote(category.CategoryName));
            }
            // Written without escaping, the name must itself be an element name, or the server could not
            // read the file at all. A colon the server's reader would take, but other XML tools and readers
            // that know namespaces take a prefix there, which the file does not declare.
            if (!unsaveable.empty() && !IsXmlElementName(category.CategoryName)) {
                prompts.Show(UnsaveableNames({category.CategoryName}, DefinitionFile(category.CategoryName)));
                return false;
            }
            open(category.CategoryName, 1);
            for (const CCatDisposition& disposition : category.Dispositions) {
                open("Disposition", 2);
                if (disposition.Type.empty()) {
                    return refuse(&category, "Type is empty for at least one disposition for category=" +
                                                 category.CategoryName +
                                                 NotInTreeNote(category.CategoryName));
                }
                element("Type", disposition.Type, 3);
                const std::optional<bool> requiresFile = Types().RequiresDetailedFile(disposition.Type);
                if (!requiresFile) {
                    throw AppError(kErrKeyNotFound, "The disposition type \"" + disposition.Type +
                                                        "\" of category " + category.CategoryName +
                                                        " is not in the disposition types files" +
                                                        NotInTreeNote(category.CategoryName));
                }
                if (*requiresFile && detailedFiles == DetailedFiles::Checked) {
                    const std::string& file = disposition.DetailedDispositionFile;
                    if (const std::string fault =
                            DetailedFileFault(category.CategoryName, file, look(file), paths);
                        !fault.empty())
                        return refuse(&category, fault);
                }
                element("DetailedDispositionFile", lookUp(disposition.DetailedDispositionFile).stored, 3);
                element("DirectoryForErrors", disposition.DirectoryForErrors, 3);
                close("Disposition", 2);
            }
            close(category.CategoryName, 1);
        }
        close(kRootElement, 0);
        return true;
    } catch (UnwritableValue& error) {
        if (writing) error.Within("of a disposition of category " + writing->CategoryName);
        return refuse(writing, FormatError("Error saving=", error));
    } catch (const AppError& error) {
        return refuse(writing, FormatError("Error saving=", error));
    }
}

std::string DispositionConfiguration::DetailedFileFault(const std::string& category,
                                                        const std::string& detailedFile,
                                                        const platform::PathLook& look,
                                                        const PathContext& paths) const {
    if (look.regularFile()) return {};
    // A folder, or a file that cannot be reached, is there: said for what it is.
    if (const std::string why = platform::WhyNotAFile(look); !why.empty()) {
        return "The detailed disposition file of a disposition in the " + category + " category " + why +
               ": " + paths.ResolvePath(fullPath_, detailedFile) + NotInTreeNote(category);
    }
    return "Detailed disposition file is missing or incorrect for at least one disposition in the " +
           category + " category, File=" + detailedFile + NotInTreeNote(category);
}

std::string DispositionConfiguration::NotInTreeNote(const std::string& category) const {
    if (!categories_.empty()) {
        const CategoryLayout& layout = catalogues().layout;
        const auto at = layout.index.find(category);
        if (at != layout.index.end() && layout.inTree[at->second]) return {};
    }
    // Up its parents, each as its first definition gives it, to the first that no catalogue defines, or
    // round a loop.
    std::vector<std::string> chain{category};
    std::string why;
    while (why.empty()) {
        const auto defined = std::find_if(Catalogue().begin(), Catalogue().end(),
                                          [&](const CCategory& c) { return c.CategoryName == chain.back(); });
        if (defined == Catalogue().end()) {
            why = "its parent category \"" + chain.back() + "\" is not among the category definitions";
        } else if (std::find(chain.begin(), chain.end(), defined->ParentCategory) != chain.end()) {
            why = "its parent categories lead round to \"" + defined->ParentCategory + "\" and never to \"" +
                  kDefaultCategory + "\"";
        } else {
            chain.push_back(defined->ParentCategory);
        }
    }
    return "\n\nThe " + category + " category is not shown in this window: " + why +
           ". Correct the category definitions, or this file in a text editor.";
}

std::string DispositionConfiguration::DroppedCategories(const std::string& article) const {
    std::string text;
    if (!unloadedCategories_.empty()) {
        text = article + "dispositions of the categories " + NameList(unloadedCategories_);
    }
    if (!emptyUnloadedCategories_.empty()) {
        if (!text.empty()) text += " and ";
        text +=
            article + "elements without dispositions of the categories " + NameList(emptyUnloadedCategories_);
    }
    return text;
}

std::vector<std::string> DispositionConfiguration::UnsaveableCategories() const {
    std::vector<std::string> names;
    for (const CCatDispositions& category : categories_)
        if (!IsXmlElementName(category.CategoryName)) names.push_back(category.CategoryName);
    return names;
}

std::vector<std::pair<std::string, std::vector<std::string>>> DispositionConfiguration::ByDefinitionFile(
    const std::vector<std::string>& names) const {
    // The catalogue is walked once for all of them: there may be thousands of either.
    std::unordered_map<std::string, const std::string*> definedIn;
    for (const std::string& name : names) definedIn.emplace(name, nullptr);
    static const std::string none;
    for (const CCategory& defined : Catalogue()) {
        const auto found = definedIn.find(defined.CategoryName);
        if (found == definedIn.end() || found->second) continue;
        found->second = defined.DefinedIn >= 1 && defined.DefinedIn <= 2
                            ? &catalogues().categoryFiles[defined.DefinedIn - 1]
                            : &none;
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    for (const std::string& name : names) {
        const std::string& file = definedIn[name] ? *definedIn[name] : none;
        auto group =
            std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == file; });
        if (group == groups.end()) group = groups.insert(groups.end(), {file, {}});
        group->second.push_back(name);
    }
    return groups;
}

std::string DispositionConfiguration::DefinitionFile(const std::string& category) const {
    // The first definition of a name is the one the collection holds.
    for (const CCategory& defined : Catalogue()) {
        if (defined.CategoryName == category && defined.DefinedIn >= 1 && defined.DefinedIn <= 2)
            return catalogues().categoryFiles[defined.DefinedIn - 1];
    }
    return {};
}

std::string DispositionConfiguration::UnreadCataloguesConsequence() const {
    const bool one = UnreadCatalogues().size() == 1;
    std::string text = std::string("The category definitions file") + (one ? " " : "s ") +
                       NameList(UnreadCatalogues()) + " could not be read, so the categories " +
                       (one ? "it defines" : "they define") + " are not loaded";
    if (unloadedCategories_.empty() && emptyUnloadedCategories_.empty()) return text + ".";
    return text + ": saving would drop from " + fullPath_ + " " + DroppedCategories("the ") + ".";
}

FileSave DispositionConfiguration::Saving(const PathContext& paths, IPrompts& prompts) {
    FileSave save;
    save.path = fullPath_;
    save.text = [this, &paths, &prompts] { return WriteText(paths, prompts); };
    if (!file_.readOrMissing()) {
        // What the file held was never shown, so it is replaced only when the user says so.
        save.losses.push_back(
            Loss{"The file " + fullPath_ +
                     " was not read as a disposition configuration file. Do you want to replace its "
                     "content with these dispositions?",
                 fullPath_ + " could not be read.", true});
    } else if (!UnreadCatalogues().empty()) {
        save.losses.push_back(UnreadCatalogueLoss(UnreadCataloguesConsequence()));
    } else if (!unloadedCategories_.empty() || !emptyUnloadedCategories_.empty()) {
        // A category the catalogue no longer defines: its dispositions are shown nowhere, and the server
        // would still read them. An element without dispositions loses nothing the server reads, but is still
        // left out.
        const std::string dropped = "The file " + fullPath_ + " holds " + DroppedCategories("") +
                                    ", which no category definitions file defines; a save would drop them.";
        save.losses.push_back(Loss{dropped + " Do you want to save anyway?", dropped});
    }
    if (file_.readOrMissing() && !catalogues().unreadTypesFiles.empty()) {
        // The types a disposition may have are checked against a catalogue that is not whole.
        const std::string unread = "The disposition types file " + NameList(catalogues().unreadTypesFiles) +
                                   " could not be read completely, so the types of the dispositions in " +
                                   fullPath_ + " were checked against only part of the catalogue.";
        save.losses.push_back(UnreadCatalogueLoss(unread));
    }
    if (notKept_) save.losses.push_back(*notKept_);
    save.written = [this] {
        file_.problem = FileProblem::None;
        unloadedCategories_.clear();
        emptyUnloadedCategories_.clear();
        notKept_.reset();
    };
    return save;
}

}  // namespace pv
