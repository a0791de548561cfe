#include "cli/ResaveCommand.h"

#include <ostream>
#include <utility>

#include "actions/DetailedFileTool.h"
#include "cli/ConfigTool.h"
#include "cli/StreamPrompts.h"
#include "core/ConfigFile.h"
#include "core/DiskChangeGuard.h"
#include "core/HeadlessServices.h"
#include "core/MasterLinks.h"
#include "core/SaveReview.h"
#include "core/errors.h"
#include "core/paths.h"
#include "dispositions/DispositionConfiguration.h"
#include "editors/Editors.h"
#include "master/MasterConfiguration.h"
#include "monitoring/MonitorConfiguration.h"

namespace pv {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

// What is said while a file is loaded or saved is about that file: a message that does not name it (a check's
// fault, which knows its control and no more; a load's rounded number, which knows its mailbox) is printed
// after its path.
class FileAtHand {
  public:
    FileAtHand(StreamPrompts& prompts, std::string path)
        : prompts_(prompts), before_(std::exchange(prompts.fileAtHand, std::move(path))) {}
    ~FileAtHand() { prompts_.fileAtHand = std::move(before_); }
    FileAtHand(const FileAtHand&) = delete;
    FileAtHand& operator=(const FileAtHand&) = delete;

  private:
    StreamPrompts& prompts_;
    std::string before_;
};

int NotWritten(StreamPrompts& prompts, const std::string& path) {
    prompts.Say("Not written: " + path + " could not be read.");
    return kFailed;
}

// The file itself may be fine: it is the master whose catalogues it needs that could not be read, and the
// user is sent to that one.
int MasterNotRead(StreamPrompts& prompts, const std::string& path, const std::string& masterPath) {
    prompts.Say("Not written: " + path + ", because its master file " + masterPath + " could not be read.");
    return kFailed;
}

// The file was read, but the first disposition types file, without which no disposition can be checked,
// was not (its load said why): that file, or the master that names none (or names only the second), is the
// one to mend.
int TypesNotRead(StreamPrompts& prompts, const std::string& path, const IMasterLinks& links,
                 const PathContext& paths) {
    const std::string master = links.FullPathToMasterConfig();
    const std::string types = links.DispositionTypesFile(1);
    std::string because =
        "its disposition types file " + paths.ResolvePath(master, types) + " could not be read.";
    if (types.empty()) {
        because = links.DispositionTypesFile(2).empty()
                      ? "its master file " + master + " names no disposition types file."
                      : "the first disposition types file of its master file " + master + " is empty.";
    }
    prompts.Say("Not written: " + path + ", because " + because);
    return kFailed;
}

// A failed write is reported by the tool once the command has ended.
int Print(std::ostream& out, const std::string& text) {
    out << text;
    return kOk;
}

// --diff and --check: the text the save would write against the file as it is now, the diff naming the file
// as the command line did.
int Compare(const std::string& path, std::string text, const ResaveOptions& options, std::ostream& out,
            StreamPrompts& prompts) {
    PendingWrite write = PendingWriteOf(path, std::move(text));
    write.path = options.file;
    if (options.diff) out << write.Unified();
    if (options.check && write.Changes()) {
        prompts.Say(options.file + " would be changed by a resave");
        return kFailed;
    }
    return kOk;
}

// The exit status of a save through the one save sequence: the file written, or with --stdout the text
// printed, or with --diff or --check compared.
int Finish(SaveOutcome outcome, const std::string& path, std::string text, const ResaveOptions& options,
           std::ostream& out, StreamPrompts& prompts) {
    if (outcome != SaveOutcome::Printed) return outcome == SaveOutcome::Written ? kOk : kFailed;
    if (options.toStdout) return Print(out, text);
    try {
        return Compare(path, std::move(text), options, out, prompts);
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Error reading=", error));
        return kFailed;
    }
}

int Resave(FileSave save, const ResaveOptions& options, std::ostream& out, StreamPrompts& prompts) {
    const FileAtHand named(prompts, save.path);
    save.backup = options.backup;
    std::string text;
    const SaveOutcome outcome = RunSave(save, prompts, options.Printing() ? &text : nullptr);
    return Finish(outcome, save.path, std::move(text), options, out, prompts);
}

// A file whose window holds the guard against another program's change (the master, a dispositions file, a
// monitor configuration file): the tool holds it in the window's place, taken from what the load read, so
// that a change made between the load and the write is not overwritten. The tool's prompts answer the
// question Cancel, never No, so there is nothing to read again.
int ResaveGuarded(FileSave save, const FileRead& read, const ResaveOptions& options, std::ostream& out,
                  StreamPrompts& prompts) {
    DiskChangeGuard disk;
    disk.Take(save.path, read.fingerprint);
    save.disk = &disk;
    return Resave(std::move(save), options, out, prompts);
}

// The file's registered editor loads it as its window does and saves it (or prints its text). A file the
// editor could not read as its own, or that it closed over (a catalogue it needs is missing), is never
// written.
int ResaveWithEditor(const EditorRegistration& editor, const std::string& path, const IMasterLinks& links,
                     const ResaveOptions& options, std::ostream& out, const PathContext& paths,
                     StreamPrompts& prompts) {
    HeadlessServices headless(paths, prompts, BuiltInEditors());
    const FileAtHand named(prompts, path);
    const std::unique_ptr<FileEditorForm> form = editor.OpenOnFile(headless.services, links, path);
    if (form->stoppedBeforeReading()) {
        // The file itself was never read: what it needs was not, and the load said which.
        prompts.Say("Not written: " + path +
                    ", because a file it needs could not be read: see the messages above.");
        return kFailed;
    }
    if (form->IsClosed() || form->lastLoad() != FileProblem::None) return NotWritten(prompts, path);
    return Resave(form->Saving(), options, out, prompts);
}

// Loads a master file completely, as the main window does; false (reported) when it could not be.
bool LoadMaster(MasterConfiguration& master, const std::string& path, const PathContext& paths,
                StreamPrompts& prompts) {
    master.MasterFilePath = path;
    return master.Load(paths, prompts).read();
}

// The master a file takes its catalogues from (--master) is loaded too, and what its load says is about it.
bool LoadGivenMaster(MasterConfiguration& master, const std::string& path, const PathContext& paths,
                     StreamPrompts& prompts) {
    const FileAtHand named(prompts, path);
    return LoadMaster(master, path, paths, prompts);
}

int ResaveMaster(OpenedFile file, const ResaveOptions& options, std::ostream& out, const PathContext& paths,
                 StreamPrompts& prompts) {
    const std::string path = file.path;
    MasterConfiguration master;
    master.MasterFilePath = path;
    const FileRead read = master.Load(std::move(file), prompts);
    if (!read.read()) return NotWritten(prompts, path);
    return ResaveGuarded(master.Saving(paths.MakeMasterPath(master.MasterFilePath), paths, prompts), read,
                         options, out, prompts);
}

int ResaveDispositions(const std::string& path, const ResaveOptions& options, std::ostream& out,
                       const ToolEnvironment& environment, const PathContext& paths, StreamPrompts& prompts) {
    if (options.master.empty()) {
        return UsageError(prompts, "a Dispositions file needs --master MASTER for its catalogues", "resave");
    }
    MasterConfiguration master;
    const std::string masterPath = CommandLineMasterPath(options.master, environment.currentDirectory);
    if (!LoadGivenMaster(master, masterPath, paths, prompts)) return MasterNotRead(prompts, path, masterPath);
    const MasterLinks links = LinksOf(master, paths);
    DispositionConfiguration configuration;
    const auto loaded = configuration.LoadFullPath(path, links, paths, prompts);
    if (loaded.file.read() && !loaded.opened) {
        return TypesNotRead(prompts, path, links, paths);
    }
    if (!loaded.opened || !loaded.file.read()) return NotWritten(prompts, path);
    return ResaveGuarded(configuration.Saving(paths, prompts), loaded.file, options, out, prompts);
}

int ResaveDetailed(const std::string& path, const ResaveOptions& options, std::ostream& out,
                   const ToolEnvironment& environment, const PathContext& paths, StreamPrompts& prompts) {
    if (options.type.empty()) {
        return UsageError(prompts, "a Disposition file needs --type TYPE (for example ForwardMessage)",
                          "resave");
    }
    // The command line admits only the registered types.
    const EditorRegistration& editor = *BuiltInEditors().Find(EditorFamily::Disposition, options.type);
    if (options.master.empty() && editor.needsMessageFields) {
        return UsageError(prompts,
                          "a " + options.type + " file needs --master MASTER for its message fields files",
                          "resave");
    }
    MasterLinks links;
    if (!options.master.empty()) {
        MasterConfiguration master;
        const std::string masterPath = CommandLineMasterPath(options.master, environment.currentDirectory);
        if (!LoadGivenMaster(master, masterPath, paths, prompts)) {
            return MasterNotRead(prompts, path, masterPath);
        }
        links = LinksOf(master, paths);
    }
    return ResaveWithEditor(editor, path, links, options, out, paths, prompts);
}

int ResaveMonitors(const std::string& path, const ResaveOptions& options, std::ostream& out,
                   StreamPrompts& prompts) {
    MonitorConfiguration configuration;
    configuration.Load(path, prompts);
    // Entries left out of the list are what the save would lose: its loss step says so.
    if (!configuration.LastRead().read()) return NotWritten(prompts, path);
    return ResaveGuarded(configuration.Saving(prompts), configuration.LastRead(), options, out, prompts);
}

}  // namespace

int RunSql(const std::string& masterArgument, const std::string& fileArgument, std::ostream& out,
           std::ostream& err, const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    StreamPrompts prompts(err, environment.verbose);
    MasterConfiguration master;
    const std::string path = CommandLineMasterPath(fileArgument, environment.currentDirectory);
    if (!LoadMaster(master, CommandLineMasterPath(masterArgument, environment.currentDirectory), paths,
                    prompts)) {
        prompts.Say("the master file " + masterArgument + " could not be read");
        return kFailed;
    }
    std::optional<std::string> statement;
    {
        const FileAtHand named(prompts, path);
        statement = CreateTableStatementOf(path, LinksOf(master, paths), paths, prompts);
    }
    // Why is said above: the file missing or unreadable, a catalogue it needs, or what it holds besides.
    if (!statement) {
        prompts.Say("No statement is given for " + path +
                    ", read as a Write To DB file: see the messages above.");
        return kFailed;
    }
    return Print(out, *statement + "\r\n");
}

int RunResave(const ResaveOptions& options, std::ostream& out, std::ostream& err,
              const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    StreamPrompts prompts(
        err, environment.verbose, kToolMessagePrefix,
        options.allowLoss ? StreamPrompts::Losses::Allowed : StreamPrompts::Losses::Refused);
    const std::string path = CommandLineMasterPath(options.file, environment.currentDirectory);
    // Its load says what it finds as it goes, before the save is reached.
    const FileAtHand named(prompts, path);
    // The root element tells the kind of file, once the whole file has been read: a file that is not
    // well-formed is that, whatever its root.
    OpenedFile file = OpenConfigFile(path, "", prompts);
    if (!file.read()) {
        if (file.problem == FileProblem::Missing) prompts.Show(MissingFile(path));
        ReportOpened(file, "Unexpected error in LoadFile=", prompts);
        return NotWritten(prompts, path);
    }
    const std::string root = file.RootName();
    // A type names how a detailed file is read: given for a file of another kind, the call is well formed
    // but the file is not what the caller took it for, a fault of the file as a wrong root is without --type.
    if (!options.type.empty() && root != "Disposition") {
        prompts.Say("Not written: " + path + " has the root element <" + root +
                    ">, and --type is for a detailed disposition file (root element <Disposition>).");
        return kFailed;
    }
    if (root == "ResponseHandler") return ResaveMaster(std::move(file), options, out, paths, prompts);
    if (root == "Dispositions") return ResaveDispositions(path, options, out, environment, paths, prompts);
    if (root == "Disposition") return ResaveDetailed(path, options, out, environment, paths, prompts);
    if (root == "Monitors") return ResaveMonitors(path, options, out, prompts);
    if (const EditorRegistration* editor = BuiltInEditors().FindRoot(EditorFamily::Monitor, root)) {
        return ResaveWithEditor(*editor, path, MasterLinks(), options, out, paths, prompts);
    }
    prompts.Say(path + ": a file with the root element <" + root +
                "> is not a kind of file this tool writes");
    return kFailed;
}

}  // namespace pv
