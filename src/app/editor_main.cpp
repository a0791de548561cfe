// postvane-config [OPTIONS] [MASTER...]: the desktop editor. The words after the options, joined by single
// blanks, are the master file's path.
//   --screenshots DIR [--dark]  renders every window into PNG files and exits (not listed by --help)
//   --quit-when-shown           exits as soon as the main window is on screen (start-up benchmark)
//   --no-settings               reads and keeps nothing between runs

#include <sys/stat.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LargeMemory.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/process.h"
#include "editors/Editors.h"
#include "master/FrmMain.h"
#include "ui/FormWindow.h"
#include "ui/QtServices.h"
#include "ui/QtSettings.h"
#include "ui/Screenshots.h"

namespace {

constexpr const char* kProgram = "postvane-config";
// The name of the desktop entry and of the icon.
constexpr const char* kApplicationId = "org.postvane.PostvaneConfig";

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help = QCommandLineOption({"h", "help"}, "Show this help and exit.");
    // -V as the tool has it (its -v is --verbose); -v as the editor always took it.
    QCommandLineOption version = QCommandLineOption({"V", "v", "version"}, "Show the version and exit.");
    QCommandLineOption screenshots =
        QCommandLineOption("screenshots", "Render every window into DIR.", "DIR");
    QCommandLineOption dark = QCommandLineOption("dark", "Render the screenshots with a dark palette.");
    QCommandLineOption quitWhenShown =
        QCommandLineOption("quit-when-shown", "Exit once the window is shown.");
    QCommandLineOption noSettings = QCommandLineOption(
        "no-settings",
        "Read and keep no settings: no recent master files, window places or folders (for a shared account).");

    CommandLine() {
        parser.setApplicationDescription(
            "Postvane Configuration Editor: edits the master configuration file of a Postvane "
            "mail-processing\n"
            "server, its mailboxes, their dispositions, and the monitoring and logging files.\n"
            "\n"
            "MASTER is the master configuration file; the words after the options, joined by single blanks,\n"
            "form its path, so a path with blanks needs no quotes. Without MASTER the editor opens\n"
            "config/master.xml below its own folder when that exists, else asks for a file. Put -- before\n"
            "a path that begins with '-'.");
        for (QCommandLineOption* hidden : {&screenshots, &dark, &quitWhenShown}) {
            hidden->setFlags(QCommandLineOption::HiddenFromHelp);
        }
        parser.addOptions({help, version, noSettings, screenshots, dark, quitWhenShown});
        parser.addPositionalArgument("MASTER", "The master configuration file.", "[MASTER...]");
        // The parser reads the words before the path (SplitAtTheMaster); a stray word ends the options there
        // as the path would.
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        // "-style Fusion" is Qt's option, not five letters of ours.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    }

    QString Usage() const {
        QString text = parser.helpText();
        // The first line names the program as it was started; the help names it as it is installed.
        const qsizetype end = text.indexOf(u'\n');
        const qsizetype options = text.indexOf(" [options]");
        if (options >= 0 && options < end) text.replace(0, options, QString("Usage: ") + kProgram);
        return text;
    }
};

QStringList RawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// The options Qt's application object takes for itself (and removes) before the editor reads the rest.
bool IsQtOption(const QString& name) {
    static const QStringList names = {"platform",      "platformpluginpath",
                                      "platformtheme", "plugin",
                                      "qmljsdebugger", "qwindowgeometry",
                                      "qwindowicon",   "qwindowtitle",
                                      "reverse",       "session",
                                      "display",       "geometry",
                                      "style",         "stylesheet",
                                      "widgetcount",   "name",
                                      "title",         "visual",
                                      "ncols",         "cmap",
                                      "nograb",        "dograb",
                                      "sync",          "testability"};
    return names.contains(name);
}

int UsageError(const QString& problem) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, problem.toLocal8Bit().constData(), kProgram);
    return 2;
}

// --help, --version and mistakes in the options, answered without a display; nullopt when the editor is to
// start.
std::optional<int> AnswerWithoutWindows(CommandLine& line, const QStringList& args) {
    if (!line.parser.parse(args)) {
        // Qt's own options are not ours: they are decided once Qt has taken them.
        const QStringList unknown = line.parser.unknownOptionNames();
        const bool onlyQt = !unknown.isEmpty() && std::all_of(unknown.begin(), unknown.end(), IsQtOption);
        if (onlyQt) return std::nullopt;
        return UsageError(line.parser.errorText());
    }
    std::string answer;
    if (line.parser.isSet(line.help)) {
        answer = line.Usage().toLocal8Bit().toStdString();
    } else if (line.parser.isSet(line.version)) {
        answer = std::string(kProgram) + " " + POSTVANE_VERSION + "\n";
    } else {
        return std::nullopt;
    }
    // Told as the tool tells it: a full disk or a closed pipe is no answer given.
    if (std::fputs(answer.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write to standard output; what was to be printed is incomplete\n",
                     kProgram);
        return 1;
    }
    return 0;
}

constexpr const char* kWithoutDisplay =
    "use postvane-config-tool to check and rewrite files without a display";

// Whether the command line names where Qt is to show the windows: its -platform or -display option, with one
// dash or two.
bool NamesAPlatform(const QStringList& args) {
    return std::any_of(args.begin(), args.end(), [](const QString& arg) {
        for (const char* option : {"platform", "display"}) {
            if (arg == QString("-") + option || arg == QString("--") + option) return true;
        }
        return false;
    });
}

// A platform Qt cannot start ends the program in qFatal, that is with SIGABRT; what Qt said is printed as
// usual, followed by what to do about it, and the program ends with status 1 like any other failure.
QtMessageHandler qtHandler = nullptr;
void EndOnFatalStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (qtHandler) {
        qtHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    if (type == QtFatalMsg) {
        std::fprintf(
            stderr,
            "%s: cannot open a display (the Qt platform plug-in could not be started); check DISPLAY, "
            "WAYLAND_DISPLAY, QT_QPA_PLATFORM or -platform, or %s\n",
            kProgram, kWithoutDisplay);
        std::fflush(stderr);
        std::_Exit(1);
    }
}

// Whether a master is worth a thread of its own at start: one of a few kilobytes is read sooner than a
// thread and its heap are set up.
bool LargeFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_size >= 256 * 1024;
}

// The command line split where the master's path begins. The words before it (Qt's options and ours) go to
// Qt, which takes its own out of them, and then to the parser. The words of the path never reach Qt, which
// would take one that looks like its option even after "--" (a file named -reverse), and they are kept as the
// shell's bytes: a file's name need not be UTF-8, and text decoded from it would name another file.
struct SplitLine {
    std::vector<char*> options;  // argv[0] and the options without "--", ended by a null pointer as argv is
    std::string master;          // the words of the path, joined by single blanks
};

SplitLine SplitAtTheMaster(int argc, char** argv) {
    // The options, ours and Qt's, that take the next word as their value unless given as -name=value.
    static const QStringList withValue = {
        "screenshots",     "platform",    "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon", "qwindowtitle",       "session",       "display",
        "geometry",        "style",       "stylesheet",         "name",          "title",
        "visual",          "ncols"};
    SplitLine line;
    int i = 0;
    if (argc > 0) line.options.push_back(argv[i++]);
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "-" || !arg.starts_with('-')) break;
        line.options.push_back(argv[i]);
        const QString name = QString::fromLocal8Bit(arg.substr(arg.starts_with("--") ? 2 : 1));
        if (withValue.contains(name) && i + 1 < argc) line.options.push_back(argv[++i]);
    }
    for (const int first = i; i < argc; ++i) {
        if (i > first) line.master += ' ';
        line.master += argv[i];
    }
    line.options.push_back(nullptr);
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    pv::TuneHeap();
    pv::PrepareHeap(pv::kReadingHeap);
    SplitLine split = SplitAtTheMaster(argc, argv);
    const std::string& master = split.master;
    // Qt keeps the count and the words it is given for as long as the application lives.
    int qtArgc = static_cast<int>(split.options.size()) - 1;
    bool screenshots = false;
    {
        CommandLine early;
        const QStringList args = RawArguments(qtArgc, split.options.data());
        if (const auto status = AnswerWithoutWindows(early, args)) return *status;
        screenshots = early.parser.isSet(early.screenshots);
        // Nowhere to show a window, and nothing that chooses a platform that needs none: said plainly, rather
        // than in Qt's words about plug-ins.
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !NamesAPlatform(args)) {
            std::fprintf(
                stderr, "%s: cannot open a display (DISPLAY and WAYLAND_DISPLAY are unset); set one, or %s\n",
                kProgram, kWithoutDisplay);
            return 1;
        }
    }
    // A large master is read on another thread while Qt starts; a small one by the window.
    const std::string programGuess = pv::platform::ExecutableDirectory(argv[0]);
    std::future<pv::StartupMaster> startupMaster;
    if (!screenshots && LargeFile(master)) {
        startupMaster = std::async(std::launch::async, [programGuess, text = master] {
            pv::PrepareHeap(pv::kReadingHeap);
            try {
                return pv::FrmMain::ReadStartupMaster(pv::PathContext(programGuess), text,
                                                      pv::platform::CurrentDirectory());
            } catch (...) {
                return pv::StartupMaster();  // nothing read: the window reads the file itself, and says why
            }
        });
    }
    qtHandler = qInstallMessageHandler(EndOnFatalStart);
    QApplication app(qtArgc, split.options.data());
    qInstallMessageHandler(qtHandler);
    QApplication::setApplicationName(kProgram);
    QApplication::setApplicationDisplayName("PostvaneConfig");
    QApplication::setApplicationVersion(POSTVANE_VERSION);
    QGuiApplication::setDesktopFileName(kApplicationId);
    QApplication::setWindowIcon(QIcon::fromTheme(kApplicationId));

    CommandLine line;
    if (const auto status = AnswerWithoutWindows(line, QApplication::arguments())) return *status;

    const std::string programDirectory = QApplication::applicationDirPath().toStdString();
    const std::string currentDirectory = pv::platform::CurrentDirectory();

    if (line.parser.isSet(line.screenshots)) {
        return pv::ui::RenderScreenshots(line.parser.value(line.screenshots).toStdString(), master,
                                         programDirectory, currentDirectory, line.parser.isSet(line.dark));
    }

    // What is remembered between runs; with --no-settings, nothing is read or written.
    pv::ui::QtPrompts prompts;
    std::unique_ptr<pv::ISettings> settings;
    if (line.parser.isSet(line.noSettings)) {
        settings = std::make_unique<pv::MemorySettings>(false);
        pv::ui::KeepToolkitSettings(false);
    } else {
        auto kept = std::make_unique<pv::ui::QtSettings>();
        kept->TellWhenUnwritable([&prompts](const std::string& file) {
            prompts.Show(
                {pv::MessageKind::Warning,
                 "The editor cannot write its settings file " + file +
                     ": the master files opened lately, the windows' places and the choices made here "
                     "(\"Remember nothing between runs\" among them) are kept only until it ends."});
        });
        settings = std::move(kept);
    }
    pv::ui::FormWindow::RememberPlacesIn(settings.get());

    pv::ui::QtFileDialogs dialogs(prompts);
    pv::ui::QtWindowHost windows;
    pv::SystemProcessLauncher launcher;
    pv::ui::QtClipboard clipboard;
    pv::ui::QtReview review;
    pv::Services services{pv::PathContext(programDirectory),
                          prompts,
                          dialogs,
                          windows,
                          launcher,
                          clipboard,
                          pv::BuiltInEditors(),
                          *settings,
                          review};

    // The model is never freed: the program ends with its window, and the system takes its memory back at
    // once, where freeing 10,000 mailboxes one by one would hold up the end. Kept where it stays reachable.
    static pv::FrmMain* const main = new pv::FrmMain(services);
    main->SetToolkitVersion(std::string("Qt ") + qVersion());
    // The startup choice runs before the window is shown. While a large master is read on its thread, the
    // window is built meanwhile, empty, and filled once the reading is done; otherwise it is built after the
    // choice (and after the master-file dialog, when there is one), filled: each control given its text once.
    std::unique_ptr<pv::ui::FormWindow> window;
    if (startupMaster.valid()) window = std::make_unique<pv::ui::FormWindow>(*main);
    main->Open(master, currentDirectory, startupMaster.valid() ? startupMaster.get() : pv::StartupMaster());
    if (main->IsClosed()) return 0;
    if (!window) window = std::make_unique<pv::ui::FormWindow>(*main);
    QObject::connect(window.get(), &QDialog::finished, &app, &QApplication::quit);
    window->show();
    if (line.parser.isSet(line.quitWhenShown)) QTimer::singleShot(0, &app, &QApplication::quit);
    const int status = QApplication::exec();
    // The window is left to the system as the model is: closing it has already kept its place, and freeing
    // its widgets one by one (a line for each of 10,000 mailboxes) would only hold up the end. Kept where it
    // stays reachable; the application object still takes down its native window.
    static pv::ui::FormWindow* const left = window.release();
    static_cast<void>(left);
    return status;
}
