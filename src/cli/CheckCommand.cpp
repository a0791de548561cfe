#include "cli/CheckCommand.h"

#include <ostream>
#include <vector>

#include "actions/DetailedFileTool.h"
#include "cli/ConfigTool.h"
#include "cli/StreamPrompts.h"
#include "core/EditorDispatch.h"
#include "core/HeadlessServices.h"
#include "core/MasterLinks.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/services.h"
#include "dispositions/DispositionConfiguration.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/MasterConfiguration.h"
#include "monitoring/MonitorConfiguration.h"
#include "monitoring/MonitorDispatch.h"
#include "monitoring/MonitorFileTool.h"

namespace pv {
namespace {

// One report line: the mailbox, then the file and the category where there are some, then the message.
class Report {
public:
    Report(std::ostream& out, bool& failed) : out_(out), failed_(failed) {}
    void Failure(const std::string& mailbox, const std::string& message, const std::string& file = {},
                 const std::string& category = {}) {
        out_ << mailbox << ": ";
        if (!file.empty()) out_ << file << ": ";
        if (!category.empty()) out_ << category << ": ";
        out_ << message << "\n";
        failed_ = true;
    }

private:
    std::ostream& out_;
    bool& failed_;
};

// The disposition file of one mailbox: the dispositions editor's load and save checks, then every detailed
// file it names: missing ones, and the save checks of those whose type has an editor of its own.
void CheckDispositions(const CMailbox& mailbox, const MasterLinks& links, const PathContext& paths,
                       Report& report) {
    const std::string fileName = mailbox.sDispositionFileName;
    if (!platform::FileExists(paths.ResolvePath(links.masterFilePath, fileName))) return;  // reported above
    CollectingPrompts prompts;
    DispositionConfiguration configuration;
    const auto loaded = configuration.Load(fileName, links, paths, prompts);
    for (const auto& message : prompts.messages) report.Failure(mailbox.sName, message, fileName);
    if (!loaded.opened) return;
    prompts.messages.clear();
    configuration.WriteText(paths, prompts);
    // A missing detailed file stops the save check at the first one; the walk below names every one.
    static const std::string kMissingDetailed = "Detailed disposition file is missing or incorrect";
    for (const auto& message : prompts.messages) {
        if (message.rfind(kMissingDetailed, 0) != 0) report.Failure(mailbox.sName, message, fileName);
    }

    for (const CCatDispositions& category : configuration.Categories()) {
        for (const CCatDisposition& disposition : category.Dispositions) {
            const bool builtIn = !BuiltInEditorFor(disposition.Type).empty();
            const bool needsFile =
                builtIn || configuration.Types().RequiresDetailedFile(disposition.Type).value_or(false);
            if (!needsFile) continue;
            const std::string detailed = disposition.DetailedDispositionFile;
            const std::string path = paths.ResolvePath(disposition.DispositionFilePath, detailed);
            if (detailed.empty() || !platform::FileExists(path)) {
                report.Failure(mailbox.sName,
                               "The detailed disposition file of a " + disposition.Type + " disposition is missing" +
                                   (detailed.empty() ? std::string() : ": " + detailed),
                               fileName, category.CategoryName);
                continue;
            }
            if (!builtIn) continue;
            CollectingPrompts detailedPrompts;
            std::string text;
            const ResaveOutcome outcome =
                ResaveDispositionFile(disposition.Type, path, links, paths, detailedPrompts, &text);
            if (outcome == ResaveOutcome::Printed || outcome == ResaveOutcome::NoEditor) continue;
            if (detailedPrompts.messages.empty()) {
                detailedPrompts.messages.push_back("The file could not be read as a detailed disposition file");
            }
            for (const auto& message : detailedPrompts.messages) {
                report.Failure(mailbox.sName, message, detailed, category.CategoryName);
            }
        }
    }
}

// The monitor configuration file the master names: what its window reports while loading and saving it, and
// the file of every monitor entry that keeps its settings in one. Each line starts with the file's name as
// the master holds it.
void CheckMonitors(const MasterConfiguration& master, const MasterLinks& links, const PathContext& paths,
                   Report& report) {
    const std::string& name = master.MonitorConfigFile;
    const std::string path = paths.ResolvePath(links.masterFilePath, name);
    if (!platform::FileExists(path)) {
        report.Failure(name, "Monitor config file doesn't exist, please choose another");
        return;
    }
    CollectingPrompts prompts;
    MonitorConfiguration configuration;
    configuration.Load(path, prompts);
    configuration.WriteText(prompts);
    for (const auto& message : prompts.messages) report.Failure(name, message);
    for (const CMonitorItem& entry : configuration.Entries) {
        const MonitorType* type = MonitorTypeWithFile(entry.ClassName);
        if (!type) continue;
        if (entry.Parameter.empty()) {
            report.Failure(name, "The " + type->name + " monitor names no configuration file");
            continue;
        }
        const std::string file = paths.ResolvePath(path, entry.Parameter);
        if (!platform::FileExists(file)) {
            report.Failure(name, "The configuration file of the " + type->name + " monitor is missing", entry.Parameter);
            continue;
        }
        // What its editor reports while loading the file and saving it again.
        CollectingPrompts editorPrompts;
        std::string text;
        const bool passed = ResaveMonitorFile(type->name, file, paths, editorPrompts, &text) == ResaveOutcome::Printed;
        if (!passed && editorPrompts.messages.empty()) {
            editorPrompts.messages.push_back("The file could not be read as the file of a " + type->name + " monitor");
        }
        for (const auto& message : editorPrompts.messages) report.Failure(name, message, entry.Parameter);
    }
}

}  // namespace

int RunCheck(const std::string& masterArgument, std::ostream& out, std::ostream& err,
             const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    StreamPrompts loadPrompts(err);
    MasterConfiguration master;
    master.MasterFilePath = CommandLineMasterPath(masterArgument, environment.currentDirectory);
    const auto loaded = master.Load(paths, loadPrompts);
    // Whatever the master's load had to say (a file read as Windows-1252, say) is worth a failing check.
    bool failed = loaded.outcome != MasterConfiguration::LoadOutcome::Complete || !loaded.wellFormed ||
                  loadPrompts.messagesShown > 0;
    if (loaded.outcome == MasterConfiguration::LoadOutcome::Missing) return 1;

    const MasterLinks links = LinksOf(master, paths);

    CollectingPrompts prompts;
    NoDialogs dialogs;
    NoWindows windows;
    NoLauncher launcher;
    NoClipboard clipboard;
    Services services{paths, prompts, dialogs, windows, launcher, clipboard};
    Report report(out, failed);
    // The mailboxes read before a load stopped part-way are checked too: their faults are worth knowing.
    for (const CMailbox* record : master.Mailboxes.Records()) {
        CMailbox copy = *record;
        FrmMailbox editor(services, links);
        prompts.messages.clear();
        editor.LoadFromObject(copy);
        const auto failure = editor.CheckFields(nullptr);
        if (failure) prompts.messages.push_back(*failure);
        for (const auto& message : prompts.messages) report.Failure(record->sName, message);
        if (failure) failed = true;
        CheckDispositions(*record, links, paths, report);
    }
    // A master that is not well-formed names no monitor file: the default would be checked in its place.
    if (loaded.wellFormed) CheckMonitors(master, links, paths, report);
    out.flush();
    return failed ? 1 : 0;
}

}  // namespace pv
