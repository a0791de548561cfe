#include "master/ReferenceGraph.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_set>

#include "actions/CMessageFields.h"
#include "core/ConfigFile.h"
#include "core/EditorRegistry.h"
#include "core/HeadlessServices.h"
#include "core/MasterLinks.h"
#include "core/paths.h"
#include "core/platform.h"
#include "dispositions/CCategory.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/DispositionConfiguration.h"
#include "mailbox/CMailbox.h"
#include "master/MasterConfiguration.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/MonitorConfiguration.h"

namespace pv {
namespace {

// A file this walk does not load: missing, there but not a regular file or not readable, or fine.
GraphFileState StateOf(const std::string& path) {
    if (path.empty() || !platform::PathExists(path)) return GraphFileState::Missing;
    // Only a regular file is opened: opening a pipe could wait for ever.
    if (!platform::FileExists(path) || !std::ifstream(path).is_open()) return GraphFileState::Unreadable;
    return GraphFileState::Present;
}

// A file a loader read: what the load made of it.
GraphFileState StateOf(FileProblem problem) {
    switch (problem) {
        case FileProblem::None:
        case FileProblem::Stopped:  // read up to a value; what it names so far is real
            return GraphFileState::Present;
        case FileProblem::Missing:
            return GraphFileState::Missing;
        default:
            return GraphFileState::Unreadable;
    }
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

class GraphBuilder {
  public:
    explicit GraphBuilder(ReferenceGraph& graph, bool readLeafFiles = true)
        : graph_(graph), readLeafFiles_(readLeafFiles) {}

    // The node of the file at the full path `named` (added the first time), linked from `from` when given. A
    // file this program reads as a kind of its own (`root`: the element it begins with) is read, so that one
    // not well-formed or of another kind shows as not read, as its editor would find it.
    GraphNode& File(GraphNodeKind kind, const std::string& label, const std::string& named,
                    const std::string& from = {}, const std::string& type = {},
                    const std::string& root = {}) {
        // "+/dispose/../archive.xml" and "+/archive.xml" are one file, and so one node. Only the spelling
        // is made plain, as check's orphans take a name through ".."; links are not followed.
        std::string path = named.empty() ? named : std::filesystem::path(named).lexically_normal().string();
        // A spelling through a folder that is not there ("+/gone/../archive.xml") opens nothing, whichever
        // file it spells: it is a node of its own, missing, not the file it would be made plain into. A
        // missing file spelled through a folder that is there is the one missing file.
        if (path != named && !platform::PathExists(std::filesystem::path(named).parent_path().string()))
            path = named;
        // A name that names nothing is a node of its own, so that each such reference shows.
        std::string id = path.empty() ? "missing:" + from + "\n" + label : "file:" + path;
        // A file named in another role than its node was made for (a mailbox's disposition file that a
        // disposition names as its detailed file, one detailed file of two types) is read in that role too,
        // as a node of its own: drawn as the first role found it, the second would hide what the file names
        // or pass a file that role cannot read.
        if (const GraphNode* first = path.empty() ? nullptr : graph_.Find(id);
            first && (first->kind != kind || first->type != type)) {
            id += " as " + (type.empty() ? std::string(GraphNodeKindName(kind)) : type);
        }
        GraphNode& node = Node(id, kind, label.empty() ? "(no file name)" : label, path, type, root);
        if (!from.empty()) Edge(from, id);
        return node;
    }
    GraphNode& Node(const std::string& id, GraphNodeKind kind, const std::string& label,
                    const std::string& path, const std::string& type = {}, const std::string& root = {}) {
        if (const GraphNode* found = graph_.Find(id)) return graph_.nodes[found - graph_.nodes.data()];
        GraphNode node;
        node.id = id;
        node.kind = kind;
        node.label = label;
        node.path = path;
        node.type = type;
        node.state = kind == GraphNodeKind::Mailbox ? GraphFileState::Present : StateOf(path);
        if (readLeafFiles_ && !root.empty() && node.state == GraphFileState::Present) {
            CollectingPrompts quiet;
            node.state = StateOf(OpenConfigFile(path, root, quiet).problem);
        }
        node.namesKnown = node.state != GraphFileState::Unreadable;
        graph_.nodes.push_back(std::move(node));
        return graph_.nodes.back();
    }
    void Edge(const std::string& from, const std::string& to) {
        if (edges_.emplace(from, to).second) graph_.edges.push_back({from, to});
    }

  private:
    ReferenceGraph& graph_;
    bool readLeafFiles_;
    std::set<std::pair<std::string, std::string>> edges_;
};

}  // namespace

const char* GraphNodeKindName(GraphNodeKind kind) {
    switch (kind) {
        case GraphNodeKind::Master:
            return "master file";
        case GraphNodeKind::DispositionTypes:
            return "disposition types file";
        case GraphNodeKind::CategoryDefinitions:
            return "category definitions file";
        case GraphNodeKind::MessageFields:
            return "message fields file";
        case GraphNodeKind::CategorizationOverrides:
            return "categorization overrides file";
        case GraphNodeKind::MonitorConfiguration:
            return "monitor configuration file";
        case GraphNodeKind::MonitorFile:
            return "monitor file";
        case GraphNodeKind::Mailbox:
            return "mailbox";
        case GraphNodeKind::CategorizationRules:
            return "categorization rules file";
        case GraphNodeKind::SensitivitySettings:
            return "sensitivity settings file";
        case GraphNodeKind::Dispositions:
            return "disposition configuration file";
        case GraphNodeKind::DetailedFile:
            return "detailed disposition file";
    }
    return "file";
}

std::string MailboxNodeId(const std::string& name) {
    return "mailbox:" + name;
}

const GraphNode* ReferenceGraph::Find(const std::string& id) const {
    // Asked for every node the walk adds and for every edge of a graph of thousands: the index takes in the
    // nodes added since the last question (nodes are only ever appended).
    for (size_t i = index_.size(); i < nodes.size(); ++i) index_.emplace(nodes[i].id, i);
    const auto found = index_.find(id);
    return found == index_.end() ? nullptr : &nodes[found->second];
}

ReferenceGraph BuildReferenceGraph(const std::string& masterPath, const PathContext& paths,
                                   const EditorRegistry& editors, IPrompts& prompts) {
    MasterConfiguration master;
    master.MasterFilePath = masterPath;
    const FileRead loaded = master.Load(paths, prompts);
    if (!loaded.read()) return UnreadMasterGraph(masterPath, loaded.problem);
    return BuildReferenceGraph(master, masterPath, paths, editors);
}

ReferenceGraph UnreadMasterGraph(const std::string& masterPath, FileProblem problem) {
    ReferenceGraph graph;
    GraphBuilder(graph).File(GraphNodeKind::Master, FileNameOf(masterPath), masterPath).state =
        problem == FileProblem::Missing ? GraphFileState::Missing : GraphFileState::Unreadable;
    graph.nodes.front().namesKnown = false;
    graph.masterProblem = problem;
    return graph;
}

ReferenceGraph BuildReferenceGraph(const MasterConfiguration& master, const std::string& masterPath,
                                   const PathContext& programPaths, const EditorRegistry& editors,
                                   bool readLeafFiles) {
    ReferenceGraph graph;
    GraphBuilder builder(graph, readLeafFiles);
    PathContext paths(programPaths);
    CollectingPrompts prompts;
    const std::string masterId = builder.File(GraphNodeKind::Master, FileNameOf(masterPath), masterPath).id;

    const ReferringFileScope masterScope(paths, masterPath);
    const auto named = [&](const std::string& name) {
        return name.empty() ? std::string() : paths.ResolvePath(masterPath, name);
    };
    const auto catalogue = [&](GraphNodeKind kind, const std::string& name, const std::string& root = {}) {
        if (!name.empty()) builder.File(kind, name, named(name), masterId, {}, root);
    };
    catalogue(GraphNodeKind::DispositionTypes, master.DispositionTypesFile1, kDispositionTypesRoot);
    catalogue(GraphNodeKind::DispositionTypes, master.DispositionTypesFile2, kDispositionTypesRoot);
    catalogue(GraphNodeKind::CategoryDefinitions, master.CategoryDefinitionsFile1, kCategoriesRoot);
    catalogue(GraphNodeKind::CategoryDefinitions, master.CategoryDefinitionsFile2, kCategoriesRoot);
    catalogue(GraphNodeKind::MessageFields, master.MessageFieldsFile1, kMessageFieldsRoot);
    catalogue(GraphNodeKind::MessageFields, master.MessageFieldsFile2, kMessageFieldsRoot);
    catalogue(GraphNodeKind::CategorizationOverrides, master.CategorizationOverridesFile);

    // The monitor configuration, and the file of each monitor whose type keeps its settings in one.
    {
        const std::string path = named(master.MonitorConfigFile);
        GraphNode& node =
            builder.File(GraphNodeKind::MonitorConfiguration, master.MonitorConfigFile, path, masterId);
        if (node.state == GraphFileState::Present) {
            const std::string id = node.id;
            MonitorConfiguration monitors;
            const FileProblem problem = monitors.Load(path, prompts);
            graph.nodes[&node - graph.nodes.data()].state = StateOf(problem);
            graph.nodes[&node - graph.nodes.data()].namesKnown = problem == FileProblem::None;
            if (StateOf(problem) == GraphFileState::Present) {
                for (const CMonitorItem& entry : monitors.Entries) {
                    const EditorRegistration* editor = editors.FindClass(entry.ClassName);
                    if (!editor || !editor->make) continue;
                    builder.File(GraphNodeKind::MonitorFile, entry.Parameter,
                                 entry.Parameter.empty() ? "" : paths.ResolvePath(path, entry.Parameter), id,
                                 editor->setup.type, editor->setup.root);
                }
            }
        }
    }

    // Each mailbox, its rules and disposition files, and the detailed files those name.
    const MasterLinks links = LinksOf(master, paths);
    CatalogueCache catalogues;
    // The disposition files whose dispositions have been followed, by their paths as the mailboxes name them:
    // thousands of mailboxes may share a few. Two spellings of one node are each read, since one may not
    // open ("+/gone/../d.xml").
    std::unordered_set<std::string> followed;
    // The disposition files one of whose spellings was read whole: what they name is known, whatever
    // another spelling made of them.
    std::unordered_set<size_t> readWhole;
    for (const CMailbox* mailbox : master.Mailboxes.Records()) {
        const std::string id = MailboxNodeId(mailbox->sName);
        builder.Node(id, GraphNodeKind::Mailbox, mailbox->sName, {});
        builder.Edge(masterId, id);
        for (const std::string& rules : mailbox->saCategorizationRulesConfigFiles)
            builder.File(GraphNodeKind::CategorizationRules, rules, named(rules), id);
        if (!mailbox->sSensitivitySettingsFile.empty()) {
            builder.File(GraphNodeKind::SensitivitySettings, mailbox->sSensitivitySettingsFile,
                         named(mailbox->sSensitivitySettingsFile), id);
        }
        const std::string fileName = mailbox->sDispositionFileName;
        const std::string path = named(fileName);
        const size_t index =
            &builder.File(GraphNodeKind::Dispositions, fileName, path, id) - graph.nodes.data();
        if (graph.nodes[index].state != GraphFileState::Present) continue;
        if (!followed.insert(path).second) continue;
        DispositionConfiguration configuration;
        const auto result = configuration.Load(fileName, masterPath, links, paths, prompts, &catalogues);
        // A file the editor would not open (its first disposition types file could not be read) is drawn as
        // the file it is, with nothing below it: what it names is not known.
        const bool whole =
            result.opened && result.file.problem == FileProblem::None && configuration.KnowsAllItNames();
        if (whole) readWhole.insert(index);
        graph.nodes[index].namesKnown = readWhole.contains(index);
        if (!result.opened) continue;
        graph.nodes[index].state = StateOf(result.file.problem);
        if (graph.nodes[index].state != GraphFileState::Present) continue;
        const std::string dispositionsId = graph.nodes[index].id;
        // A file's dispositions name the same few files again and again.
        std::set<std::pair<std::string_view, std::string_view>> named;
        for (const CCatDispositions& category : configuration.Categories()) {
            for (const CCatDisposition& disposition : category.Dispositions) {
                if (!named.emplace(disposition.Type, disposition.DetailedDispositionFile).second) continue;
                const EditorRegistration* editor = editors.Find(EditorFamily::Disposition, disposition.Type);
                const bool hasEditor = editor != nullptr;
                const std::optional<bool> needsFile =
                    configuration.Types().RequiresDetailedFile(disposition.Type);
                const std::string& detailed = disposition.DetailedDispositionFile;
                // As check does: a type neither edited here nor said to need a file names none. A type no
                // catalogue knows names the file it gives: the server may well know the type.
                if (!hasEditor && (needsFile ? !*needsFile : detailed.empty())) continue;
                builder.File(
                    GraphNodeKind::DetailedFile, detailed,
                    detailed.empty() ? "" : paths.ResolvePath(disposition.DispositionFilePath, detailed),
                    dispositionsId, disposition.Type, editor ? editor->setup.root : std::string());
            }
        }
    }
    return graph;
}

namespace {

// A DOT string: quoted, with quotes and backslashes escaped and line breaks written as "\n", so that no name
// can end the string or the statement.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

const char* ShapeOf(GraphNodeKind kind) {
    switch (kind) {
        case GraphNodeKind::Master:
            return "doubleoctagon";
        case GraphNodeKind::Mailbox:
            return "ellipse";
        case GraphNodeKind::DispositionTypes:
        case GraphNodeKind::CategoryDefinitions:
        case GraphNodeKind::MessageFields:
        case GraphNodeKind::CategorizationOverrides:
            return "folder";
        case GraphNodeKind::MonitorConfiguration:
        case GraphNodeKind::Dispositions:
            return "box3d";
        default:
            return "note";
    }
}

}  // namespace

std::string GraphDot(const ReferenceGraph& graph) {
    std::string dot =
        "digraph installation {\n"
        "  rankdir=LR;\n"
        "  node [fontname=\"DejaVu Sans\", fontsize=10];\n";
    for (const GraphNode& node : graph.nodes) {
        std::string label = node.label;
        if (!node.type.empty()) label += "\n(" + node.type + ")";
        if (node.state == GraphFileState::Missing) label += "\nmissing";
        if (node.state == GraphFileState::Unreadable) label += "\nunreadable";
        dot +=
            "  " + Quoted(node.id) + " [label=" + Quoted(label) + ", shape=" + ShapeOf(node.kind) +
            ", tooltip=" +
            Quoted(std::string(GraphNodeKindName(node.kind)) + (node.path.empty() ? "" : ": " + node.path));
        if (node.state == GraphFileState::Missing) dot += ", style=dashed, color=red, fontcolor=red";
        if (node.state == GraphFileState::Unreadable) dot += ", style=dotted, color=orange, fontcolor=orange";
        dot += "];\n";
    }
    for (const GraphEdge& edge : graph.edges)
        dot += "  " + Quoted(edge.from) + " -> " + Quoted(edge.to) + ";\n";
    return dot + "}\n";
}

}  // namespace pv

namespace pv {
namespace {

// The kind of a file by its root element, as the loaders of each kind expect it.
std::optional<GraphNodeKind> KindOfRoot(const std::string& root, const EditorRegistry& editors) {
    static const std::map<std::string, GraphNodeKind> kRoots = {
        {"ResponseHandler", GraphNodeKind::Master},
        {"DispositionTypes", GraphNodeKind::DispositionTypes},
        {"Categories", GraphNodeKind::CategoryDefinitions},
        {"MessageFields", GraphNodeKind::MessageFields},
        {"Monitors", GraphNodeKind::MonitorConfiguration},
        {"CategorizationRules", GraphNodeKind::CategorizationRules},
        {"Dispositions", GraphNodeKind::Dispositions},
        {"Disposition", GraphNodeKind::DetailedFile},
    };
    if (const auto found = kRoots.find(root); found != kRoots.end()) return found->second;
    if (editors.FindRoot(EditorFamily::Monitor, root)) return GraphNodeKind::MonitorFile;
    return std::nullopt;
}

std::string Canonical(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path(path).lexically_normal().string() : canonical.string();
}

}  // namespace

bool MayName(GraphNodeKind namer, GraphNodeKind named) {
    switch (namer) {
        case GraphNodeKind::Master:
            return named != GraphNodeKind::Master && named != GraphNodeKind::Mailbox;
        case GraphNodeKind::MonitorConfiguration:
            return named == GraphNodeKind::MonitorFile;
        case GraphNodeKind::Dispositions:
            return named == GraphNodeKind::DetailedFile;
        default:
            return false;
    }
}

FolderWalk FilesNothingNames(const ReferenceGraph& graph, const std::string& folder,
                             const EditorRegistry& editors) {
    namespace fs = std::filesystem;
    std::set<std::string> named;
    for (const GraphNode& node : graph.nodes) {
        if (node.isFile() && !node.path.empty()) named.insert(Canonical(node.path));
    }
    FolderWalk walk;
    // Links to folders are not followed: a link back up the tree would never end, and one out of it leads
    // to files that are not the installation's. What could not be looked into is said, so that a list
    // without it does not pass for the whole.
    std::vector<std::string> folders = {folder};
    while (!folders.empty()) {
        const std::string listed = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        for (const fs::directory_entry& entry : platform::FolderEntries(listed, error)) {
            std::error_code typeError;
            if (entry.symlink_status(typeError).type() == fs::file_type::directory) {
                folders.push_back(entry.path().string());
                continue;
            }
            std::string extension = entry.path().extension().string();
            for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (extension != ".xml" || !entry.is_regular_file(typeError)) continue;
            const std::string path = entry.path().string();
            if (named.count(Canonical(path))) continue;
            CollectingPrompts quiet;
            const OpenedFile file = OpenConfigFile(path, "", quiet);
            if (file.problem == FileProblem::Unreadable) {
                walk.unexamined.push_back({path, file.error ? file.error->description() : "an input error"});
                continue;
            }
            if (file.problem != FileProblem::None) continue;
            if (const auto kind = KindOfRoot(file.RootName(), editors)) walk.unnamed.push_back({path, *kind});
        }
        if (error) walk.unexamined.push_back({listed, error.message()});
    }
    std::sort(walk.unnamed.begin(), walk.unnamed.end(),
              [](const UnnamedFile& a, const UnnamedFile& b) { return a.path < b.path; });
    std::sort(walk.unexamined.begin(), walk.unexamined.end(),
              [](const UnexaminedPath& a, const UnexaminedPath& b) { return a.path < b.path; });
    return walk;
}

}  // namespace pv
