#include "ui/Screenshots.h"

#include <QApplication>
#include <QPixmap>
#include <QStyleFactory>
#include <filesystem>
#include <iostream>

#include "cli/StreamPrompts.h"
#include "core/SaveReview.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "names/frmMain.h"
#include "ui/DiffView.h"
#include "ui/FormWindow.h"
#include "ui/GraphView.h"
#include "ui/WindowGallery.h"

namespace pv::ui {
namespace {

// What the windows being rendered say while they load, in the words a window uses, printed.
class WindowMessagesToStream : public StreamPrompts {
  public:
    explicit WindowMessagesToStream(std::ostream& stream) : StreamPrompts(stream, false, "") {}
    void Show(const Message& message) override { StreamPrompts::Show({message.kind, message.text}); }
};

}  // namespace

QPalette DarkPalette() {
    QPalette palette;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    const QColor disabled(130, 130, 130);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabled);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(60, 60, 64));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, QColor(80, 80, 84));
    palette.setColor(QPalette::Midlight, QColor(70, 70, 74));
    palette.setColor(QPalette::Mid, QColor(50, 50, 54));
    palette.setColor(QPalette::Dark, QColor(25, 25, 27));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(100, 170, 255));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    return palette;
}

int RenderScreenshots(const std::string& folder, const std::string& commandLineText,
                      const std::string& programDirectory, const std::string& currentDirectory, bool dark) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (dark) {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(DarkPalette());
    }
    // Messages go to standard error; nothing is chosen, started or opened while rendering.
    WindowMessagesToStream prompts(std::cerr);
    bool failed = false;
    QWidget owner;
    VisitEveryWindow(prompts, programDirectory, commandLineText, currentDirectory,
                     [&](Form& form, const std::string& name) {
                         // The main window stands alone; the others are dialogs, as when they are opened.
                         FormWindow window(form, form.kind() == names::frmMain::frmMain ? nullptr : &owner);
                         window.show();
                         // A drawing is pictured laid out, as the user sees it a moment later.
                         for (QAbstractScrollArea* area : window.findChildren<QAbstractScrollArea*>()) {
                             if (auto* view = dynamic_cast<GraphView*>(area)) view->finishLayout();
                         }
                         for (int i = 0; i < 3; ++i) QApplication::processEvents();
                         const std::string path = folder + "/" + name + ".png";
                         if (window.grab().save(QString::fromStdString(path))) {
                             std::cout << path << "\n";
                         } else {
                             std::cerr << "Could not write " << path << "\n";
                             failed = true;
                         }
                         window.hide();
                     });
    // The review before saving, as a change to the first mailbox of the master would show it.
    try {
        const std::string master = CommandLineMasterPath(commandLineText, currentDirectory);
        std::string after = platform::ReadFileBytes(master);
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"<WaitTime>100<", "<WaitTime>300<"},
              {"<Threads>1<", "<Threads>4<"}}) {
            if (const size_t at = after.find(from); at != std::string::npos)
                after.replace(at, from.size(), to);
        }
        PendingWrite write = PendingWriteOf(master, after);
        write.path = commandLineText;  // as the main window shows it
        ReviewDialog review(write, &owner);
        review.show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        const std::string path = folder + "/dlgReviewChanges.png";
        if (review.grab().save(QString::fromStdString(path))) {
            std::cout << path << "\n";
        } else {
            std::cerr << "Could not write " << path << "\n";
            failed = true;
        }
    } catch (const AppError& error) {
        std::cerr << FormatError("Could not show the review of a save: ", error) << "\n";
        failed = true;
    }
    return failed ? 1 : 0;
}

}  // namespace pv::ui
