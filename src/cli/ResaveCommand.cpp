#include "cli/ResaveCommand.h"

#include <ostream>

#include "actions/DetailedFileTool.h"
#include "cli/ConfigTool.h"
#include "cli/StreamPrompts.h"
#include "core/MasterLinks.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/xml.h"
#include "dispositions/DispositionConfiguration.h"
#include "master/MasterConfiguration.h"
#include "monitoring/MonitorConfiguration.h"
#include "monitoring/MonitorFileTool.h"

namespace pv {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int NotWritten(std::ostream& err, const std::string& path) {
    err << "Not written: " << path << " could not be read.\n";
    return kFailed;
}

// A failed write is reported by the tool once the command has ended.
int Print(std::ostream& out, const std::string& text) {
    out << text;
    return kOk;
}

// The exit status of a file an editor loaded and saved (or printed).
int Finish(ResaveOutcome outcome, const std::string& text, const std::string& path, std::ostream& out,
           std::ostream& err) {
    switch (outcome) {
        case ResaveOutcome::Written:
            return kOk;
        case ResaveOutcome::Printed:
            return Print(out, text);
        case ResaveOutcome::Refused:
            return kFailed;
        case ResaveOutcome::WouldDrop:
            err << "Not written: " << path
                << " names entries the editor cannot show, which a save would drop.\n";
            return kFailed;
        default:
            return NotWritten(err, path);
    }
}

// Loads a master file completely, as the main window does; false (reported) when it could not be.
bool LoadMaster(MasterConfiguration& master, const std::string& path, const PathContext& paths,
                IPrompts& prompts) {
    master.MasterFilePath = path;
    const auto loaded = master.Load(paths, prompts);
    return loaded.outcome == MasterConfiguration::LoadOutcome::Complete && loaded.readAsMaster;
}

int ResaveMaster(const std::string& path, bool toStdout, std::ostream& out, std::ostream& err,
                 const PathContext& paths, IPrompts& prompts) {
    MasterConfiguration master;
    if (!LoadMaster(master, path, paths, prompts)) return NotWritten(err, path);
    const std::string referringFile = paths.MakeAbsolutePath(master.MasterFilePath);
    if (toStdout) {
        try {
            return Print(out, master.WriteText(referringFile, paths, prompts) + "\r\n");
        } catch (const AppError& error) {
            prompts.ShowMessage(FormatError("Error saving=", error));
            return kFailed;
        }
    }
    return master.Save(referringFile, paths, prompts) ? kOk : kFailed;
}

int ResaveDispositions(const std::string& path, const ResaveOptions& options, std::ostream& out,
                       std::ostream& err, const ToolEnvironment& environment, const PathContext& paths,
                       IPrompts& prompts) {
    if (options.master.empty()) {
        err << "postvane-config-tool: a Dispositions file needs --master MASTER for its catalogues\n";
        return kUsage;
    }
    MasterConfiguration master;
    if (!LoadMaster(master, CommandLineMasterPath(options.master, environment.currentDirectory), paths,
                    prompts)) {
        return NotWritten(err, path);
    }
    const MasterLinks links = LinksOf(master, paths);
    DispositionConfiguration configuration;
    const auto loaded = configuration.Load(path, links, paths, prompts);
    if (!loaded.opened || loaded.file != DispositionConfiguration::FileState::Read)
        return NotWritten(err, path);
    if (!configuration.UnreadCatalogues().empty()) {
        err << "Not written: " << configuration.UnreadCataloguesConsequence() << "\n";
        return kFailed;
    }
    if (options.toStdout) {
        const auto text = configuration.WriteText(paths, prompts);
        if (!text) return kFailed;
        return Print(out, *text + "\r\n");
    }
    return configuration.Save(paths, prompts) ? kOk : kFailed;
}

int ResaveDetailed(const std::string& path, const ResaveOptions& options, std::ostream& out,
                   std::ostream& err, const ToolEnvironment& environment, const PathContext& paths,
                   IPrompts& prompts) {
    if (options.type.empty()) {
        err << "postvane-config-tool: a Disposition file needs --type TYPE (for example ForwardMessage)\n";
        return kUsage;
    }
    if (options.master.empty() && UsesMessageFields(options.type)) {
        err << "postvane-config-tool: a " << options.type
            << " file needs --master MASTER for its message fields files\n";
        return kUsage;
    }
    MasterLinks links;
    if (!options.master.empty()) {
        MasterConfiguration master;
        if (!LoadMaster(master, CommandLineMasterPath(options.master, environment.currentDirectory), paths,
                        prompts)) {
            return NotWritten(err, path);
        }
        links = LinksOf(master, paths);
    }
    std::string text;
    const ResaveOutcome outcome =
        ResaveDispositionFile(options.type, path, links, paths, prompts, options.toStdout ? &text : nullptr);
    if (outcome == ResaveOutcome::NoEditor) {
        err << "The type \"" << options.type << "\" has no editor of its own that reads its file.\n";
        return kFailed;
    }
    return Finish(outcome, text, path, out, err);
}

int ResaveOneMonitorFile(const std::string& path, const std::string& type, bool toStdout, std::ostream& out,
                         std::ostream& err, const PathContext& paths, IPrompts& prompts) {
    std::string text;
    return Finish(ResaveMonitorFile(type, path, paths, prompts, toStdout ? &text : nullptr), text, path, out,
                  err);
}

int ResaveMonitors(const std::string& path, bool toStdout, std::ostream& out, std::ostream& err,
                   IPrompts& prompts) {
    MonitorConfiguration configuration;
    configuration.Load(path, prompts);
    if (!configuration.ReadCompletely()) return NotWritten(err, path);
    if (toStdout) {
        const auto text = configuration.WriteText(prompts);
        if (!text) return kFailed;
        return Print(out, *text + "\r\n");
    }
    return configuration.Save(prompts) ? kOk : kFailed;
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
        err << "postvane-config-tool: the master file " << masterArgument << " could not be read\n";
        return kFailed;
    }
    const std::optional<std::string> statement =
        CreateTableStatementOf(path, LinksOf(master, paths), paths, prompts);
    if (!statement) {
        err << "postvane-config-tool: " << path << " could not be read as a Write To DB file\n";
        return kFailed;
    }
    return Print(out, *statement + "\r\n");
}

int RunResave(const ResaveOptions& options, std::ostream& out, std::ostream& err,
              const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    StreamPrompts prompts(err, environment.verbose);
    const std::string path = CommandLineMasterPath(options.file, environment.currentDirectory);
    if (!platform::PathExists(path)) {
        prompts.ShowMessage(MissingFileMessage(prompts, path));
        return NotWritten(err, path);
    }
    // The root element tells the kind of file; the loader of that kind then reads it (and reports a file
    // that is not well-formed past its root's start tag).
    std::string root;
    try {
        root = ReadRootElementName(path);
        if (root.empty()) {
            if (ReportLoad(path, LoadXmlFile(path), prompts)) err << path << ": no root element\n";
            return NotWritten(err, path);
        }
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Unexpected error in LoadFile=", error));
        return NotWritten(err, path);
    }
    if (root == "ResponseHandler") return ResaveMaster(path, options.toStdout, out, err, paths, prompts);
    if (root == "Dispositions")
        return ResaveDispositions(path, options, out, err, environment, paths, prompts);
    if (root == "Disposition") return ResaveDetailed(path, options, out, err, environment, paths, prompts);
    if (root == "Monitors") return ResaveMonitors(path, options.toStdout, out, err, prompts);
    const std::string monitorType = MonitorTypeOfRoot(root);
    if (!monitorType.empty()) {
        return ResaveOneMonitorFile(path, monitorType, options.toStdout, out, err, paths, prompts);
    }
    err << "postvane-config-tool: " << path << ": a file with the root element <" << root
        << "> is not a kind of file this tool writes\n";
    return kFailed;
}

}  // namespace pv
