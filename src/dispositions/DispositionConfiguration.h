#pragma once
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/ConfigFile.h"
#include "core/SaveSequence.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/CCategory.h"
#include "dispositions/CDispositionTypes.h"

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;
namespace platform {
struct PathLook;
}

// Where the categories of the catalogues stand in every disposition file opened against them: "Default"
// first, then each catalogue name once, in catalogue order, with the tree over them. It is the same for every
// such file, so it is laid out once, as the catalogues are read.
struct CategoryLayout {
    static constexpr size_t kNone = static_cast<size_t>(-1);
    std::vector<std::string> names;                 // by position
    std::unordered_map<std::string, size_t> index;  // position by name
    // The tree, children in catalogue order; kNone ends a list. A category whose parent is no category is
    // in no list.
    std::vector<size_t> firstChild;
    std::vector<size_t> nextSibling;
    std::vector<bool> inTree;  // by position: reached from "Default" down the links, so the tree shows it
    // The names defined more than once, or named "Default", by the file holding their later definitions
    // (each file, and each name in it, in catalogue order).
    std::vector<std::pair<std::string, std::vector<std::string>>> repeated;
    std::vector<std::string> unsaveable;  // names no disposition file can hold as elements, in order
};

// The catalogues a disposition file is opened against, as one load reads them, with the messages that reading
// showed and whether the disposition types could be read at all.
struct DispositionCatalogues {
    CategoryCatalogue categories;
    std::string categoryFiles[2];                  // full paths, by CCategory::DefinedIn
    std::vector<std::string> unreadCategoryFiles;  // as the master names them
    CDispositionTypes types;
    bool typesRead = false;                     // enough of them to open the file
    std::vector<std::string> unreadTypesFiles;  // not read completely, as the master names them
    std::vector<Message> messages;
    CategoryLayout layout;
};

// Catalogues read once for a run that opens many disposition files against the same ones (the tool's check,
// which changes no file); each later use shows the messages of the first reading again. The windows read
// the catalogues afresh every time instead, as a user may have changed them meanwhile.
class CatalogueCache {
  public:
    std::shared_ptr<const DispositionCatalogues> Get(const IMasterLinks& master,
                                                     const std::string& masterFilePath,
                                                     const PathContext& paths);

  private:
    // By the catalogue files' full paths; shared by the files loaded against them, never copied.
    std::unordered_map<std::string, std::shared_ptr<const DispositionCatalogues>> read_;
};

// One disposition configuration file as the dispositions editor holds it: the dispositions of "Default" and
// of every catalogue category, the two catalogues it was checked against, and its load and save. The window
// and the command-line tool both load, check and save through this class.
class DispositionConfiguration {
  public:
    struct LoadResult {
        // False when the editor must not open: the first disposition types file could not be loaded, or the
        // file could not be read at all (saving would write over what nobody has seen).
        bool opened = false;
        // What the file turned out to be: a missing one starts every category empty, and saving creates it;
        // one that is not well-formed, or of another kind, is read as empty.
        FileRead file;
    };

    // Opens `fileName` (as the mailbox holds it, resolved against `masterFilePath`) with the catalogues that
    // `master` names; every problem is reported through `prompts`, in the order the editor shows them.
    LoadResult Load(const std::string& fileName, const std::string& masterFilePath,
                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                    CatalogueCache* cache = nullptr);
    // The same with the master file path of `master`.
    LoadResult Load(const std::string& fileName, const IMasterLinks& master, const PathContext& paths,
                    IPrompts& prompts);
    // Opens the file at `fullPath`, named as the system names it (from the command line), with the catalogues
    // of `master`.
    LoadResult LoadFullPath(const std::string& fullPath, const IMasterLinks& master, const PathContext& paths,
                            IPrompts& prompts);

    const std::string& FileName() const { return fileName_; }
    const std::string& FullPath() const { return fullPath_; }

    // The categories in collection order: "Default" first, then the catalogue's, each name once.
    std::vector<CCatDispositions>& Categories() { return categories_; }
    const std::vector<CCatDispositions>& Categories() const { return categories_; }
    CCatDispositions* Find(const std::string& name);
    const CCatDispositions* Find(const std::string& name) const;

    const CategoryCatalogue& Catalogue() const { return catalogues().categories; }
    // The category definitions files (as the master names them) that could not be read: while there are
    // any, categories of this file may be missing from the collection, and a save would drop them.
    const std::vector<std::string>& UnreadCatalogues() const { return catalogues().unreadCategoryFiles; }
    // The disposition types the save judges the dispositions by: those the load read, or ReadTypesAgain's.
    const CDispositionTypes& Types() const { return typesNow_ ? *typesNow_ : catalogues().types; }
    // Reads the disposition types files of `master` again, quietly (what they hold was said at the load), for
    // a save after the user may have changed them: a type added to them meanwhile, taken out of them, or
    // whose detailed-file flag changed, is then judged as they have it, as check of the saved file will judge
    // it. While the first file cannot be read, the types of the load stand.
    void ReadTypesAgain(const IMasterLinks& master, const std::string& masterFilePath,
                        const PathContext& paths);
    // Whether every file the dispositions of the file name is known from the collection: not while a
    // category definitions file could not be read or the file holds categories no catalogue defines (their
    // dispositions, which the server still reads, are not loaded), nor while a disposition types file could
    // not be read completely (a type it alone defines may need a file).
    bool KnowsAllItNames() const {
        return UnreadCatalogues().empty() && catalogues().unreadTypesFiles.empty() &&
               unloadedCategories_.empty();
    }

    // One line of the category tree: the name indented by kTreeIndent blanks per level, and the category it
    // shows.
    static constexpr int kTreeIndent = 2;
    struct TreeLine {
        std::string text;
        size_t category;  // position in Categories()
    };
    // "Default" and every category whose parent chain leads to it, depth first, children in catalogue order.
    std::vector<TreeLine> CategoryTree() const;

    // Runs the save's checks in order and builds the whole file text (without the extra final line end that
    // writing adds). The first failing check shows its message and gives nullopt.
    std::optional<std::string> WriteText(const PathContext& paths, IPrompts& prompts) const;
    // The same checks, with the same messages, for a run that only wants to know whether the file could be
    // saved: every value is still written once, so that one no file can hold is found, but the text is not
    // kept. True when every check passed.
    // With DetailedFiles::NotChecked a missing detailed file does not stop it: for a run that names every
    // missing one itself.
    enum class DetailedFiles { Checked, NotChecked };
    bool CheckSave(const PathContext& paths, IPrompts& prompts,
                   DetailedFiles detailedFiles = DetailedFiles::Checked) const;
    // What the save says of a disposition of `category` whose type needs a detailed file, named
    // `detailedFile`, when what `look` found there is no file to read: missing, or what is there instead (""
    // for a file). Check says it as the save does, of every such disposition.
    std::string DetailedFileFault(const std::string& category, const std::string& detailedFile,
                                  const platform::PathLook& look, const PathContext& paths) const;
    // Why the file cannot be saved as it was read while a category definitions file could not be read: the
    // files and the categories a save would drop.
    std::string UnreadCataloguesConsequence() const;
    // The save of the file (see RunSave): its checks and text, and what it would leave out: the content of
    // a file that was not read as a disposition file, or the categories a category definitions file that
    // could not be read defines.
    FileSave Saving(const PathContext& paths, IPrompts& prompts);

  private:
    void BuildCategories(const OpenedFile& file, IPrompts& prompts);
    // WriteText into `text`, or CheckSave when it is null.
    bool Write(const PathContext& paths, IPrompts& prompts, std::string* text,
               DetailedFiles detailedFiles = DetailedFiles::Checked) const;
    // "dispositions of the categories "A" and elements without dispositions of the categories "B"", each part
    // after `article`.
    std::string DroppedCategories(const std::string& article) const;
    // Said after a refusal about a category the tree does not list ("" for one it lists): why the window does
    // not show it, so that the user knows where it can be corrected.
    std::string NotInTreeNote(const std::string& category) const;
    // The categories whose names no disposition file can hold as elements, in the window's order.
    std::vector<std::string> UnsaveableCategories() const;
    // The full path of the category definitions file that defines `category` ("" when none does).
    std::string DefinitionFile(const std::string& category) const;
    // `names` by the file DefinitionFile gives for each, the files in the order of their first name.
    std::vector<std::pair<std::string, std::vector<std::string>>> ByDefinitionFile(
        const std::vector<std::string>& names) const;

    LoadResult LoadAt(const std::string& fileName, const std::string& fullPath,
                      const std::string& masterFilePath, const IMasterLinks& master, const PathContext& paths,
                      IPrompts& prompts, CatalogueCache* cache);

    // The catalogues of the last load (none before one): the categories and the types.
    const DispositionCatalogues& catalogues() const;

    std::string fileName_;
    std::string fullPath_;
    FileRead file_;
    std::shared_ptr<const DispositionCatalogues> catalogues_;
    // The elements of categories no loaded catalogue defines, which a save drops: those that hold
    // dispositions, and those that hold none (the editor itself writes a category without dispositions as an
    // element holding only blanks).
    std::vector<std::string> unloadedCategories_;
    std::vector<std::string> emptyUnloadedCategories_;
    std::optional<Loss> notKept_;                // what the last load left unread
    std::optional<CDispositionTypes> typesNow_;  // ReadTypesAgain
    std::vector<CCatDispositions> categories_;
};

}  // namespace pv
