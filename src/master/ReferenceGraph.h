#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "core/ConfigFile.h"

namespace pv {

class EditorRegistry;
class PathContext;
struct MasterConfiguration;

// What a node of the reference graph stands for.
enum class GraphNodeKind {
    Master,
    DispositionTypes,
    CategoryDefinitions,
    MessageFields,
    CategorizationOverrides,
    MonitorConfiguration,
    MonitorFile,
    Mailbox,
    CategorizationRules,
    SensitivitySettings,
    Dispositions,
    DetailedFile,
};
// "master file", "disposition types file", ...: the kind as the picture and the tool's reports name it.
const char* GraphNodeKindName(GraphNodeKind kind);

enum class GraphFileState {
    Present,     // a regular file that was read (or, for the files this walk does not load, can be opened)
    Missing,     // nothing at the path, or no name given
    Unreadable,  // there, but not a regular file, not readable, or not read as its kind
};

struct GraphNode {
    // Stable from run to run: "file:" and the file's full path, or "mailbox:" and the mailbox's name.
    std::string id;
    GraphNodeKind kind = GraphNodeKind::Master;
    std::string label;  // a file's name as the file naming it holds it; a mailbox's name
    std::string path;   // a file's full path ("" for a mailbox)
    std::string type;   // the type of a detailed file or monitor file
    GraphFileState state = GraphFileState::Present;
    // Whether all the file names is in the graph: not so for one that could not be read, was read only in
    // part, or was not opened (a disposition file whose first disposition types file could not be read).
    bool namesKnown = true;
    bool isFile() const { return kind != GraphNodeKind::Mailbox; }
};

struct GraphEdge {
    std::string from;  // node ids: the node that names the other
    std::string to;
};

// The files of an installation and how they name one another: the master, its catalogues and monitor
// configuration, each monitor's file, each mailbox with its rules and disposition files, and each detailed
// file those name. A file several others name is one node, however they spell its path.
struct ReferenceGraph {
    std::vector<GraphNode> nodes;  // in the order the walk met them, the master first
    std::vector<GraphEdge> edges;
    // What the walk made of the master when it loaded it: a master read only in part is drawn as unread, and
    // its caller may want to say that it was read in part rather than not at all.
    FileProblem masterProblem = FileProblem::None;
    const GraphNode* Find(const std::string& id) const;

  private:
    mutable std::unordered_map<std::string, size_t> index_;  // node ids and where they are in `nodes`
};

// The id of the node of the mailbox named `name`.
std::string MailboxNodeId(const std::string& name);

// Walks from the master at `masterPath` (a full path) with the loaders of the windows, changing nothing.
// Files that are missing or could not be read are nodes too, marked so; nothing below them is followed. A
// master whose reading stopped part-way is one of those: the mailboxes after the fault would be missing from
// a picture that looked whole. What loading the master says goes to `prompts`; the walk below it says
// nothing. The monitor and detailed files are those of the types `editors` knows, as check takes them.
ReferenceGraph BuildReferenceGraph(const std::string& masterPath, const PathContext& paths,
                                   const EditorRegistry& editors, IPrompts& prompts);
// The same from a master already loaded (as the main window holds it), at `masterPath`. Without
// `readLeafFiles`, a catalogue, monitor file or detailed file is only looked at, not read as its kind (check,
// which reads each of them itself, wants only what is named).
ReferenceGraph BuildReferenceGraph(const MasterConfiguration& master, const std::string& masterPath,
                                   const PathContext& paths, const EditorRegistry& editors,
                                   bool readLeafFiles = true);
// The graph of a master that was not read whole: the master alone, missing or not read (what one read
// part-way names is not all it names).
ReferenceGraph UnreadMasterGraph(const std::string& masterPath, FileProblem problem);

// The graph in Graphviz's DOT language: node ids quoted (quotes, backslashes and line breaks escaped), a
// shape per kind, missing files dashed red and unreadable ones dotted orange.
std::string GraphDot(const ReferenceGraph& graph);

}  // namespace pv

namespace pv {

// A configuration file under the master's folder that no node of the graph is.
struct UnnamedFile {
    std::string path;  // full path
    GraphNodeKind kind;
};

// A folder, or a file whose name ends in ".xml", that could not be looked into, and why.
struct UnexaminedPath {
    std::string path;  // full path
    std::string why;
};

// What the walk of a folder found.
struct FolderWalk {
    std::vector<UnnamedFile> unnamed;        // sorted by path
    std::vector<UnexaminedPath> unexamined;  // sorted by path: what they hold is not in `unnamed`
};

// Whether a file of kind `namer` may name one of kind `named`, itself or through the files it names.
bool MayName(GraphNodeKind namer, GraphNodeKind named);

// The configuration files under `folder` (recursively, without following symbolic links to folders) that
// `graph` does not hold, sorted by path, and the folders and files that could not be examined. A
// configuration file is a regular file whose name ends in ".xml" and whose root element is that of a kind of
// file the installation's files name; other XML (a log's settings read by something else, a backup in another
// shape) and everything else is left alone. A file is the graph's when both name it by the same canonical
// path, so a name through "+/", ".." or a symbolic link counts.
FolderWalk FilesNothingNames(const ReferenceGraph& graph, const std::string& folder,
                             const EditorRegistry& editors);

}  // namespace pv
