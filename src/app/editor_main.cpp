// postvane-config [MASTER]: the desktop editor.
//   --screenshots DIR [MASTER]  renders every window into PNG files and exits
//   --quit-when-shown [MASTER]  exits as soon as the main window is on screen (start-up benchmark)
#include <QApplication>
#include <QTimer>
#include <string>
#include <vector>

#include "actions/RegisterEditors.h"
#include "core/platform.h"
#include "core/process.h"
#include "master/FrmMain.h"
#include "ui/FormWindow.h"
#include "ui/QtServices.h"
#include "ui/Screenshots.h"

namespace {

// The whole command-line text: on Linux the arguments joined by single blanks.
std::string JoinArguments(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& arg : args) {
        if (!text.empty()) text += ' ';
        text += arg;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("PostvaneConfig");
    QApplication::setApplicationDisplayName("PostvaneConfig");
    pv::RegisterBuiltInDispositionEditors();

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
    const std::string programDirectory = QApplication::applicationDirPath().toStdString();
    const std::string currentDirectory = pv::platform::CurrentDirectory();

    if (!args.empty() && args.front() == "--screenshots" && args.size() >= 2) {
        const std::string folder = args[1];
        return pv::ui::RenderScreenshots(folder, JoinArguments({args.begin() + 2, args.end()}), programDirectory,
                                         currentDirectory);
    }
    bool quitWhenShown = false;
    if (!args.empty() && args.front() == "--quit-when-shown") {
        quitWhenShown = true;
        args.erase(args.begin());
    }

    pv::ui::QtPrompts prompts;
    pv::ui::QtFileDialogs dialogs(prompts);
    pv::ui::QtWindowHost windows;
    pv::SystemProcessLauncher launcher;
    pv::ui::QtClipboard clipboard;
    pv::Services services{pv::PathContext(programDirectory), prompts, dialogs, windows, launcher, clipboard};

    pv::FrmMain main(services);
    pv::ui::FormWindow window(main);
    QObject::connect(&window, &QDialog::finished, &app, &QApplication::quit);
    // The startup choice runs before the window appears, so it opens filled (or over the master-file dialog).
    main.Open(JoinArguments(args), currentDirectory);
    if (main.IsClosed()) return 0;
    window.show();
    if (quitWhenShown) QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
