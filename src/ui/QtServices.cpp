#include "ui/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

#include "core/form.h"
#include "ui/DiffView.h"
#include "ui/FormWindow.h"
#include "ui/QtText.h"

namespace pv::ui {
namespace {

// While it lives, a box or window is shown over the window the user was in; when it ends, that window is
// active again and its control that had the keyboard has it back. Qt leaves the focus to the window manager,
// which may give it to no window at all (a keyboard user is then lost), or to a window that closed meanwhile.
class FocusReturns {
  public:
    explicit FocusReturns(QWidget* below)
        : below_(below), focused_(below != nullptr ? below->focusWidget() : nullptr) {}
    ~FocusReturns() {
        if (!below_ || !below_->isVisible()) return;
        below_->activateWindow();
        if (focused_ && focused_->window() == below_->window()) focused_->setFocus(Qt::OtherFocusReason);
    }
    FocusReturns(const FocusReturns&) = delete;
    FocusReturns& operator=(const FocusReturns&) = delete;

  private:
    QPointer<QWidget> below_;
    QPointer<QWidget> focused_;
};

// `safe`: the button an Enter pressed out of habit answers, where the other loses what the file holds.
pv::Answer Ask(const std::string& text, const std::string& title, QMessageBox::StandardButtons buttons,
               QMessageBox::StandardButton safe = QMessageBox::NoButton) {
    const FocusReturns focus(WindowToOwnDialogs());
    QMessageBox box(QMessageBox::Question, ToRead(title), ToRead(text), buttons, WindowToOwnDialogs());
    if (safe != QMessageBox::NoButton) box.setDefaultButton(safe);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return pv::Answer::Yes;
        case QMessageBox::No:
            return pv::Answer::No;
        case QMessageBox::Cancel:
            return pv::Answer::Cancel;
        default:
            return (buttons & QMessageBox::Cancel) ? pv::Answer::Cancel : pv::Answer::No;
    }
}

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
    const FocusReturns focus(WindowToOwnDialogs());
    QMessageBox box(icon, Q(pv::kAppTitle), ToRead(text), QMessageBox::Ok, WindowToOwnDialogs());
    box.exec();
}

}  // namespace

QWidget* WindowToOwnDialogs() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    // No window has the focus (another program has it): the topmost of ours that is shown.
    QWidget* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && dynamic_cast<FormWindow*>(widget)) {
            shown = widget;
            if (widget->isModal()) return widget;
        }
    }
    return shown;
}

void QtPrompts::Show(const pv::Message& message) {
    ShowBox(message.kind == pv::MessageKind::Information ? QMessageBox::Information : QMessageBox::Warning,
            pv::WindowText(message));
}

pv::Answer QtPrompts::AskYesNo(const std::string& text, const std::string& title) {
    return Ask(text, title, QMessageBox::Yes | QMessageBox::No);
}

pv::Answer QtPrompts::AskYesNoCancel(const std::string& text) {
    return Ask(text, pv::kAppTitle, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

pv::Answer QtPrompts::AskOrTell(const pv::Message& question) {
    // Yes overwrites another program's change or the file's text, or writes without a backup; No may read the
    // file again over the window's edits, or delete the only complete copy of an unfinished save. Cancel,
    // which the tool answers, does nothing: it is what Enter answers.
    return Ask(pv::WindowText(question), pv::kAppTitle,
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
}

pv::Answer QtPrompts::AskToSaveDespite(const pv::Loss& loss) {
    // Yes drops or overwrites what the question names: No is what Enter answers.
    if (loss.question.empty()) return pv::Answer::Yes;
    return Ask(loss.question, pv::kAppTitle, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
}

QStringList NameFilters(const std::string& filterList) {
    // Qt filters by the pattern in a filter's last parentheses and shows the filter as it is: the pattern
    // that applies is shown once, in place of any the description names ("Master config files(*.master.xml)|
    // *master.xml" becomes "Master config files (*master.xml)"); a description that is only the pattern
    // ("*.txt|*.txt") is the pattern alone.
    static const QRegularExpression namedPattern(R"(\s*\([^()]*[*?][^()]*\)\s*$)");
    const QStringList parts = Q(filterList).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = QString(parts[i]).remove(namedPattern).trimmed();
        const QString& pattern = parts[i + 1];
        filters << (description.isEmpty() || description == pattern ? pattern
                                                                    : description + " (" + pattern + ")");
    }
    return filters;
}

std::optional<std::string> QtFileDialogs::ChooseOpenFile(const pv::FileDialogRequest& request) {
    QFileDialog dialog(WindowToOwnDialogs(), Q(request.title), Q(request.initialFolder));
    const bool save = request.mode == pv::FileCheck::SaveAs;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == pv::FileCheck::MustExist ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
    if (save) dialog.setDefaultSuffix(Q(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = NameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    if (!request.fileName.empty()) dialog.selectFile(Q(request.fileName));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString chosen = dialog.selectedFiles().front();
        const QFileInfo info(chosen);
        if (request.refuseReadOnly && info.exists() && !info.isWritable()) {
            prompts_.ShowMessage(chosen.toStdString() +
                                 "\nThis file is read-only. Please choose another file.");
            continue;
        }
        if (request.mode == pv::FileCheck::CreatePrompt && !info.exists()) {
            const std::string question =
                chosen.toStdString() + "\nThis file does not exist.\nDo you want to create it?";
            if (prompts_.AskYesNo(question, pv::kAppTitle) != pv::Answer::Yes) continue;
        }
        return chosen.toStdString();
    }
}

std::string QtFileDialogs::ChooseFolder(const std::string& title, const std::string& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(WindowToOwnDialogs(), Q(title), Q(startFolder),
                                                             QFileDialog::ShowDirsOnly);
    return folder.toStdString();
}

void QtWindowHost::ShowModal(pv::Form& form) {
    // A window that closed itself while opening (a catalogue it needs could not be read) is not shown.
    if (form.IsClosed()) return;
    const FocusReturns focus(WindowToOwnDialogs());
    FormWindow window(form, WindowToOwnDialogs());
    window.exec();
}

void QtWindowHost::ShowModalWhileLoading(pv::Form& form, const std::function<bool()>& finishLoading) {
    const FocusReturns focus(WindowToOwnDialogs());
    FormWindow window(form, WindowToOwnDialogs());
    // Filled through the window's binding once read; what the reading says comes before the window shows.
    if (!finishLoading() || form.IsClosed()) return;
    window.exec();
}

bool QtReview::Accept(const pv::PendingWrite& write) {
    const FocusReturns focus(WindowToOwnDialogs());
    ReviewDialog dialog(write, WindowToOwnDialogs());
    return dialog.exec() == QDialog::Accepted;
}

void QtClipboard::SetText(const std::string& text) {
    QApplication::clipboard()->setText(Q(text));
}

}  // namespace pv::ui
