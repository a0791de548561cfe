#include "cli/ConfigTool.h"

#include <istream>
#include <ostream>

#include "cli/CheckCommand.h"
#include "cli/StreamPrompts.h"
#include "core/errors.h"
#include "core/password.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/xml.h"
#include "master/MasterConfiguration.h"

namespace pv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: postvane-config-tool COMMAND [OPTIONS] [FILE]\n"
    "\n"
    "Loads, checks and rewrites Postvane configuration files exactly as the editor does.\n"
    "\n"
    "Commands:\n"
    "  resave [--stdout] MASTER   load the master file and write it back as the editor's Save does;\n"
    "                             with --stdout print the text it would write and write nothing\n"
    "  check MASTER               load the master file and run the mailbox editor's checks of\n"
    "                             \"Save and Exit\" on every mailbox, changing nothing; each failure is\n"
    "                             printed to standard output as NAME: MESSAGE\n"
    "  scramble                   read a password line from standard input, print its stored form\n"
    "  unscramble                 read a stored password line from standard input, print it in clear\n"
    "  --help                     show this text\n"
    "  --version                  show the version\n"
    "\n"
    "Messages the editor would show in a message box go to standard error.\n"
    "Exit status: 0 success, 1 a load, check or save failed, 2 usage error.\n";

int Usage(std::ostream& err, const std::string& problem) {
    err << "postvane-config-tool: " << problem << "\n" << "Try 'postvane-config-tool --help'.\n";
    return kExitUsage;
}

std::string ReadLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// A path typed on the command line is taken relative to the current directory.
std::string CommandLinePath(const std::string& typed, const ToolEnvironment& environment) {
    if (IsAbsoluteConfigPath(typed)) return platform::NativePath(typed);
    return platform::NativePath(environment.currentDirectory + platform::kSeparator + typed);
}

struct Options {
    bool toStdout = false;
    std::vector<std::string> files;
};

bool ParseOptions(const std::vector<std::string>& args, size_t first, Options& options, std::ostream& err,
                  bool allowStdout) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--stdout" && allowStdout) {
            options.toStdout = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            Usage(err, "unknown option '" + arg + "'");
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    return true;
}

int Resave(const Options& options, std::ostream& out, std::ostream& err, const ToolEnvironment& environment) {
    if (options.files.size() != 1) {
        return Usage(err, "resave takes exactly one file");
    }
    const PathContext paths(environment.programDirectory);
    StreamPrompts prompts(err);
    MasterConfiguration master;
    master.MasterFilePath = CommandLinePath(options.files[0], environment);
    const auto loaded = master.Load(paths, prompts);
    if (loaded.outcome != MasterConfiguration::LoadOutcome::Complete || !loaded.wellFormed) {
        err << "Not written: " << master.MasterFilePath << " could not be read.\n";
        return kExitFailed;
    }
    const std::string referringFile = paths.MakeAbsolutePath(master.MasterFilePath);
    if (options.toStdout) {
        const std::string text = master.WriteText(referringFile, paths, prompts);
        out << text << "\r\n";
        out.flush();
        return out ? kExitOk : kExitFailed;
    }
    return master.Save(referringFile, paths, prompts) ? kExitOk : kExitFailed;
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ToolEnvironment& environment) {
    if (args.empty()) return Usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "--version") {
        out << "postvane-config-tool " << POSTVANE_VERSION << "\n";
        return kExitOk;
    }
    if (command == "scramble" || command == "unscramble") {
        if (args.size() != 1) return Usage(err, command + " takes no arguments");
        const std::string line = ReadLine(in);
        StreamPrompts prompts(err);
        out << (command == "scramble" ? ScramblePassword(line, prompts) : UnscramblePassword(line)) << "\n";
        return kExitOk;
    }
    Options options;
    if (command == "resave") {
        if (!ParseOptions(args, 1, options, err, true)) return kExitUsage;
        return Resave(options, out, err, environment);
    }
    if (command == "check") {
        if (!ParseOptions(args, 1, options, err, false)) return kExitUsage;
        if (options.files.size() != 1) return Usage(err, "check takes exactly one file");
        return RunCheck(options.files[0], out, err, environment);
    }
    if (!command.empty() && command[0] == '-') return Usage(err, "unknown option '" + command + "'");
    return Usage(err, "unknown command '" + command + "'");
}

}  // namespace pv
