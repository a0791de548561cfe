// Benchmark runner: each named case measures one piece of the program against a yardstick and checks two
// goals, the ratio of the best wall times and the ratio of the peak resident memories. Every measured run is
// a child process (fork, then exec or a function), timed with a monotonic clock and measured with wait4, so
// both sides pay for start-up alike. Exit status: 0 every goal met, 1 a goal missed or a run failed, 2 usage.
//
// A new case is a function that prepares its input in the case's folder and returns its comparisons, added
// to Cases() below with its name.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "actions/MessageFieldsSample.h"
#include "cli/InstallationSample.h"
#include "core/password.h"
#include "core/prompts.h"
#include "core/xml.h"
#include "dispositions/DispositionSamples.h"
#include "window_timing.h"

namespace fs = std::filesystem;

namespace {

struct Measurement {
    double seconds = 0;  // best wall time over the runs
    long peakKiB = 0;    // lowest peak resident set over the runs
    bool ok = true;
    std::string failure;
    double cpuSeconds = 0;  // least processor time (user and system) over the runs
};

struct Comparison {
    std::string subject;    // what is measured
    std::string yardstick;  // what it is measured against
    Measurement measured;
    Measurement reference;
    double maxTimeRatio = 1.0;    // the bar: a ratio above it fails the case (0: told, not judged)
    double goalTimeRatio = 0;     // when set, the ratio aimed at, told beside the bar
    double maxMemoryRatio = 1.5;  // 0: memory is reported, not judged
    double maxSeconds = 0;        // when set, the subject's best time must also stay below it
};

struct Context {
    std::string tool;       // postvane-config-tool
    std::string editor;     // postvane-config
    std::string minimalQt;  // the start-up yardstick
    std::string examples;   // the sample configuration
    std::string folder;     // a fresh folder for the case's files
    int runs = 5;
    int mailboxes = 10000;
    int checkMailboxes = 1000;
};

struct Case {
    std::string name;
    std::string description;
    std::function<std::vector<Comparison>(const Context&)> run;
    // Runs of each program, as a multiple of --runs: a start-up lasts 50 ms, and a machine's noise is a
    // larger share of it than of a case that lasts seconds.
    int runsScale = 1;
};

// --- measuring -----------------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

// One program measured: a function run in a forked child (usually an exec), its standard output sent to
// `stdoutPath` (or /dev/null) and its standard error to /dev/null.
struct Measured {
    std::function<void()> child;
    std::string stdoutPath;
};

Measured Command(const std::vector<std::string>& argv, const std::string& stdoutPath = "") {
    return {[argv] {
                std::vector<char*> args;
                for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
                args.push_back(nullptr);
                ::execvp(args[0], args.data());
                ::_exit(127);
            },
            stdoutPath};
}

// One run of the program; a run that does not exit with 0 fails.
Measurement RunOnce(const Measured& program) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) return {0, 0, false, std::string("fork: ") + std::strerror(errno)};
    if (pid == 0) {
        const int out = ::open(program.stdoutPath.empty() ? "/dev/null" : program.stdoutPath.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("/dev/null", O_WRONLY);
        if (out < 0 || err < 0) ::_exit(126);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        program.child();
        ::_exit(0);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid) return {0, 0, false, "wait4 failed"};
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status)) return {0, 0, false, "killed by a signal"};
    if (WEXITSTATUS(status) == 127) return {0, 0, false, "could not be started (is it installed?)"};
    if (WEXITSTATUS(status) != 0) return {0, 0, false, "exit status " + std::to_string(WEXITSTATUS(status))};
    const auto secondsOf = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds, usage.ru_maxrss, true, "", secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime)};
}

// Runs every program `runs` times, in turns (one run of each, then the next round), and keeps the best
// figures of each. In turns, a machine that grows slower or faster during a case weighs on every side alike;
// measured one program after the other, it weighed on one side only, and a start-up's ratio moved by a
// tenth from one run of the benchmark to the next.
std::vector<Measurement> MeasureInTurns(const std::vector<Measured>& programs, int runs) {
    std::vector<Measurement> best(programs.size(), Measurement{1e300, -1, true, "", 1e300});
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < programs.size(); ++i) {
            if (!best[i].ok) continue;
            const Measurement one = RunOnce(programs[i]);
            if (!one.ok) {
                best[i] = one;
                continue;
            }
            best[i].seconds = std::min(best[i].seconds, one.seconds);
            best[i].cpuSeconds = std::min(best[i].cpuSeconds, one.cpuSeconds);
            best[i].peakKiB = best[i].peakKiB < 0 ? one.peakKiB : std::min(best[i].peakKiB, one.peakKiB);
        }
    }
    return best;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// --- case: resave of a large master file --------------------------------------------------------------

class SilentPrompts : public pv::IPrompts {
  public:
    void Show(const pv::Message&) override {}
    pv::Answer AskYesNo(const std::string&, const std::string&) override { return pv::Answer::No; }
    pv::Answer AskYesNoCancel(const std::string&) override { return pv::Answer::Cancel; }
};

// A master file in exactly the shape the editor writes, so that resave must give it back unchanged.
std::string GenerateMaster(int count, const std::string& folder) {
    static const char* kProtocols[] = {"imap", "imaps", "pop3", "pop3s", "maildir", "highperformancemaildir"};
    SilentPrompts prompts;
    std::string text;
    text.reserve(static_cast<size_t>(count) * 1300 + 1000);
    pv::WriteOpenTag(text, "ResponseHandler", 0);
    pv::WriteElement(text, "MonitorConfigFile", "+/monitor.xml", 1);
    pv::WriteElement(text, "DispositionTypesFile", "+/customDispositionTypes.xml", 1);
    pv::WriteElement(text, "DispositionTypesFile", "+/systemDispositionTypes.xml", 1);
    pv::WriteElement(text, "CategoryDefinitionsFile", "+/customCategoryDefinitions.xml", 1);
    pv::WriteElement(text, "CategoryDefinitionsFile", "+/systemCategoryDefinitions.xml", 1);
    pv::WriteElement(text, "MessageFieldsFile", "+/customMessageFields.xml", 1);
    pv::WriteElement(text, "MessageFieldsFile", "+/systemMessageFields.xml", 1);
    pv::WriteElement(text, "OnePass", "0", 1);
    pv::WriteOpenTag(text, "Mailboxes", 1);
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::string protocol = kProtocols[i % 6];
        const bool server = i % 6 < 4;
        std::string account;
        switch (i % 4) {
            case 0:
                account = "user" + n;
                break;
            case 1:
                account = "CORP\\user" + n + "\\user" + n;
                break;
            case 2:
                account = "user" + n + "\\alias" + n;
                break;
            default:
                account = "CORP\\user" + n + "\\shared" + n;
                break;
        }
        pv::WriteOpenTag(text, "Mailbox", 2);
        pv::WriteElement(text, "Name", i % 7 == 0 ? "R&D <team> " + n : "Mailbox " + n, 3);
        pv::WriteElement(text, "Host", server ? "mail" + std::to_string(i % 50) + ".example.com" : "", 3);
        pv::WriteElement(text, "Port", i % 3 == 0 ? "-1" : std::to_string(100 + i % 900), 3);
        pv::WriteElement(text, "Protocol", protocol, 3);
        pv::WriteElement(text, "User", account, 3);
        pv::WriteElement(text, "Password", pv::ScramblePassword("Pw<" + n + ">&x", prompts), 3);
        pv::WriteElement(text, "Subfolder", i % 5 == 0 ? "Inbox/" + n : "", 3);
        if (i % 11 == 0) pv::WriteElement(text, "SensitivitySettingsFile", "+/sensitivity.xml", 3);
        for (int c = 0; c <= i % 3; ++c) {
            const std::string rules = c == 2
                                          ? "./config/shared" + std::to_string(c) + ".categorization.xml"
                                          : "+/rules" + std::to_string((i + c) % 40) + ".categorization.xml";
            pv::WriteElement(text, "CategorizationRulesFileName", rules, 3);
        }
        pv::WriteElement(
            text, "DispositionFileName",
            i % 9 == 0 ? folder + "-elsewhere/d" + n + ".disposition.xml" : "+/d" + n + ".disposition.xml",
            3);
        pv::WriteElement(text, "MsgsPerThreadBeforeRefresh", std::to_string(50 + i % 10), 3);
        pv::WriteElement(text, "WaitTime", std::to_string(100 * (i % 4)), 3);
        pv::WriteElement(text, "ErrorWaitTime", "30", 3);
        pv::WriteElement(text, "NoMessagesWaitTime", std::to_string(60 + i % 120), 3);
        pv::WriteElement(text, "Threads", std::to_string(1 + i % 4), 3);
        pv::WriteElement(text, "MailHomeFolder", server ? "" : "../maildir/box" + n, 3);
        pv::WriteElement(text, "LimitOnCurSize", server ? "-1" : std::to_string(1000 + i), 3);
        pv::WriteElement(text, "MessageSizeLimit", "5000000", 3);
        pv::WriteElement(text, "MessageTruncateToSize", "100000", 3);
        pv::WriteElement(text, "ExpungeWorkaround", i % 13 == 0 ? "1" : "0", 3);
        pv::WriteElement(text, "CloseImmediatelyIfEmpty", i % 17 == 0 ? "1" : "0", 3);
        pv::WriteCloseTag(text, "Mailbox", 2);
    }
    pv::WriteCloseTag(text, "Mailboxes", 1);
    pv::WriteCloseTag(text, "ResponseHandler", 0);
    return text + "\r\n";
}

std::vector<Comparison> ResaveCase(const Context& context) {
    const std::string master = context.folder + "/master.xml";
    {
        std::ofstream out(master, std::ios::binary);
        out << GenerateMaster(context.mailboxes, context.folder);
    }
    std::cout << "  master file: " << context.mailboxes << " mailboxes, " << fs::file_size(master) / 1024
              << " KiB\n";

    // Once for correctness: the file is in the editor's shape, so resave must print it back unchanged.
    const std::string printed = context.folder + "/printed.xml";
    Comparison comparison;
    comparison.subject = "postvane-config-tool resave --stdout";
    comparison.yardstick = "xmllint --format";
    const Measured resave = Command({context.tool, "resave", "--stdout", master});
    const Measurement check = RunOnce({resave.child, printed});
    if (!check.ok) {
        comparison.measured = check;
    } else if (ReadAll(printed) != ReadAll(master)) {
        comparison.measured = {0, 0, false, "resave --stdout did not reproduce the file"};
    }
    if (comparison.measured.ok) {
        const auto best = MeasureInTurns({resave, Command({"xmllint", "--format", master})}, context.runs);
        comparison.measured = best[0];
        comparison.reference = best[1];
    }
    return {comparison};
}

// The editor shown offscreen, quitting as soon as its main window is on screen.
std::vector<std::string> EditorShowing(const Context& context, const std::string& master) {
    return {context.editor, "-platform", "offscreen", "--quit-when-shown", master};
}

std::vector<Comparison> StartupCase(const Context& context) {
    Comparison startup;
    startup.subject = "postvane-config on the sample, to the main window";
    startup.yardstick = "a minimal Qt Widgets window with a label and a text box";
    startup.goalTimeRatio = 1.0;
    startup.maxTimeRatio = 1.1;
    startup.maxMemoryRatio = 0;

    // The main window on a master with many mailboxes: the file is read while Qt starts.
    const std::string master = context.folder + "/master.xml";
    {
        std::ofstream out(master, std::ios::binary);
        out << GenerateMaster(context.mailboxes, context.folder);
    }
    Comparison large;
    large.subject = "postvane-config on " + std::to_string(context.mailboxes) + " mailboxes";
    large.yardstick = "the same on the sample";
    large.goalTimeRatio = 2.0;
    large.maxTimeRatio = 3.0;
    large.maxMemoryRatio = 0;
    const Measured onSample = Command(EditorShowing(context, context.examples + "/config/master.xml"));
    const auto first =
        MeasureInTurns({onSample, Command({context.minimalQt, "-platform", "offscreen"})}, context.runs);
    startup.measured = first[0];
    startup.reference = first[1];
    // In turns of their own: a run after the large one would start on a machine that has just given back its
    // memory.
    const auto second = MeasureInTurns({Command(EditorShowing(context, master)), onSample}, context.runs);
    large.measured = second[0];
    large.reference = second[1];
    return {startup, large};
}

// Ends a measured child as soon as its window is filled and shown, telling whether it shows what it should:
// closing the window is not part of opening it.
std::function<void(size_t)> ExitWith(size_t expected) {
    return [expected](size_t shown) { ::_exit(shown == expected ? 0 : 1); };
}

std::vector<Comparison> DispositionsCase(const Context& context) {
    // Generated once; each measured run opens it in a fresh process.
    const pv::DispositionSample sample = pv::WriteDispositionSample(context.folder, 5000, 2000, 8);
    Comparison open;
    open.subject = "dispositions editor, 5,000 categories, 2,000 dispositions";
    open.yardstick = "the same with 50 categories, 20 dispositions";
    open.goalTimeRatio = 1.2;
    open.maxTimeRatio = 1.35;
    open.maxMemoryRatio = 0;
    const std::string small = context.folder + "/small";
    fs::create_directories(small);
    const pv::DispositionSample smallSample = pv::WriteDispositionSample(small, 50, 20, 8);
    const auto best =
        MeasureInTurns({{[&] { OpenDispositionWindow(sample, context.folder, ExitWith(5001)); }, ""},
                        {[&] { OpenDispositionWindow(smallSample, small, ExitWith(51)); }, ""}},
                       context.runs);
    open.measured = best[0];
    open.reference = best[1];
    return {open};
}

// The Run SQL editor's lists: 40,000 parameters against 10,000, in the logic alone (a window's start-up
// would hide the load). Linear is four times as long; a copy or a search for every parameter, sixteen.
std::vector<Comparison> ParametersCase(const Context& context) {
    const auto sample = [](const std::string& folder, size_t parameters) {
        fs::create_directories(folder);
        return pv::WriteParameterSample(folder, 1000, parameters);
    };
    pv::MessageFieldsSample large = sample(context.folder + "/large", 40000);
    pv::MessageFieldsSample small = sample(context.folder + "/small", 10000);
    Comparison open;
    open.subject = "Run SQL editor, 40,000 parameters";
    open.yardstick = "the same with 10,000 parameters";
    open.goalTimeRatio = 4.0;
    open.maxTimeRatio = 5.0;
    open.maxMemoryRatio = 0;
    open.maxSeconds = 0.2;
    const auto best =
        MeasureInTurns({{[&] { ::_exit(pv::OpenRunSQLSample(large, context.folder) == 40000 ? 0 : 1); }, ""},
                        {[&] { ::_exit(pv::OpenRunSQLSample(small, context.folder) == 10000 ? 0 : 1); }, ""}},
                       context.runs);
    open.measured = best[0];
    open.reference = best[1];
    return {open};
}

std::vector<Comparison> FieldRowsCase(const Context& context) {
    const auto sample = [](const std::string& folder, size_t fields) {
        fs::create_directories(folder);
        return pv::WriteMessageFieldsSample(folder, fields);
    };
    pv::MessageFieldsSample large = sample(context.folder + "/large", 2000);
    pv::MessageFieldsSample small = sample(context.folder + "/small", 20);
    Comparison open;
    open.subject = "Write To DB editor, 2,000 message fields";
    open.yardstick = "the same with 20 message fields";
    open.maxTimeRatio = 0;
    open.maxMemoryRatio = 0;
    open.maxSeconds = 0.3;
    const auto best =
        MeasureInTurns({{[&] { OpenWriteToDBWindow(large, context.folder, ExitWith(2000)); }, ""},
                        {[&] { OpenWriteToDBWindow(small, context.folder, ExitWith(20)); }, ""}},
                       context.runs);
    open.measured = best[0];
    open.reference = best[1];
    return {open};
}

// `check` of a large installation against xmllint reading the same files in one process, in name order as
// a shell's *.xml gives them. In the folder's order, which mixes large and small files as check reads them,
// glibc gives its heap back and takes it again at every switch and xmllint takes about three times as long:
// that figure is told beside the judged one, not judged. Then how check scales from one thread to two.
std::vector<Comparison> CheckCase(const Context& context) {
    const pv::InstallationSample sample = pv::WriteInstallationSample(context.folder, context.checkMailboxes);
    std::vector<std::string> xmllint = {"xmllint", "--noout"};
    uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(context.folder)) {
        if (entry.path().extension() != ".xml") continue;
        xmllint.push_back(entry.path().string());
        bytes += entry.file_size();
    }
    std::cout << "  installation: " << context.checkMailboxes << " mailboxes, " << xmllint.size() - 2
              << " files, " << bytes / (1024 * 1024) << " MiB\n";
    std::vector<std::string> sorted = xmllint;
    std::sort(sorted.begin() + 2, sorted.end());
    const auto check = [&](const std::string& jobs) {
        std::vector<std::string> command = {context.tool, "check", sample.master};
        if (!jobs.empty()) command.push_back("--jobs=" + jobs);
        return Command(command);
    };
    const auto best =
        MeasureInTurns({check(""), Command(sorted), Command(xmllint), check("2"), check("1")}, context.runs);
    Comparison comparison;
    comparison.subject = "postvane-config-tool check";
    comparison.yardstick = "xmllint --noout, the same files in name order";
    comparison.maxTimeRatio = 0.7;
    comparison.goalTimeRatio = 0.5;
    comparison.maxMemoryRatio = 0;
    comparison.measured = best[0];
    comparison.reference = best[1];
    Comparison folderOrder = comparison;
    folderOrder.yardstick = "the same xmllint in the folder's order";
    folderOrder.maxTimeRatio = 0;
    folderOrder.goalTimeRatio = 0;
    folderOrder.reference = best[2];
    Comparison scaling;
    scaling.subject = "postvane-config-tool check --jobs=2";
    scaling.yardstick = "postvane-config-tool check --jobs=1";
    scaling.maxTimeRatio = 0;
    scaling.maxMemoryRatio = 0;
    scaling.measured = best[3];
    scaling.reference = best[4];
    if (scaling.measured.ok && scaling.reference.ok) {
        std::printf(
            "    check scales from 1 to 2 threads: %.2f times as fast (wall %.1f -> %.1f ms, cpu %.1f -> "
            "%.1f ms)\n",
            scaling.reference.seconds / scaling.measured.seconds, scaling.reference.seconds * 1000,
            scaling.measured.seconds * 1000, scaling.reference.cpuSeconds * 1000,
            scaling.measured.cpuSeconds * 1000);
    }
    return {comparison, folderOrder, scaling};
}

std::vector<Case> Cases() {
    return {
        {"resave", "load and rewrite a master file with many mailboxes", ResaveCase},
        {"startup", "start the editor to its main window", StartupCase, 4},
        {"dispositions", "open the dispositions editor on large catalogues, to the window filled",
         DispositionsCase},
        {"parameters", "open the Run SQL editor on a long parameter list, to its lists filled",
         ParametersCase},
        {"fieldrows", "open the Write To DB editor on a large message fields catalogue, to the window shown",
         FieldRowsCase},
        {"check", "check an installation of many mailboxes, each with its disposition and detailed files",
         CheckCase},
    };
}

// --- report -------------------------------------------------------------------------------------------

bool Report(const Comparison& c) {
    const auto line = [](const std::string& what, const Measurement& m) {
        std::printf("    %-60s %9.1f ms %9.1f ms cpu %9.1f MiB\n", what.c_str(), m.seconds * 1000,
                    m.cpuSeconds * 1000, m.peakKiB / 1024.0);
    };
    if (!c.measured.ok || !c.reference.ok) {
        if (!c.measured.ok) std::printf("    %s FAILED: %s\n", c.subject.c_str(), c.measured.failure.c_str());
        if (!c.reference.ok)
            std::printf("    %s FAILED: %s\n", c.yardstick.c_str(), c.reference.failure.c_str());
        return false;
    }
    line(c.subject, c.measured);
    line(c.yardstick, c.reference);
    const double timeRatio = c.measured.seconds / c.reference.seconds;
    const double memoryRatio =
        static_cast<double>(c.measured.peakKiB) / static_cast<double>(c.reference.peakKiB);
    const bool timeOk = c.maxTimeRatio <= 0 || timeRatio <= c.maxTimeRatio;
    const bool memoryOk = c.maxMemoryRatio <= 0 || memoryRatio <= c.maxMemoryRatio;
    const bool limitOk = c.maxSeconds <= 0 || c.measured.seconds <= c.maxSeconds;
    if (c.maxTimeRatio > 0 && c.goalTimeRatio > 0) {
        std::printf("    time ratio   %5.2f (goal <= %.2f %s, must <= %.2f) %s\n", timeRatio, c.goalTimeRatio,
                    timeRatio <= c.goalTimeRatio ? "reached" : "not reached", c.maxTimeRatio,
                    timeOk ? "met" : "MISSED");
    } else if (c.maxTimeRatio > 0) {
        std::printf("    time ratio   %5.2f (goal <= %.2f) %s\n", timeRatio, c.maxTimeRatio,
                    timeOk ? "met" : "MISSED");
    } else {
        std::printf("    time ratio   %5.2f (no goal)\n", timeRatio);
    }
    // Processor time is told, not judged: on a machine busy with other work it is the steadier figure.
    if (c.reference.cpuSeconds > 0) {
        std::printf("    cpu ratio    %5.2f (told, not judged)\n",
                    c.measured.cpuSeconds / c.reference.cpuSeconds);
    }
    if (c.maxMemoryRatio > 0) {
        std::printf("    memory ratio %5.2f (goal <= %.2f) %s\n", memoryRatio, c.maxMemoryRatio,
                    memoryOk ? "met" : "MISSED");
    } else {
        std::printf("    memory ratio %5.2f (no goal)\n", memoryRatio);
    }
    if (c.maxSeconds > 0) {
        std::printf("    time %.3f s (goal < %.3f s) %s\n", c.measured.seconds, c.maxSeconds,
                    limitOk ? "met" : "MISSED");
    }
    return timeOk && memoryOk && limitOk;
}

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "%s\nUsage: run_bench [--tool PATH] [--runs N] [--mailboxes N] [--check-mailboxes N] "
                 "[--keep] [CASE...]\n"
                 "Cases:",
                 problem);
    for (const auto& c : Cases()) std::fprintf(stderr, " %s", c.name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Context context;
#ifdef POSTVANE_TOOL
    context.tool = POSTVANE_TOOL;
#endif
    context.editor = POSTVANE_EDITOR;
    context.minimalQt = POSTVANE_MINIMAL_QT;
    context.examples = POSTVANE_EXAMPLES;
    bool keep = false;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--tool" && hasValue) {
            context.tool = argv[++i];
        } else if (arg == "--runs" && hasValue) {
            context.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--mailboxes" && hasValue) {
            context.mailboxes = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--check-mailboxes" && hasValue) {
            context.checkMailboxes = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--keep") {
            keep = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else {
            wanted.push_back(arg);
        }
    }
    if (context.tool.empty()) return Usage("no tool given");

    char pattern[] = "/tmp/postvane-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return Usage("cannot create a temporary folder");
    const std::string root = pattern;
    // The programs measured keep their settings here, not in the user's: the editor would otherwise add each
    // run's masters to the user's recent files, and start each time from whatever the runs before left.
    // The yardstick and the editor start with the same, empty, configuration.
    fs::create_directories(root + "/config");
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);

    bool allMet = true;
    int ran = 0;
    for (const Case& c : Cases()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), c.name) == wanted.end()) continue;
        ++ran;
        Context caseContext = context;
        caseContext.folder = root + "/" + c.name;
        caseContext.runs = context.runs * c.runsScale;
        fs::create_directories(caseContext.folder);
        std::printf("%s: %s (best of %d runs, in turns)\n", c.name.c_str(), c.description.c_str(),
                    caseContext.runs);
        std::fflush(stdout);
        // Each case in a process of its own: the windows are measured in children forked from it, which
        // would otherwise inherit, and copy as they write to it, the memory of the cases before.
        const pid_t child = ::fork();
        if (child == 0) {
            bool met = true;
            for (const Comparison& comparison : c.run(caseContext)) met = Report(comparison) && met;
            std::fflush(stdout);
            ::_exit(met ? 0 : 1);
        }
        int status = 1;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            allMet = false;
        }
    }
    if (keep) {
        std::printf("files kept in %s\n", root.c_str());
    } else {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    if (ran == 0) return Usage("no such case");
    std::printf("%s\n", allMet ? "all goals met" : "a goal was missed");
    return allMet ? 0 : 1;
}
