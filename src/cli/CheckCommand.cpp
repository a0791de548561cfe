#include "cli/CheckCommand.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cli/CheckReport.h"
#include "cli/ConfigTool.h"
#include "cli/ReusedEditors.h"
#include "core/HeadlessServices.h"
#include "core/LargeMemory.h"
#include "core/MasterLinks.h"
#include "core/password.h"
#include "core/paths.h"
#include "core/platform.h"
#include "dispositions/DispositionConfiguration.h"
#include "editors/Editors.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/MasterConfiguration.h"
#include "master/ReferenceGraph.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/MonitorConfiguration.h"
#include "names/frmMailbox.h"

namespace pv {
namespace {

// The processors this process may run on: a container or `taskset` may allow fewer than the machine has.
unsigned ProcessorCount() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    return std::max(1U, std::thread::hardware_concurrency());
}

// What a check found: whom it is about (a mailbox, or the monitor configuration file as the master names
// it) and the message, whose place names the file and the category where there are some.
struct Finding {
    std::string subject;
    Message message;
    // About a file many others read (a message fields file): said once in a run, naming that file.
    bool once = false;
    // The full path of the file the finding is in (for a missing file, the one that names it).
    std::string path;
    // A missing file's name as that file holds it (CheckFinding::missing).
    std::optional<std::string> missing = std::nullopt;
};
using Findings = std::vector<Finding>;

// Each message as a finding about `subject`, in the file at `path` (named `file` by the file that names it)
// and `category`. A line and column stay only where they are of that file.
void Add(Findings& findings, const std::string& subject, std::vector<Message> messages,
         const std::string& path, const std::string& file = {}, const std::string& category = {}) {
    for (Message& message : messages) {
        if (!message.place.file.empty() && message.place.file != path)
            message.place.line = message.place.column = 0;
        message.place.file = file;
        // A message may know its category itself (a refusal of the dispositions save).
        if (!category.empty()) message.place.category = category;
        findings.push_back({subject, std::move(message), false, path});
    }
}
// The messages of the editor of the file at `editedPath`: those about another file it reads (a catalogue)
// name that file, where they point into it, and are said once; the others (a folder a control names among
// them) are about `file`.
void AddEditorMessages(Findings& findings, const std::string& subject, const std::vector<Message>& messages,
                       const std::string& editedPath, const std::string& file,
                       const std::string& category = {}) {
    for (const Message& message : messages) {
        if (!message.place.file.empty() && message.place.file != editedPath &&
            message.place.control.empty()) {
            Message elsewhere = message;
            elsewhere.place.category.clear();
            findings.push_back({subject, std::move(elsewhere), true, message.place.file});
        } else {
            Add(findings, subject, {message}, editedPath, file, category);
        }
    }
}
void Add(Findings& findings, const std::string& subject, const std::string& text, const std::string& path,
         const std::string& file = {}, const std::string& category = {}) {
    Add(findings, subject, {Message{MessageKind::Error, text}}, path, file, category);
}

// What a check reads and never changes, shared by all it checks and by all its threads: the master's links
// and the registry of editors.
struct CheckContext {
    const MasterLinks& links;
    const EditorRegistry& editors;
    bool notes = false;  // what the windows say for information is reported too (--verbose)
    // The disposition files, by name, that more than one mailbox names: their findings are kept for the
    // next mailbox naming them. A file only one mailbox names is checked and forgotten.
    std::unordered_set<std::string> sharedDispositionFiles = {};
};

std::unordered_set<std::string> SharedDispositionFiles(const MasterConfiguration& master) {
    std::unordered_set<std::string> named, shared;
    for (const CMailbox* mailbox : master.Mailboxes.Records()) {
        if (!named.insert(mailbox->sDispositionFileName).second) shared.insert(mailbox->sDispositionFileName);
    }
    return shared;
}

// What a check run has found out once and asks again many times: a run changes no file, and the
// dispositions of a large installation share their catalogues and name the same few files hundreds of times.
// They are the caches of one thread of a check, its paths included (they remember the referring file they
// were last asked about), so the threads share nothing they change.
class CheckCaches {
  public:
    CheckCaches(const PathContext& programPaths, const CheckContext& context)
        : paths(programPaths), editors(paths, context.editors, context.links, context.notes) {}
    PathContext paths;
    CatalogueCache catalogues;
    // Every disposition file is loaded into this one, which reloads its records in place: a large
    // installation's files hold the same categories, and so the storage of the last is reused.
    DispositionConfiguration configuration;
    ReusedEditors editors;

    // What is at the path a disposition names; looked at once per file in a run, which changes nothing.
    const platform::PathLook& Look(const std::string& path) {
        const auto [found, added] = looks_.try_emplace(path);
        if (added) found->second = platform::LookAt(path);
        return found->second;
    }

    // What the check of a disposition file several mailboxes share found, by the file's name as they name
    // it: the mailboxes of a large installation may share a few, and a file's findings are the same for
    // every mailbox naming it but for whom they are about.
    std::unordered_map<std::string, Findings> sharedDispositionFiles;

    // What the editor of a type reports on loading a detailed file and building its save.
    const std::vector<Message>& Messages(const EditorRegistration& editor, const std::string& path) {
        const auto [found, added] = checked_.try_emplace(editor.setup.type + '\n' + path);
        if (!added) return found->second;
        found->second = editors.WhatTheEditorSays(
            editor, path, "The file could not be read as a detailed disposition file");
        return found->second;
    }

  private:
    std::unordered_map<std::string, std::vector<Message>> checked_;
    std::unordered_map<std::string, platform::PathLook> looks_;
};

// The disposition file a mailbox names as `fileName`: the dispositions editor's load and save checks, then
// every detailed file it names: missing ones, and the save checks of those whose type has an editor of its
// own. The findings are about no one yet: the mailbox's check says whose they are.
Findings CheckDispositions(const std::string& fileName, const CheckContext& context, CheckCaches& caches) {
    Findings findings;
    const MasterLinks& links = context.links;
    const PathContext& paths = caches.paths;
    const std::string filePath = paths.ResolvePath(links.masterFilePath, fileName);
    if (!platform::FileExists(filePath)) return findings;  // the mailbox's own check says so
    CollectingPrompts prompts(context.notes);
    prompts.everyLoss = true;  // nothing here is written
    DispositionConfiguration& configuration = caches.configuration;
    const auto loaded =
        configuration.Load(fileName, links.masterFilePath, links, paths, prompts, &caches.catalogues);
    // What is wrong in a catalogue is said of the catalogue, once, however many disposition files read it.
    AddEditorMessages(findings, {}, prompts.messages, filePath, fileName);
    if (!loaded.opened) {
        // The types file's fault is said once, of that file; every disposition file it stops still fails, in
        // words that say why nothing in it was checked (its detailed files neither).
        const bool saidOfThisFile = std::any_of(findings.begin(), findings.end(), [&](const Finding& f) {
            return f.path == filePath && f.message.kind == MessageKind::Error;
        });
        if (!saidOfThisFile) {
            const std::string types = links.DispositionTypesFile(1);
            std::string until = "its disposition types file " +
                                paths.ResolvePath(links.masterFilePath, types) + " can be read";
            if (types.empty()) {
                until = links.DispositionTypesFile(2).empty()
                            ? "the master file names a disposition types file"
                            : "the master file names its first disposition types file";
            }
            Add(findings, {}, "Cannot be checked or saved until " + until, filePath, fileName);
        }
        return findings;
    }
    // The detailed files are named relative to the disposition file, which a check leaves as it is.
    const ReferringFileScope scope(paths, configuration.FullPath());
    prompts.messages.clear();
    // The walk below names every missing detailed file; the save's check would stop at the first. A file that
    // could not be read was said to be so above: what the save would say of the nothing it was read as
    // (no Default disposition) would blame its content.
    if (loaded.file.readOrMissing() &&
        configuration.CheckSave(paths, prompts, DispositionConfiguration::DetailedFiles::NotChecked))
        MayLose(configuration.Saving(paths, prompts), prompts);
    AddEditorMessages(findings, {}, prompts.messages, filePath, fileName);
    // A fault of a catalogue that stops this file's save (a category name it cannot hold) is said once, of
    // the catalogue, above; this file still fails, in words that send the reader there.
    for (const Message& message : prompts.messages) {
        if (message.kind == MessageKind::Error && !message.place.file.empty() &&
            message.place.file != filePath && message.place.control.empty()) {
            Add(findings, {}, "Cannot be saved until the fault in " + message.place.file + " is corrected",
                filePath, fileName);
        }
    }

    // What to say about a disposition of a type naming a file, worked out once per type and file name: the
    // dispositions of one file name the same few files again and again.
    struct Verdict {
        // What is there, when its type needs a file and none can be read there: the save's refusal.
        const platform::PathLook* fault = nullptr;
        bool missing = false;  // nothing is there
        std::string path;
        const std::vector<Message>* messages = nullptr;
    };
    static const platform::PathLook kNothing;  // at an empty name
    const auto hash = [](const std::pair<std::string_view, std::string_view>& key) {
        return platform::HashText(key.first) * 31 + platform::HashText(key.second);
    };
    std::unordered_map<std::pair<std::string_view, std::string_view>, Verdict, decltype(hash)> verdicts(16,
                                                                                                        hash);
    const auto judge = [&](const CCatDisposition& disposition) {
        Verdict verdict;
        const EditorRegistration* editor = context.editors.Find(EditorFamily::Disposition, disposition.Type);
        const bool required = configuration.Types().RequiresDetailedFile(disposition.Type).value_or(false);
        if (!editor && !required) return verdict;
        const std::string& detailed = disposition.DetailedDispositionFile;
        verdict.path = paths.ResolvePath(disposition.DispositionFilePath, detailed);
        const platform::PathLook& look = detailed.empty() ? kNothing : caches.Look(verdict.path);
        // Only a type the catalogue gives a detailed file must have one, as a save judges it, which stops at
        // a folder or a pipe there too: what its editor would say of one adds nothing.
        if (required && !look.regularFile()) {
            verdict.fault = &look;
            verdict.missing = !look.exists;
            return verdict;
        }
        // A file named for a type with an editor of its own is read by that editor when it is there, which
        // reports anything else for what it is.
        if (editor && look.exists) verdict.messages = &caches.Messages(*editor, verdict.path);
        return verdict;
    };
    for (const CCatDispositions& category : configuration.Categories()) {
        // Two dispositions of a category with one type and file would give the same lines twice, which
        // nothing tells apart: each is said once.
        std::unordered_set<const Verdict*> said;
        for (const CCatDisposition& disposition : category.Dispositions) {
            const auto [found, added] =
                verdicts.try_emplace({disposition.Type, disposition.DetailedDispositionFile});
            if (added) found->second = judge(disposition);
            const Verdict& verdict = found->second;
            if (!said.insert(&verdict).second) continue;
            const std::string& detailed = disposition.DetailedDispositionFile;
            if (verdict.fault) {
                Add(findings, {},
                    configuration.DetailedFileFault(category.CategoryName, detailed, *verdict.fault, paths),
                    filePath, fileName, category.CategoryName);
                if (verdict.missing) findings.back().missing = detailed;
            }
            if (verdict.messages) {
                AddEditorMessages(findings, {}, *verdict.messages, verdict.path, detailed,
                                  category.CategoryName);
            }
        }
    }
    return findings;
}

// What check says of one mailbox: the mailbox editor's checks of "Save and Exit", then its disposition file
// and every detailed file that names. Reads nothing but the mailbox, what the run shares and the caches it
// is given. `position` counts the mailboxes of the master from 1: a mailbox without a name is named by it.
Findings CheckMailbox(const CMailbox& record, size_t position, const CheckContext& context,
                      CheckCaches& caches) {
    Findings findings;
    CollectingPrompts prompts(context.notes);
    HeadlessServices headless(caches.paths, prompts, context.editors);
    CMailbox copy = record;
    FrmMailbox editor(headless.services, context.links);
    editor.LoadFromObject(copy);
    if (const auto failure = editor.CheckFields(nullptr)) {
        prompts.Show(*failure);
        // The save stops at its first fault, but a file the mailbox names that is missing is checked nowhere
        // else: it is said too.
        for (Message& fault : editor.FileFaults()) {
            if (fault.place.control != failure->place.control) prompts.Show(std::move(fault));
        }
    }
    // What a save of the master says of this mailbox's password: its refusal once, though the editor's
    // check gives it as well when it is the first fault.
    try {
        ScramblePassword(record.sPassword, prompts);
    } catch (const AppError& refused) {
        const std::string said = refused.description();
        if (std::none_of(prompts.messages.begin(), prompts.messages.end(),
                         [&](const Message& message) { return message.text == said; }))
            prompts.Show({MessageKind::Error, said});
    }
    Add(findings, record.sName, std::move(prompts.messages), context.links.masterFilePath);
    // A file the mailbox names that is missing (its "..." button is where the window mends it): named as the
    // master holds it, for the formats that give it apart.
    for (Finding& finding : findings) {
        const std::string& control = finding.message.place.control;
        if (control == names::frmMailbox::cmdBrowseDisposition) {
            finding.missing = record.sDispositionFileName;
        } else if (control == names::frmMailbox::cmdBrowseCategorization &&
                   record.saCategorizationRulesConfigFiles.size() == 1) {
            finding.missing = record.saCategorizationRulesConfigFiles.front();
        }
    }
    const std::string& fileName = record.sDispositionFileName;
    if (context.sharedDispositionFiles.contains(fileName)) {
        auto [checked, added] = caches.sharedDispositionFiles.try_emplace(fileName);
        if (added) checked->second = CheckDispositions(fileName, context, caches);
        for (const Finding& finding : checked->second) {
            findings.push_back(finding);
            findings.back().subject = record.sName;
        }
    } else {
        for (Finding& finding : CheckDispositions(fileName, context, caches)) {
            finding.subject = record.sName;
            findings.push_back(std::move(finding));
        }
    }
    // A mailbox without a name is told by its place in the master file, which the line names.
    const std::string who =
        record.sName.empty() ? "mailbox " + std::to_string(position) + " (no name)" : record.sName;
    for (Finding& finding : findings) {
        finding.subject = who;
        finding.message.place.mailbox = who;
        if (record.sName.empty() && finding.message.place.file.empty())
            finding.message.place.file = context.links.masterFilePath;
    }
    return findings;
}

// The monitor configuration file the master names: what its window reports while loading and saving it, and
// the file of every monitor entry that keeps its settings in one. Each line starts with the file's name as
// the master holds it.
Findings CheckMonitors(const MasterConfiguration& master, const CheckContext& context, CheckCaches& caches) {
    Findings findings;
    const PathContext& paths = caches.paths;
    const std::string& name = master.MonitorConfigFile;
    const std::string path = paths.ResolvePath(context.links.masterFilePath, name);
    if (!platform::PathExists(path)) {
        // No name at all: the line begins with the master that names none.
        Add(findings, name.empty() ? context.links.masterFilePath : name, {MissingMonitorConfigMessage(path)},
            context.links.masterFilePath);
        findings.back().missing = name;
        return findings;
    }
    CollectingPrompts prompts(context.notes);
    prompts.everyLoss = true;  // the save below prints
    MonitorConfiguration configuration;
    configuration.Load(path, prompts);
    std::string text;
    PrintForCheck(configuration.Saving(prompts), prompts, text);
    Add(findings, name, std::move(prompts.messages), path);
    // A file two entries of one type name is checked once: its findings would be the same lines twice.
    std::set<std::pair<std::string, std::string>> checked;
    for (const CMonitorItem& entry : configuration.Entries) {
        const EditorRegistration* editor = context.editors.FindClass(entry.ClassName);
        if (!editor || !editor->make) continue;
        const std::string& type = editor->setup.type;
        if (entry.Parameter.empty()) {
            Add(findings, name, "The " + type + " monitor names no configuration file", path);
            continue;
        }
        const std::string file = paths.ResolvePath(path, entry.Parameter);
        if (!checked.emplace(type, file).second) continue;
        if (!platform::PathExists(file)) {
            Add(findings, name, "The configuration file of the " + type + " monitor is missing: " + file,
                path, entry.Parameter);
            findings.back().missing = entry.Parameter;
            continue;
        }
        // What its editor reports while loading the file and saving it again.
        AddEditorMessages(
            findings, name,
            caches.editors.WhatTheEditorSays(
                *editor, file, "The file could not be read as the file of a " + type + " monitor"),
            file, entry.Parameter);
    }
    return findings;
}

// With --orphans: the configuration files under the master's folder that nothing names, and the names no
// other check follows that point to nothing: a mailbox's sensitivity settings file, its categorization rules
// files when it names several (the mailbox editor checks a single one), the master's categorization
// overrides file. Warnings: the server runs without them.
Findings CheckOrphans(const MasterConfiguration& master, const std::string& masterPath,
                      const PathContext& paths) {
    Findings findings;
    const ReferenceGraph graph = BuildReferenceGraph(master, masterPath, paths, BuiltInEditors(), false);
    // How many rules file names each mailbox holds, one file named twice counted twice: the mailbox editor
    // checks the file of a mailbox that names one, and no other.
    std::unordered_map<std::string, size_t> rulesNamedBy;
    for (const CMailbox* mailbox : master.Mailboxes.Records()) {
        size_t& named = rulesNamedBy[MailboxNodeId(mailbox->sName)];
        named = std::max(named, mailbox->saCategorizationRulesConfigFiles.size());
    }
    for (const GraphEdge& edge : graph.edges) {
        const GraphNode* from = graph.Find(edge.from);
        const GraphNode* to = graph.Find(edge.to);
        if (!from || !to || to->state == GraphFileState::Present) continue;
        if (to->kind == GraphNodeKind::CategorizationRules) {
            if (rulesNamedBy[edge.from] < 2) continue;
        } else if (to->kind != GraphNodeKind::SensitivitySettings &&
                   to->kind != GraphNodeKind::CategorizationOverrides) {
            continue;  // another check says so
        }
        std::string text = "The " + std::string(GraphNodeKindName(to->kind)) + " " + to->label +
                           (to->state == GraphFileState::Missing ? " is missing" : " could not be read");
        if (!to->path.empty()) text += ": " + to->path;
        Message message{MessageKind::Warning, text};
        const bool ofMailbox = from->kind == GraphNodeKind::Mailbox;
        if (ofMailbox) message.place.mailbox = from->label;
        findings.push_back({ofMailbox ? from->label : masterPath, std::move(message), false, masterPath});
        if (to->state == GraphFileState::Missing) findings.back().missing = to->label;
    }
    const std::string folder = std::filesystem::path(masterPath).parent_path().string();
    const auto relative = [&](const std::string& path) {
        return std::filesystem::path(path).lexically_relative(folder).string();
    };
    // The files that may name others but were not read whole, each once however many spellings name it:
    // a file of a kind one of them may name is no orphan that anyone could safely delete. The master was
    // read whole, or this check would not run.
    std::vector<const GraphNode*> unread;
    std::set<std::string> unreadPaths;
    for (const GraphNode& node : graph.nodes) {
        if (!node.isFile() || node.namesKnown || node.path.empty()) continue;
        std::error_code error;
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(node.path, error);
        if (unreadPaths.insert(error ? node.path : canonical.string()).second) unread.push_back(&node);
    }
    std::vector<size_t> withheld(unread.size());
    const FolderWalk walk = FilesNothingNames(graph, folder, BuiltInEditors());
    for (const UnnamedFile& file : walk.unnamed) {
        bool orphan = true;
        for (size_t i = 0; i < unread.size(); ++i) {
            if (MayName(unread[i]->kind, file.kind)) {
                ++withheld[i];
                orphan = false;
            }
        }
        if (!orphan) continue;
        Message message{MessageKind::Warning, "A " + std::string(GraphNodeKindName(file.kind)) +
                                                  " that nothing the master leads to names"};
        message.place.file = relative(file.path);
        findings.push_back({masterPath, std::move(message), false, file.path});
    }
    for (size_t i = 0; i < unread.size(); ++i) {
        if (withheld[i] == 0) continue;
        std::string kinds;
        for (const GraphNodeKind kind : {GraphNodeKind::DetailedFile, GraphNodeKind::MonitorFile}) {
            if (MayName(unread[i]->kind, kind)) kinds = std::string(GraphNodeKindName(kind)) + "s";
        }
        // A disposition file read whole may still hold dispositions the collection does not: those of a
        // category a catalogue that could not be read defines, or that no catalogue defines.
        const std::string why =
            unread[i]->kind == GraphNodeKind::Dispositions
                ? "Not all that this " + std::string(GraphNodeKindName(unread[i]->kind)) +
                      " names is known (it, or a catalogue it needs, could not be read whole, or it holds "
                      "categories no category definitions file defines), and it may name "
                : "This " + std::string(GraphNodeKindName(unread[i]->kind)) +
                      " could not be read whole, and it may name ";
        Message message{MessageKind::Warning, why + kinds + ": " +
                                                  (withheld[i] == 1 ? "the one that nothing else names is"
                                                                    : "the " + std::to_string(withheld[i]) +
                                                                          " that nothing else names are") +
                                                  " not listed"};
        message.place.file = relative(unread[i]->path);
        findings.push_back({masterPath, std::move(message), false, unread[i]->path});
    }
    for (const UnexaminedPath& unexamined : walk.unexamined) {
        Message message{
            MessageKind::Warning,
            "Could not be examined for configuration files that nothing names: " + unexamined.why};
        message.place.file = relative(unexamined.path);
        findings.push_back({masterPath, std::move(message), false, unexamined.path});
    }
    return findings;
}

// What the check of one mailbox (or of the monitor files) found, or the exception that stopped it, which is
// thrown where a check on one thread would have thrown it: after the findings of everything before.
struct Outcome {
    Findings findings;
    std::exception_ptr failure;
};

// Checks every mailbox of the master, then (with `monitors`) its monitor files, on `jobs` threads (0: one
// per processor). Each thread takes the next item not yet taken and keeps its own caches; the outcomes come
// back in the order of a check on one thread, whichever thread found them, so the report is the same at
// any number of threads.
std::vector<Outcome> CheckInParallel(const MasterConfiguration& master, bool monitors,
                                     const CheckContext& context, const PathContext& paths, unsigned jobs) {
    const std::vector<CMailbox*> mailboxes = master.Mailboxes.Records();
    const size_t count = mailboxes.size() + (monitors ? 1 : 0);
    std::vector<Outcome> outcomes(count);
    std::atomic<size_t> next{0};
    const auto work = [&] {
        CheckCaches caches(paths, context);
        // A check changes no file: the master, which every mailbox's names are resolved against, is asked
        // about once.
        const ReferringFileScope masterScope(caches.paths, context.links.masterFilePath);
        for (size_t taken; (taken = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
            // The monitor files are taken first, reported last: they are one item that may be long, which
            // should not start when the mailboxes are nearly done.
            const size_t item = monitors ? (taken == 0 ? count - 1 : taken - 1) : taken;
            try {
                outcomes[item].findings = item < mailboxes.size()
                                              ? CheckMailbox(*mailboxes[item], item + 1, context, caches)
                                              : CheckMonitors(master, context, caches);
            } catch (...) {
                outcomes[item].failure = std::current_exception();
            }
        }
    };
    if (jobs == 0) jobs = ProcessorCount();
    std::vector<std::jthread> helpers;
    for (size_t helper = 1; helper < std::min<size_t>(jobs, count); ++helper) {
        helpers.emplace_back([&work] {
            PrepareHeap(kReadingHeap);
            work();
        });
    }
    work();
    helpers.clear();  // joins them
    return outcomes;
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    CheckReport report;
    // What the master's load (and its save) says is a finding about the master, printed with the others:
    // its errors fail the check (a file read as Windows-1252, say), not the warning of a comment a save
    // would leave out.
    class LoadPrompts : public IPrompts {
      public:
        LoadPrompts(CheckReport& report, bool verbose) : report_(report), verbose_(verbose) {}
        void Show(const Message& message) override {
            if (message.kind == MessageKind::Information && !verbose_) return;
            report_.findings.push_back(
                {report_.masterPath, message,
                 message.place.file.empty() ? report_.masterPath : message.place.file});
            if (message.kind == MessageKind::Error) ++errors;
        }
        Answer AskYesNo(const std::string& text, const std::string&) override {
            Show({MessageKind::Question, text + " [answered No]"});
            return Answer::No;
        }
        Answer AskYesNoCancel(const std::string& text) override {
            Show({MessageKind::Question, text + " [answered Cancel]"});
            return Answer::Cancel;
        }
        Answer AskOrTell(const Message& question) override {
            Show({MessageKind::Error, ToolText(question), {}, question.place});
            return Answer::Cancel;
        }
        // What a save of the master would lose fails the check as it stops the tool's resave; every loss is
        // told, where a window asks about the first.
        Answer AskToSaveDespite(const Loss& loss) override {
            Show({MessageKind::Error, loss.reason});
            return Answer::Yes;
        }
        size_t errors = 0;

      private:
        CheckReport& report_;
        bool verbose_;
    } loadPrompts(report, environment.verbose);
    MasterConfiguration master;
    master.MasterFilePath = CommandLineMasterPath(options.master, environment.currentDirectory);
    report.masterPath = paths.MakeMasterPath(master.MasterFilePath);
    const FileRead loaded = master.Load(paths, loadPrompts);
    if (loaded.problem == FileProblem::Missing || loaded.problem == FileProblem::NotAFile ||
        loaded.problem == FileProblem::Unreadable) {
        PrintCheckReport(report, options.format, out);
        return 1;
    }
    // The mailboxes' checks come below; of the master's save, what it would lose.
    if (loaded.read()) MayLose(master.Saving(report.masterPath, paths, loadPrompts), loadPrompts);
    bool failed = !loaded.read() || loadPrompts.errors > 0;

    const MasterLinks links = LinksOf(master, paths);
    std::set<std::pair<std::string, std::string>> saidOnce;  // file and text
    // The findings of each part, joined in the order the parts come in the master.
    const auto add = [&](const Findings& findings) {
        for (const Finding& finding : findings) {
            if (finding.once && !saidOnce.emplace(finding.message.place.file, finding.message.text).second)
                continue;
            report.findings.push_back({finding.subject, finding.message, finding.path, finding.missing});
            if (finding.message.kind == MessageKind::Error) failed = true;
        }
    };
    // The mailboxes read before a load stopped part-way are checked too: their faults are worth knowing. A
    // master that is not well-formed (or not a master file) names no monitor file: the default would be
    // checked in its place.
    const CheckContext context{links, BuiltInEditors(), environment.verbose, SharedDispositionFiles(master)};
    const bool monitors = loaded.problem == FileProblem::None || loaded.problem == FileProblem::Stopped;
    for (const Outcome& outcome : CheckInParallel(master, monitors, context, paths, options.jobs)) {
        add(outcome.findings);
        if (outcome.failure) {
            // What was found before is told, as a check on one thread would have told it.
            PrintCheckReport(report, options.format, out);
            std::rethrow_exception(outcome.failure);
        }
    }
    if (options.orphans && loaded.read()) {
        add(CheckOrphans(master, report.masterPath, paths));
    } else if (options.orphans) {
        // Every file may be named by what the master's unread part holds: none is listed, and that is said.
        Message withheld{MessageKind::Warning,
                         "The master file could not be read whole, and it names every other file: the "
                         "configuration files that nothing names are not listed"};
        add({{report.masterPath, std::move(withheld), false, report.masterPath}});
    }
    PrintCheckReport(report, options.format, out);
    return failed ? 1 : 0;
}

}  // namespace pv
