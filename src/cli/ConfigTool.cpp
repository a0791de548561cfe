#include "cli/ConfigTool.h"

#include <istream>
#include <ostream>

#include "actions/RegisterEditors.h"
#include "cli/CheckCommand.h"
#include "cli/ResaveCommand.h"
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
    "  resave [--stdout] [--master MASTER] [--type TYPE] FILE\n"
    "                             load FILE and write it back as its window's Save does, with the\n"
    "                             window's checks; with --stdout print the text it would write and write\n"
    "                             nothing. The root element tells the kind of file: a master file\n"
    "                             (ResponseHandler), a disposition configuration file (Dispositions,\n"
    "                             needs --master for its catalogues), a detailed disposition file\n"
    "                             (Disposition, needs --type, for example --type ForwardMessage; the types\n"
    "                             are listed below; WriteToFile, WriteToDB, RunSQL and HttpRequest also\n"
    "                             need --master for the message fields files), a monitor configuration\n"
    "                             file (Monitors), or the file of a Logger (LogConfig), EmailMonitor\n"
    "                             (EmailMonitor) or HistoricalCharts (HistoricalCharts) monitor\n"
    "  sql --master MASTER FILE   print the CREATE TABLE statement the Write To DB editor shows for FILE\n"
    "                             (lines ended by CR LF); warnings go to standard error\n"
    "  check MASTER               load the master file and run, changing nothing, the mailbox editor's\n"
    "                             checks on every mailbox, the save checks of its disposition file, and\n"
    "                             those of every detailed file it names whose type has an editor, naming\n"
    "                             the entries of those files a save would drop; then the load and save\n"
    "                             checks of the monitor configuration file and of the file of each of its\n"
    "                             monitors that has one (missing files included). Each failure is printed\n"
    "                             to standard output as\n"
    "                             MAILBOX: MESSAGE or MAILBOX: FILE: [CATEGORY: ]MESSAGE, and for the\n"
    "                             monitors MONITORFILE: [FILE: ]MESSAGE\n"
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

int RunCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
               const ToolEnvironment& environment) {
    if (args.empty()) return Usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage << "\nDetailed disposition files the tool reads and checks (resave --type TYPE):\n ";
        for (const std::string& type : TypesWithOwnEditor()) out << " " << type;
        out << "\n";
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
    if (command == "resave") {
        ResaveOptions resave;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (arg == "--stdout") {
                resave.toStdout = true;
            } else if ((arg == "--master" || arg == "--type") && i + 1 < args.size()) {
                (arg == "--master" ? resave.master : resave.type) = args[++i];
            } else if (arg.size() > 1 && arg[0] == '-') {
                return Usage(err, "unknown option '" + arg + "'");
            } else if (resave.file.empty()) {
                resave.file = arg;
            } else {
                return Usage(err, "resave takes exactly one file");
            }
        }
        if (resave.file.empty()) return Usage(err, "resave takes exactly one file");
        return RunResave(resave, out, err, environment);
    }
    if (command == "sql") {
        std::string master;
        std::vector<std::string> files;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--master" && i + 1 < args.size()) {
                master = args[++i];
            } else if (args[i].size() > 1 && args[i][0] == '-') {
                return Usage(err, "unknown option '" + args[i] + "'");
            } else {
                files.push_back(args[i]);
            }
        }
        if (master.empty()) return Usage(err, "sql needs --master MASTER");
        if (files.size() != 1) return Usage(err, "sql takes exactly one file");
        return RunSql(master, files[0], out, err, environment);
    }
    if (command == "check") {
        std::vector<std::string> files;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i].size() > 1 && args[i][0] == '-') return Usage(err, "unknown option '" + args[i] + "'");
            files.push_back(args[i]);
        }
        if (files.size() != 1) return Usage(err, "check takes exactly one file");
        return RunCheck(files[0], out, err, environment);
    }
    if (!command.empty() && command[0] == '-') return Usage(err, "unknown option '" + command + "'");
    return Usage(err, "unknown command '" + command + "'");
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ToolEnvironment& environment) {
    const int status = RunCommand(args, in, out, err, environment);
    // A report or a text that never reached its reader is no success: a script would take the silence for
    // "nothing to report" or an empty file.
    out.flush();
    if (out) return status;
    err << "postvane-config-tool: cannot write to standard output; what was to be printed is incomplete\n";
    return status == kExitUsage ? kExitUsage : kExitFailed;
}

}  // namespace pv
