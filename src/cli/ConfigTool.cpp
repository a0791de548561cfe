#include "cli/ConfigTool.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/CheckCommand.h"
#include "cli/ResaveCommand.h"
#include "cli/StreamPrompts.h"
#include "core/HeadlessServices.h"
#include "core/password.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editors/Editors.h"
#include "master/ReferenceGraph.h"

namespace pv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kProgram = "postvane-config-tool";

constexpr const char* kUsage =
    "Usage: postvane-config-tool [OPTIONS] COMMAND [COMMAND OPTIONS] [FILE]\n"
    "\n"
    "Loads, checks and rewrites Postvane configuration files exactly as the editor does.\n"
    "\n"
    "Commands:\n"
    "  resave FILE          load FILE and write it back as its window's Save does, with its checks\n"
    "  check MASTER         run the editor's checks on a master file and every file it names\n"
    "  graph MASTER         print which files name which, from the master down, as a Graphviz graph\n"
    "  sql --master=MASTER FILE\n"
    "                       print the CREATE TABLE statement of a Write To DB file\n"
    "  scramble             print the stored form of a password read from standard input\n"
    "  unscramble           print a stored password, read from standard input, in clear\n"
    "  help [COMMAND]       show this text, or the command's\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this text\n"
    "  -V, --version        show the version\n"
    "  -v, --verbose        also report what succeeded (\"Saved\")\n"
    "\n"
    "'postvane-config-tool COMMAND --help' describes a command and its options.\n"
    "Messages the editor would show in a message box go to standard error, each line after\n"
    "'postvane-config-tool: '.\n"
    "Exit status: 0 success; 1 a load, check, save or scramble failed, or a save would lose what the file\n"
    "held (see 'resave --help'); 2 usage error.\n";

// One command: its usage and the options it takes.
struct Command {
    const char* name;
    const char* help;
    const char* shortOptions;  // for getopt_long; ":" first, so that a missing argument is told apart
    std::vector<option> longOptions;
};

constexpr int kAllowLoss = 256;
constexpr int kBackupsKept = 257;
constexpr int kFormat = 258;
constexpr int kOrphans = 259;
constexpr int kCheck = 260;
// More threads than this would only wait for the disk, and a typing slip could start a million.
constexpr unsigned kMaxJobs = 1024;

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"resave",
         "Usage: postvane-config-tool resave [--stdout | --diff | --check] [--master=MASTER] [--type=TYPE]\n"
         "                                   [--allow-loss] [--backup[=CONTROL]] [--suffix=SUFFIX]\n"
         "                                   [--backups-kept=N] FILE\n"
         "\n"
         "Loads FILE as its window does and writes it back as the window's Save does, with the window's\n"
         "checks. A file that could not be read completely, or whose checks fail, is never written.\n"
         "The root element tells the kind of file: a master file (ResponseHandler), a disposition\n"
         "configuration file (Dispositions, needs --master for its catalogues), a detailed disposition\n"
         "file (Disposition, needs --type; the types that read message fields also need --master for the\n"
         "message fields files), a monitor configuration file (Monitors), or the file of a monitor (its\n"
         "root element is listed below).\n"
         "\n"
         "A save that would leave out an element or a value the file holds, or change a value the server\n"
         "reads, is refused: what it would lose is said on standard error, nothing is written and the exit\n"
         "status is 1. Layout, the stored form of a password and elements rewritten from their older forms\n"
         "are no loss. With --allow-loss the file is written anyway, and what was lost is said.\n"
         "\n"
         "No backup is kept unless asked for. With --backup the file's present content is kept beside it\n"
         "before it is replaced, with its owner, group, permissions and access lists; a backup that cannot\n"
         "be kept stops the save (exit status 1, nothing written). CONTROL (default: VERSION_CONTROL, else\n"
         "existing) is none or off; numbered or t (FILE.~N~); existing or nil (numbered when FILE has\n"
         "numbered backups, else simple); simple or never (FILE followed by the suffix). Of the numbered\n"
         "backups the newest N (default 10) are kept, the older removed. A save whose file holds what its\n"
         "newest backup holds keeps no second copy of it. A file another program changed between the\n"
         "resave's reading and its writing is not written (exit status 1): that change is kept.\n"
         "\n"
         "--diff and --check write nothing: --diff prints what the resave would change as a unified diff\n"
         "(nothing when it would change nothing), --check exits with 1 when it would change anything.\n"
         "Both fail as the resave would on a file it would not write.\n"
         "\n"
         "Options:\n"
         "  -s, --stdout         print the text the save would write, and write nothing\n"
         "  -d, --diff           print the unified diff of what the save would change, and write nothing\n"
         "      --check          exit with 1 when the save would change the file, and write nothing\n"
         "  -m, --master=MASTER  the master file whose catalogues the file needs\n"
         "  -t, --type=TYPE      the disposition type of a detailed disposition file\n"
         "      --allow-loss     write also a file whose save loses what it held, naming what is lost\n"
         "  -b, --backup[=CONTROL]\n"
         "                       keep a backup of the file's present content (see above)\n"
         "  -S, --suffix=SUFFIX  the simple backup's suffix (default: SIMPLE_BACKUP_SUFFIX, else \"~\");\n"
         "                       implies --backup\n"
         "      --backups-kept=N the numbered backups kept of the file (default 10)\n"
         "  -v, --verbose        say \"Saved\" when the file was written, \"Unchanged\" when it held\n"
         "                       the text already and was not\n"
         "  -h, --help           show this text\n",
         ":sdm:t:bS:vh",
         {{"stdout", no_argument, nullptr, 's'},
          {"diff", no_argument, nullptr, 'd'},
          {"check", no_argument, nullptr, kCheck},
          {"master", required_argument, nullptr, 'm'},
          {"type", required_argument, nullptr, 't'},
          {"allow-loss", no_argument, nullptr, kAllowLoss},
          {"backup", optional_argument, nullptr, 'b'},
          {"suffix", required_argument, nullptr, 'S'},
          {"backups-kept", required_argument, nullptr, kBackupsKept},
          {"verbose", no_argument, nullptr, 'v'},
          {"help", no_argument, nullptr, 'h'},
          {nullptr, 0, nullptr, 0}}},
        {"check",
         "Usage: postvane-config-tool check [--jobs=N] [--format=FORMAT] [--orphans] MASTER\n"
         "       postvane-config-tool check [--jobs=N] [--format=FORMAT] [--orphans] --master=MASTER\n"
         "\n"
         "Loads the master file and runs, changing nothing, the mailbox editor's checks on every mailbox,\n"
         "the save checks of its disposition file, and those of every detailed file it names whose type\n"
         "has an editor, naming the entries of those files a save would drop; then the load and save checks\n"
         "of the monitor configuration file and of the file of each of its monitors that has one (missing\n"
         "files included). Each finding is printed to standard output as\n"
         "  MAILBOX: MESSAGE  or  MAILBOX: FILE: [CATEGORY: ]MESSAGE\n"
         "for the monitors as MONITORFILE: [FILE: ]MESSAGE, and for the master itself (what its load\n"
         "says, what a save of it would lose) as MASTER: MESSAGE, MASTER being its full path. A file\n"
         "whose save would lose what it holds (what resave refuses) is a failure. An error's MESSAGE is\n"
         "the editor's; a warning's begins with \"warning: \" and a note's (with -v) with \"note: \".\n"
         "The exit status is 1 when an error was found; warnings alone leave it 0. The mailboxes are checked\n"
         "on several threads; the report is the same, in the same order, at any number of them.\n"
         "\n"
         "With --format=json the findings are one JSON object on standard output: \"master\", then\n"
         "\"findings\", each with \"file\" (its full path; for a missing file, the file naming it), \"named\"\n"
         "(the name that file holds), \"mailbox\", \"category\", \"line\" and \"column\" where known, \"kind\"\n"
         "(error, warning or note) and \"message\", and a \"summary\" counting them. With --format=sarif they\n"
         "are a SARIF 2.1.0 log whose files are named relative to the master's folder, for code-scanning\n"
         "services. Either way nothing goes to standard error.\n"
         "\n"
         "With --orphans, every configuration file under the master's folder (a file ending in .xml whose\n"
         "root element is that of a kind of configuration file) that nothing the master leads to names is a\n"
         "warning, by its kind; symbolic links to folders are not followed, and a file named through a link\n"
         "counts as named. A disposition or monitor configuration file that could not be read whole may\n"
         "name files: those of the kind it may name are then not listed, and a warning names it; a folder\n"
         "or file that could not be examined is named in a warning too. A master file that could not be\n"
         "read whole lists none, and a warning says so.\n"
         "\n"
         "Options:\n"
         "  -m, --master=MASTER  the master file (instead of the operand)\n"
         "  -j, --jobs=N         check on N threads (default: one per processor)\n"
         "      --format=FORMAT  text (the default), json or sarif\n"
         "      --orphans        also list the configuration files that nothing names\n"
         "  -v, --verbose        also report the notes the windows show (a value shown as another)\n"
         "  -h, --help           show this text\n",
         ":m:j:vh",
         {{"master", required_argument, nullptr, 'm'},
          {"jobs", required_argument, nullptr, 'j'},
          {"format", required_argument, nullptr, kFormat},
          {"orphans", no_argument, nullptr, kOrphans},
          {"verbose", no_argument, nullptr, 'v'},
          {"help", no_argument, nullptr, 'h'},
          {nullptr, 0, nullptr, 0}}},
        {"graph",
         "Usage: postvane-config-tool graph MASTER\n"
         "\n"
         "Prints, in Graphviz's DOT language, the files of the installation and how they name one another:\n"
         "the master file, its catalogues, categorization overrides and monitor configuration file, the file\n"
         "of each monitor, each mailbox with its categorization rules, sensitivity settings and disposition\n"
         "files, and each detailed disposition file. A file named several times is drawn once. Missing\n"
         "files are dashed and red, files that could not be read (a master also when read only in part)\n"
         "dotted and orange, and nothing below them is followed. Nothing is changed. The exit status is 1\n"
         "when the master itself could not be read completely.\n"
         "Draw it with, for example: postvane-config-tool graph master.xml | dot -Tsvg > installation.svg\n"
         "\n"
         "Options:\n"
         "  -h, --help           show this text\n",
         ":h",
         {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}}},
        {"sql",
         "Usage: postvane-config-tool sql --master=MASTER FILE\n"
         "\n"
         "Prints the CREATE TABLE statement the Write To DB editor shows for FILE (its table and checked\n"
         "fields, typed from the master's message fields files), lines ended by CR LF. Warnings go to\n"
         "standard error. A file that is not a Write To DB file is refused with exit status 1.\n"
         "\n"
         "Options:\n"
         "  -m, --master=MASTER  the master file that names the message fields files (required)\n"
         "  -v, --verbose        also report what succeeded\n"
         "  -h, --help           show this text\n",
         ":m:vh",
         {{"master", required_argument, nullptr, 'm'},
          {"verbose", no_argument, nullptr, 'v'},
          {"help", no_argument, nullptr, 'h'},
          {nullptr, 0, nullptr, 0}}},
        {"scramble",
         "Usage: postvane-config-tool scramble < PASSWORD\n"
         "\n"
         "Reads one line from standard input and prints the form in which the configuration files store\n"
         "it as a password: the Password element's value, which a file's text holds with its &, < and >\n"
         "written as &amp;, &lt; and &gt;, as any XML writer writes them. A password with a character that\n"
         "cannot be stored scrambled is refused with the editor's message and exit status 1, and nothing\n"
         "is printed; so is a standard input that cannot be read.\n"
         "\n"
         "Options:\n"
         "  -h, --help           show this text\n",
         ":h",
         {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}}},
        {"unscramble",
         "Usage: postvane-config-tool unscramble < STORED\n"
         "\n"
         "Reads one stored password line from standard input and prints it in clear. A line that is not\n"
         "scrambled is printed as it is. The line is the Password element's value, as an XML reader gives\n"
         "it; one that holds a reference such as &amp; or &lt; (the file's text copied as it stands) is\n"
         "said to on standard error, and unscrambled as it is.\n"
         "\n"
         "Options:\n"
         "  -h, --help           show this text\n",
         ":h",
         {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}}},
    };
    return commands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : Commands()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

constexpr const char* kHelpUsage =
    "Usage: postvane-config-tool help [COMMAND]\n"
    "\n"
    "Shows the tool's usage, or that of COMMAND (as 'postvane-config-tool COMMAND --help' does).\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this text\n";

// A usage error, through the printer of every message of the tool.
int Usage(std::ostream& err, const std::string& problem, const std::string& command = {}) {
    StreamPrompts printer(err);
    return UsageError(printer, problem, command);
}

std::string JoinedTypes() {
    std::string text;
    for (const std::string& type : BuiltInEditors().Types(EditorFamily::Disposition))
        text += (text.empty() ? "" : ", ") + type;
    return text;
}

// "Logger (LogConfig), ...": every registered monitor editor with a file, by its type and root element.
std::string JoinedMonitorFiles() {
    std::string text;
    for (const EditorRegistration* editor : BuiltInEditors().Of(EditorFamily::Monitor)) {
        if (!editor->make) continue;  // nothing to edit, so no file
        text += (text.empty() ? "" : ", ") + editor->setup.type + " (" + editor->setup.root + ")";
    }
    return text;
}

// `text` in lines of at most 100 columns, each indented by two blanks, broken after the commas.
std::string Wrapped(const std::string& text) {
    std::string lines;
    std::string line = " ";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(", ", start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string item = text.substr(start, end - start);
        if (line.size() + 1 + item.size() > 100) {
            lines += line + "\n";
            line = " ";
        }
        line += " " + item;
        start = end + (end < text.size() ? 1 : 0);
    }
    return lines + line;
}

// One line of `in`; nothing, and why in `failure`, when it could not be read. A read that fails is no empty
// line: a script would store what the tool makes of one. The stream's buffer throws with the system's error,
// which the stream keeps to itself unless asked to pass it on.
std::optional<std::string> ReadLine(std::istream& in, std::string& failure) {
    std::string line;
    const std::ios::iostate passedOn = in.exceptions();
    try {
        in.exceptions(std::ios::badbit);
        std::getline(in, line);
    } catch (const std::ios_base::failure& error) {
        failure =
            error.code().category() == std::iostream_category() ? "an input error" : error.code().message();
    }
    in.clear(in.rdstate() & ~std::ios::badbit);
    in.exceptions(passedOn);
    if (!failure.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The options and operands of one command line, as getopt_long reads them.
struct Parsed {
    std::map<int, std::string> values;  // by option: its argument ("" for a flag)
    std::vector<std::string> operands;
    bool has(int option) const { return values.count(option) != 0; }
};

// Reads `args` with getopt_long: "--master=FILE" and "--master FILE" alike, unambiguous abbreviations of long
// options, "--" ending the options. `command` names the command for messages (empty: the words before it).
// nullopt with `parsed` filled, or the exit status of a usage error already reported.
std::optional<int> ParseOptions(const std::string& command, const char* shortOptions,
                                const option* longOptions, const std::vector<std::string>& args,
                                Parsed& parsed, std::ostream& err) {
    std::vector<std::string> words = {command.empty() ? std::string(kProgram) : kProgram + (" " + command)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    // A fresh scan (GNU getopt starts over when optind is 0), and no messages of its own: ours name the
    // command and point to its help.
    optind = 0;
    opterr = 0;
    const auto longName = [](const std::string& name) { return "--" + name; };
    for (;;) {
        int longIndex = -1;
        const int option = getopt_long(argc, argv.data(), shortOptions, longOptions, &longIndex);
        if (option == -1) break;
        // The word that held the option, and the option as the messages name it: a long option by its full
        // name (also when it was abbreviated), a short one by its letter.
        const std::string word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
        if (option == ':' || option == '?') {
            const std::string typed = word.substr(0, word.find('='));
            // A letter no option has, in the middle of a word of letters ("-ab.xml"), leaves optind at that
            // word, so `word` is the one before it: the letter tells. A long option's errors give its own
            // letter, or none.
            const bool unknownLetter = option == '?' && optopt > 0 && optopt < 128 &&
                                       (optopt == ':' || !std::strchr(shortOptions, optopt));
            if (unknownLetter || !word.starts_with("--")) {
                const std::string letter = "-" + std::string(1, static_cast<char>(optopt));
                return Usage(err,
                             option == ':' ? "option '" + letter + "' requires an argument"
                                           : "unknown option '" + letter + "'",
                             command);
            }
            std::vector<std::string> matches;
            for (const struct option* known = longOptions; typed.size() > 2 && known->name; ++known) {
                const std::string name = longName(known->name);
                if (name == typed) {
                    matches = {name};
                    break;
                }
                if (name.starts_with(typed)) matches.push_back(name);
            }
            if (matches.size() > 1) {
                std::string candidates;
                for (const std::string& match : matches)
                    candidates += (candidates.empty() ? "" : ", ") + match;
                return Usage(err, "option '" + typed + "' is ambiguous (" + candidates + ")", command);
            }
            if (matches.empty()) return Usage(err, "unknown option '" + typed + "'", command);
            const std::string problem = option == ':' ? "' requires an argument" : "' takes no argument";
            return Usage(err, "option '" + matches.front() + problem, command);
        }
        // "--master=" names no file: the same mistake as a missing argument. An empty suffix is refused
        // with its own reason, where the other refused suffixes are.
        if (optarg && *optarg == '\0' && option != 'S') {
            const std::string name = longIndex >= 0 ? longName(longOptions[longIndex].name)
                                                    : "-" + std::string(1, static_cast<char>(option));
            return Usage(err, "option '" + name + "' requires an argument", command);
        }
        parsed.values[option] = optarg ? optarg : "";
    }
    for (int i = optind; i < argc; ++i) parsed.operands.push_back(argv[i]);
    return std::nullopt;
}

// The backup a resave keeps, as GNU's tools take --backup, --suffix, VERSION_CONTROL and
// SIMPLE_BACKUP_SUFFIX: none unless --backup or --suffix asks for one; nullopt, or the usage error.
std::optional<int> BackupOptions(const Parsed& parsed, const ToolEnvironment& environment,
                                 BackupPolicy& policy, std::ostream& err) {
    policy = BackupPolicy();
    if (parsed.has(kBackupsKept)) {
        const std::string& kept = parsed.values.at(kBackupsKept);
        if (kept.size() > 6 ||
            !std::all_of(kept.begin(), kept.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoul(kept) == 0) {
            return Usage(err, "--backups-kept takes a number of backups from 1, not '" + kept + "'",
                         "resave");
        }
        policy.kept = std::stoul(kept);
    }
    policy.suffix = parsed.has('S')                           ? parsed.values.at('S')
                    : !environment.simpleBackupSuffix.empty() ? environment.simpleBackupSuffix
                                                              : kDefaultBackupSuffix;
    if (!parsed.has('b') && !parsed.has('S')) return std::nullopt;
    if (const std::string refusal = SuffixRefusal(policy.suffix); !refusal.empty()) {
        return Usage(err, refusal + " ('" + policy.suffix + "')", "resave");
    }
    const bool named = parsed.has('b') && !parsed.values.at('b').empty();
    const std::string word = named ? parsed.values.at('b') : environment.versionControl;
    if (word.empty()) {
        policy.control = BackupControl::Existing;
        return std::nullopt;
    }
    const std::optional<BackupControl> control = ParseBackupControl(word);
    if (!control) {
        return Usage(err,
                     std::string(named ? "--backup" : "VERSION_CONTROL") + " '" + word +
                         "' is none of none, off, numbered, t, existing, nil, simple, never",
                     "resave");
    }
    policy.control = *control;
    return std::nullopt;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, std::istream& in,
               std::ostream& out, std::ostream& err, ToolEnvironment environment) {
    const std::string name = command.name;
    Parsed parsed;
    if (const auto status =
            ParseOptions(name, command.shortOptions, command.longOptions.data(), args, parsed, err)) {
        return *status;
    }
    if (parsed.has('h')) {
        out << command.help;
        if (name == "resave") {
            out << "\nThe types of detailed disposition files (--type):\n" << Wrapped(JoinedTypes()) << "\n";
            out << "\nThe monitors whose files it writes (the type, and the root element):\n"
                << Wrapped(JoinedMonitorFiles()) << "\n";
        }
        return kExitOk;
    }
    if (parsed.has('v')) environment.verbose = true;
    const std::vector<std::string>& operands = parsed.operands;

    if (name == "scramble" || name == "unscramble") {
        if (!operands.empty()) return Usage(err, name + " takes no arguments; it reads standard input", name);
        std::optional<std::string> read;
        std::string failure;
        if (environment.terminal >= 0 && name == "scramble") {
            // A password typed for the stored form is not shown, and the prompt keeps standard output for
            // the result.
            const platform::HiddenTyping hidden(environment.terminal);
            err << "Password: " << std::flush;
            read = ReadLine(in, failure);
        } else {
            read = ReadLine(in, failure);
        }
        if (!read) {
            StreamPrompts(err).Say("cannot read standard input: " + failure);
            return kExitFailed;
        }
        const std::string& line = *read;
        if (name == "unscramble") {
            // Scrambling writes &, < and >, which a file's text holds as references: a line copied from the
            // file would give another password. Said, not decoded: the value may hold such letters itself.
            for (const char* reference : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#"}) {
                if (line.find(reference) == std::string::npos) continue;
                StreamPrompts(err).Say(
                    std::string("the line holds \"") + reference +
                    "\", a reference a file's text holds for a character: unscramble takes "
                    "the Password element's value, as an XML reader gives it, so a line "
                    "copied from the file's text gives another password");
                break;
            }
            out << UnscramblePassword(line) << "\n";
            return kExitOk;
        }
        StreamPrompts prompts(err, environment.verbose);
        std::string stored;
        try {
            stored = ScramblePassword(line, prompts);
        } catch (const AppError& refused) {
            // A password that would be read back as another one.
            prompts.Say(refused.description());
            return kExitFailed;
        }
        // A window stores such a password in clear after its message; a script asked for the stored form
        // and would put the clear text into a file as if it were scrambled. The message says why, and
        // nothing is printed.
        if (prompts.messagesShown > 0) return kExitFailed;
        out << stored << "\n";
        return kExitOk;
    }
    // An empty name names no file: said here, rather than "doesn't exist: " with nothing after it.
    const bool emptyName =
        std::any_of(operands.begin(), operands.end(), [](const auto& o) { return o.empty(); });
    if (emptyName || (parsed.has('m') && parsed.values.at('m').empty()))
        return Usage(err, "a file name is empty", name);
    // A relative name, with the current folder gone, would be resolved against the program's folder and
    // check or rewrite another file than the one meant.
    std::vector<std::string> named = operands;
    if (parsed.has('m')) named.push_back(parsed.values.at('m'));
    for (const std::string& file : named) {
        if (RelativeToUnknownFolder(file, environment.currentDirectory)) {
            StreamPrompts(err).Say(UnknownFolderMessage(file) + "; give its full path");
            return kExitFailed;
        }
    }
    if (name == "resave") {
        if (operands.size() != 1) return Usage(err, "resave takes exactly one file", name);
        ResaveOptions resave;
        resave.toStdout = parsed.has('s');
        resave.diff = parsed.has('d');
        resave.check = parsed.has(kCheck);
        if (resave.toStdout && (resave.diff || resave.check)) {
            return Usage(err, "--stdout prints the text, --diff and --check compare it: choose one", name);
        }
        resave.master = parsed.has('m') ? parsed.values.at('m') : "";
        resave.type = parsed.has('t') ? parsed.values.at('t') : "";
        resave.allowLoss = parsed.has(kAllowLoss);
        resave.file = operands.front();
        if (const auto status = BackupOptions(parsed, environment, resave.backup, err)) return *status;
        const std::vector<std::string> types = BuiltInEditors().Types(EditorFamily::Disposition);
        if (parsed.has('t') && std::find(types.begin(), types.end(), resave.type) == types.end()) {
            return Usage(err, "unknown type '" + resave.type + "'; the types are " + JoinedTypes(), name);
        }
        return RunResave(resave, out, err, environment);
    }
    if (name == "graph") {
        if (operands.size() != 1) return Usage(err, "graph takes exactly one master file", name);
        const PathContext paths(environment.programDirectory);
        // What the master's load says is told only when the master is not drawn as read: a graph of a
        // master read whole stays silent, as it always was.
        CollectingPrompts loading;
        const ReferenceGraph graph = BuildReferenceGraph(
            paths.MakeMasterPath(CommandLineMasterPath(operands.front(), environment.currentDirectory)),
            paths, BuiltInEditors(), loading);
        out << GraphDot(graph);
        const GraphNode& master = graph.nodes.front();
        if (master.state == GraphFileState::Present) return kExitOk;
        StreamPrompts printer(err, environment.verbose);
        if (master.state == GraphFileState::Missing) {
            printer.Say("The master file " + master.path + " does not exist");
            return kExitFailed;
        }
        // Why it was not read, as check says it: the line below alone would leave the user guessing.
        for (const Message& message : loading.messages) printer.Show(message);
        printer.Say("The master file " + master.path +
                    (graph.masterProblem == FileProblem::Stopped
                         ? " could not be read completely, so nothing it names is drawn"
                         : " could not be read as a master file"));
        return kExitFailed;
    }
    if (name == "sql") {
        if (!parsed.has('m')) return Usage(err, "sql needs --master=MASTER", name);
        if (operands.size() != 1) return Usage(err, "sql takes exactly one file", name);
        return RunSql(parsed.values.at('m'), operands.front(), out, err, environment);
    }
    // check: the master as the operand or as --master, as the other commands take it.
    std::vector<std::string> masters = operands;
    if (parsed.has('m')) masters.insert(masters.begin(), parsed.values.at('m'));
    if (masters.size() != 1) return Usage(err, "check takes exactly one master file", name);
    CheckOptions check;
    check.master = masters.front();
    check.orphans = parsed.has(kOrphans);
    if (parsed.has(kFormat)) {
        static const std::map<std::string, CheckFormat> kFormats = {
            {"text", CheckFormat::Text}, {"json", CheckFormat::Json}, {"sarif", CheckFormat::Sarif}};
        const auto format = kFormats.find(parsed.values.at(kFormat));
        if (format == kFormats.end()) {
            return Usage(
                err, "unknown format '" + parsed.values.at(kFormat) + "'; the formats are text, json, sarif",
                name);
        }
        check.format = format->second;
    }
    if (parsed.has('j')) {
        const std::string& number = parsed.values.at('j');
        const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), check.jobs);
        if (problem != std::errc() || end != number.data() + number.size() || check.jobs < 1 ||
            check.jobs > kMaxJobs)
            return Usage(err, "--jobs takes a number of threads from 1 to " + std::to_string(kMaxJobs), name);
    }
    return RunCheck(check, out, environment);
}

// The options before the command (--help, --version, --verbose), then the command and its own.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        ToolEnvironment environment) {
    // "+": the first operand is the command, and what follows it is the command's to read.
    static const option kGlobalOptions[] = {{"help", no_argument, nullptr, 'h'},
                                            {"version", no_argument, nullptr, 'V'},
                                            {"verbose", no_argument, nullptr, 'v'},
                                            {nullptr, 0, nullptr, 0}};
    Parsed parsed;
    if (const auto status = ParseOptions({}, "+:hVv", kGlobalOptions, args, parsed, err)) return *status;
    if (parsed.has('h')) {
        out << kUsage;
        return kExitOk;
    }
    if (parsed.has('V')) {
        out << kProgram << " " << POSTVANE_VERSION << "\n";
        return kExitOk;
    }
    if (parsed.has('v')) environment.verbose = true;
    if (parsed.operands.empty()) return Usage(err, "no command given");
    std::string name = parsed.operands.front();
    std::vector<std::string> rest(parsed.operands.begin() + 1, parsed.operands.end());
    if (name == "help") {
        static const option kHelpOptions[] = {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
        Parsed help;
        if (const auto status = ParseOptions("help", ":h", kHelpOptions, rest, help, err)) return *status;
        if (help.has('h')) {
            out << kHelpUsage;
            return kExitOk;
        }
        rest = help.operands;
        if (rest.empty()) {
            out << kUsage;
            return kExitOk;
        }
        if (rest.size() > 1) return Usage(err, "help takes one command", "help");
        // "help resave" is "resave --help", and "help help" is "help --help".
        name = rest.front();
        rest = {"--help"};
        if (name == "help") {
            out << kHelpUsage;
            return kExitOk;
        }
    }
    const Command* command = FindCommand(name);
    if (!command) return Usage(err, "unknown command '" + name + "'");
    return RunCommand(*command, rest, in, out, err, environment);
}

}  // namespace

int UsageError(StreamPrompts& printer, const std::string& problem, const std::string& command) {
    printer.Say((command.empty() ? "" : command + ": ") + problem);
    printer.Say("Try '" + std::string(kProgram) + (command.empty() ? "" : " " + command) + " --help'.");
    return kExitUsage;
}

int RunTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ToolEnvironment& environment) {
    const int status = Run(args, in, out, err, environment);
    // A report or a text that never reached its reader is no success: a script would take the silence for
    // "nothing to report" or an empty file.
    out.flush();
    if (out) return status;
    StreamPrompts(err).Say("cannot write to standard output; what was to be printed is incomplete");
    return status == kExitUsage ? kExitUsage : kExitFailed;
}

}  // namespace pv
