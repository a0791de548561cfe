// The keyboard and screen readers: labels name and reach their fields, captions get access keys, Tab follows
// the reading order, an option group is one Tab stop, lists answer Enter and Delete, and the first focus goes
// where the work starts.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDateTime>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/AccessKeys.h"
#include "ui/FormWindow.h"
#include "ui/LayoutReading.h"
#include "ui/QtText.h"

namespace pv::ui {
namespace {

// A window of its own (the main window) is announced as a window: Qt would announce it as the dialog it is
// built on.
QAccessibleInterface* AnnounceAsWindow(const QString&, QObject* object) {
    auto* window = dynamic_cast<FormWindow*>(object);
    return window && window->windowType() == Qt::Window ? new QAccessibleWidget(window, QAccessible::Window)
                                                        : nullptr;
}

enum class UndoKind { None, Undo, Redo };

UndoKind UndoKeyOf(const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Z && modifiers == Qt::ControlModifier) return UndoKind::Undo;
    if (key->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return UndoKind::Redo;
    if (key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier) return UndoKind::Redo;
    return UndoKind::None;
}

// What a text box's own history can do, and doing it.
bool BoxCan(QWidget* box, UndoKind kind) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        if (edit->isReadOnly()) return false;
        return kind == UndoKind::Undo ? edit->isUndoAvailable() : edit->isRedoAvailable();
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        if (text->isReadOnly()) return false;
        return kind == UndoKind::Undo ? text->document()->isUndoAvailable()
                                      : text->document()->isRedoAvailable();
    }
    return false;
}

void BoxDo(QWidget* box, UndoKind kind) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        kind == UndoKind::Undo ? edit->undo() : edit->redo();
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        kind == UndoKind::Undo ? text->undo() : text->redo();
    }
}

// A text box's own history ends with the window's typing step, so that its Ctrl+Z never reaches back past
// steps the window took since.
void ForgetBoxHistory(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        if (!edit->isUndoAvailable() && !edit->isRedoAvailable()) return;
        const QSignalBlocker blocker(edit);
        const int cursor = edit->cursorPosition();
        const int start = edit->selectionStart();
        const int length = edit->selectionLength();
        edit->setText(edit->text());  // which clears the history
        if (start >= 0) {
            edit->setSelection(start, length);
        } else {
            edit->setCursorPosition(cursor);
        }
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        text->document()->clearUndoRedoStacks();
    }
}

}  // namespace

QLabel* FormWindow::labelOf(const QWidget* field) const {
    for (const auto& [label, described] : buddies_) {
        if (described == field) return qobject_cast<QLabel*>(const_cast<QWidget*>(label));
    }
    return nullptr;
}

QButtonGroup* FormWindow::GroupOf(const pv::Control& control, QWidget* widget) {
    // Options of one group exclude each other; options without a group are grouped by their container.
    const std::string key =
        control.group.empty() ? "@" + std::to_string(reinterpret_cast<std::uintptr_t>(widget->parentWidget()))
                              : control.group;
    QButtonGroup*& group = groups_[key];
    if (!group) {
        group = new QButtonGroup(this);
        group->setExclusive(true);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !button->group())
        group->addButton(button);
    return group;
}

void FormWindow::UpdateGroupTabStop(QButtonGroup* group) {
    // One Tab stop per group, on the selected option (or the first usable one); the arrow keys move within.
    QAbstractButton* stop = group->checkedButton();
    if (!stop || !stop->isEnabled() || stop->isHidden()) {
        const auto buttons = group->buttons();
        const auto usable = std::find_if(buttons.begin(), buttons.end(), [](QAbstractButton* button) {
            return button->isEnabled() && !button->isHidden();
        });
        stop = usable == buttons.end() ? nullptr : *usable;
    }
    for (QAbstractButton* button : group->buttons()) {
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
    // A label that describes the group takes the user to its stop.
    if (!stop) return;
    for (auto& [label, described] : buddies_) {
        if (described && described->isAncestorOf(stop))
            static_cast<QLabel*>(const_cast<QWidget*>(label))->setBuddy(stop);
    }
}

void FormWindow::ApplyCaption(const pv::Control& control, QWidget* widget) {
    const QString caption = Q(control.text);
    const auto key = accessKeys_.find(widget);
    const QString shown = WithAccessKey(caption, key == accessKeys_.end() ? -1 : key->second);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(shown);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        // A label without a field shows "&" as it is; one with a field marks its access key.
        label->setText(label->buddy() ? shown : caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(shown);
    }
}

std::vector<QWidget*> FormWindow::VisualOrder() const {
    std::vector<QWidget*> order;
    if (content_) {
        WalkWidget(content_, order);
    } else if (layout()) {
        WalkLayout(layout(), order);
    }
    // Controls outside every layout come last, in the order the logic declares them.
    for (const std::string& name : form_.ControlNames()) {
        QWidget* widget = BoundWidget(name);
        if (widget && std::find(order.begin(), order.end(), widget) == order.end()) order.push_back(widget);
    }
    return order;
}

void FormWindow::DescribeField(QLabel* label) {
    QWidget* field = FieldDescribedBy(label);
    if (!field) {
        buddies_.erase(label);
        return;
    }
    buddies_[label] = field;
    label->setBuddy(field);
    label->installEventFilter(this);  // its access key (KeyboardEvent)
    NameField(label);
}

void FormWindow::NameField(QLabel* label) {
    QWidget* field = buddies_.at(label);
    const auto fieldName = names_.find(field);
    if (fieldName != names_.end() && !form_.control(fieldName->second).accessibleName.empty()) return;
    const pv::Control& caption = form_.control(names_.at(label));
    QString name = NameFromCaption(Q(caption.text));
    if (caption.row >= 0) {
        // In a repeated row the label repeats too: the row's own caption tells them apart.
        for (QAbstractButton* button : label->parentWidget()->findChildren<QAbstractButton*>()) {
            if (const auto named = names_.find(button); named != names_.end()) {
                name = Q(form_.control(named->second).text) + " " + name;
                break;
            }
        }
    }
    field->setAccessibleName(name);
}

void FormWindow::ArrangeRow(QWidget* row) {
    for (QLabel* label : row->findChildren<QLabel*>()) {
        if (names_.count(label)) DescribeField(label);
    }
}

void FormWindow::ArrangeFocus() {
    const std::vector<QWidget*> order = VisualOrder();

    // Tab follows the reading order.
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        // A row area takes no focus itself, but stands in the chain where Tab enters its rows.
        const bool rowArea = std::any_of(rowAreas_.begin(), rowAreas_.end(),
                                         [widget](const RowArea& area) { return area.scroll == widget; });
        if ((widget->focusPolicy() == Qt::NoFocus && !rowArea) || widget == content_) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    // Every label that describes a field is its buddy, and names it for a screen reader.
    for (QWidget* widget : order) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && names_.count(label)) DescribeField(label);
    }
    for (auto& [name, group] : groups_) UpdateGroupTabStop(group);
    ChooseAccessKeys();
}

void FormWindow::ArrangeKeyboard() {
    static const bool announced = (QAccessible::installFactory(AnnounceAsWindow), true);
    (void)announced;
    ArrangeFocus();

    // Undo and Redo: every window has them, on its own history.
    undo_ = new QAction(QStringLiteral("Undo"), this);
    undo_->setObjectName(QStringLiteral("actUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = new QAction(QStringLiteral("Redo"), this);
    redo_->setObjectName(QStringLiteral("actRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {undo_, redo_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(undo_, &QAction::triggered, this, [this] {
        if (!form_.IsClosed()) Act([&] { form_.UserUndo(); });
    });
    connect(redo_, &QAction::triggered, this, [this] {
        if (!form_.IsClosed()) Act([&] { form_.UserRedo(); });
    });
    HistoryChanged();

    if (form_.HasControl(form_.saveButton())) {
        connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
                [this] { PressIfUsable(form_.saveButton()); });
    }
    if (form_.HasControl(form_.reloadButton())) {
        connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this,
                [this] { PressIfUsable(form_.reloadButton()); });
    }
    if (form_.HasControl(form_.helpButton())) {
        connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                [this] { PressIfUsable(form_.helpButton()); });
    }
}

void FormWindow::ChooseAccessKeys() {
    std::vector<QWidget*> widgets;
    std::vector<AccessKeyRequest> requests;
    for (QWidget* widget : VisualOrder()) {
        const auto named = names_.find(widget);
        if (named == names_.end()) continue;
        const pv::Control& control = form_.control(named->second);
        // Repeated rows are reached by Tab; the window's own controls keep the keys.
        if (control.row >= 0) continue;
        // The cancel button placed out of sight is pressed by Escape alone.
        if (control.name == form_.cancelButton() && !control.visible) continue;
        const QString caption = Q(control.text);
        if (!HasLetterOrDigit(caption)) continue;
        int rank = -1;
        if (qobject_cast<QPushButton*>(widget)) {
            rank = 0;
        } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
            rank = option->group() ? 2 : 1;
        } else if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QGroupBox*>(widget) ||
                   (qobject_cast<QLabel*>(widget) && buddies_.count(widget))) {
            rank = 1;
        }
        if (rank < 0) continue;
        int kept = -1;
        if (const auto had = accessKeys_.find(widget); had != accessKeys_.end()) {
            const auto chosenFor = keyCaptions_.find(widget);
            if (chosenFor != keyCaptions_.end() && chosenFor->second == caption) kept = had->second;
        }
        QStringList captions;
        for (const std::string& other : control.captions) captions.push_back(Q(other));
        // Hidden controls take part too, so that what is folded at the time decides no key.
        const bool folds = std::any_of(containers_.begin(), containers_.end(),
                                       [widget](const QWidget* area) { return area->isAncestorOf(widget); });
        widgets.push_back(widget);
        requests.push_back({caption, rank, kept, captions, folds});
    }
    // The controls of a part not made yet take part as the widgets they will be, in an area that folds, so
    // that a window's keys are the same whether it opened with the part or without: a label as one that
    // describes a field, in the order the logic declares them (as the main window's advanced settings stand;
    // its tests check its keys opened either way).
    for (const std::string& name : pending_) {
        const pv::Control& control = form_.control(name);
        const QString caption = Q(control.text);
        if (!HasLetterOrDigit(caption)) continue;
        using Kind = pv::ControlKind;
        const Kind kind = control.kind;
        const int rank = kind == Kind::Button                                                   ? 0
                         : kind == Kind::Option                                                 ? 2
                         : kind == Kind::Label || kind == Kind::CheckBox || kind == Kind::Frame ? 1
                                                                                                : -1;
        if (rank < 0) continue;
        QStringList captions;
        for (const std::string& other : control.captions) captions.push_back(Q(other));
        widgets.push_back(nullptr);
        requests.push_back({caption, rank, -1, captions, true});
    }
    const std::vector<int> keys = pv::ui::ChooseAccessKeys(requests);
    accessKeys_.clear();
    keyCaptions_.clear();
    for (size_t i = 0; i < widgets.size(); ++i) {
        if (!widgets[i]) continue;
        accessKeys_[widgets[i]] = keys[i];
        keyCaptions_[widgets[i]] = requests[i].caption;
    }
    for (const auto& [name, widget] : widgets_) {
        const pv::Control& control = form_.control(name);
        if (control.row < 0 && ShowsCaption(widget)) ApplyCaption(control, widget);
    }
}

QWidget* FormWindow::FirstField() const {
    const std::vector<QWidget*> order = VisualOrder();
    const auto usable = [this](QWidget* widget) {
        return widget->isEnabled() && widget->isVisibleTo(this) && (widget->focusPolicy() & Qt::TabFocus);
    };
    for (QWidget* widget : order) {
        if (usable(widget) && IsEditableField(widget)) return widget;
    }
    // A window with nothing to change: the text there is to copy, or else its main button.
    for (QWidget* widget : order) {
        if (usable(widget) && IsReadOnlyText(widget)) return widget;
    }
    if (QWidget* main = BoundWidget(form_.defaultButton()); main && usable(main)) return main;
    for (QWidget* widget : order) {
        auto* button = qobject_cast<QPushButton*>(widget);
        if (button && usable(button) && HasLetterOrDigit(button->text())) return button;
    }
    return nullptr;
}

void FormWindow::showEvent(QShowEvent* event) {
    if (!shownOnce_) {
        RestorePlace();
        shownOnce_ = true;
        if (QWidget* first = FirstField()) first->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button that has the keyboard, as Space does. Only the window's default button is an
    // auto-default one, so that Enter in a box presses that button and never the next in the Tab order; a
    // focused button left to the dialog would have Enter press the default instead (Save for Cancel).
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget());
        enter && button && button->isEnabled() && button->isVisible()) {
        button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormWindow::hideEvent(QHideEvent* event) {
    KeepPlace();
    QDialog::hideEvent(event);
}

void FormWindow::AnnounceLevels(QListWidget* list, int indentPerLevel) {
    // Only an assistive tool hears the levels: until one listens they wait, as a list of 5,000 categories
    // took longer to announce than to fill.
    if (!QAccessible::isActive()) {
        unannounced_[list] = indentPerLevel;
        return;
    }
    unannounced_.erase(list);
    WriteLevels(list, indentPerLevel);
}

void FormWindow::FindTypedLine(QListWidget* list, const QString& typed) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - typedInListAt_ > QApplication::keyboardInputInterval()) typedInList_.clear();
    typedInListAt_ = now;
    typedInList_ += typed;
    // A new search starts after the current line, and so does one letter typed again and again: each goes
    // on to the next line starting with it.
    QString search = typedInList_;
    if (search.count(search.front()) == search.size()) search = search.front();
    const int count = list->count();
    const int start = std::max(0, list->currentRow()) + (search.size() == 1 ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        const QString text = list->item(row)->text();
        qsizetype first = 0;
        while (first < text.size() && text[first] == QLatin1Char(' ')) ++first;
        if (QStringView(text).mid(first).startsWith(search, Qt::CaseInsensitive)) {
            list->setCurrentRow(row);
            list->scrollToItem(list->item(row));
            return;
        }
    }
}

void FormWindow::accessibilityActiveChanged(bool active) {
    if (!active) return;
    for (const auto& [list, indentPerLevel] : std::exchange(unannounced_, {}))
        WriteLevels(list, indentPerLevel);
}

void FormWindow::WriteLevels(QListWidget* list, int indentPerLevel) {
    if (list->count() == 0) return;
    {
        // One change for the whole list, not one for each line: a view told of 5,000 changes one by one
        // spent longer on them than on everything else the list costs.
        const QSignalBlocker quiet(list->model());
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem* item = list->item(row);
            const QString text = item->text();
            qsizetype blanks = 0;
            while (blanks < text.size() && text[blanks] == u' ') ++blanks;
            const qsizetype level = blanks / indentPerLevel + 1;
            item->setData(Qt::AccessibleTextRole, text.mid(blanks) + ", level " + QString::number(level));
        }
    }
    QAbstractItemModel* model = list->model();
    emit model->dataChanged(model->index(0, 0), model->index(list->count() - 1, 0), {Qt::AccessibleTextRole});
}

void FormWindow::EnsureListSelection(const std::string& name) {
    auto* list = qobject_cast<QListWidget*>(BoundWidget(name));
    if (!list || form_.IsClosed() || list->count() == 0 || !list->selectedItems().isEmpty()) return;
    const int row = list->currentRow() >= 0 ? list->currentRow() : 0;
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void FormWindow::HistoryChanged() {
    if (!undo_) return;
    undo_->setEnabled(form_.CanUndo());
    redo_->setEnabled(form_.CanRedo());
    // The typing step ended while the box still has the keyboard (a save, a click elsewhere that took no
    // focus): the box's own history ends with it.
    QWidget* focused = QApplication::focusWidget();
    const auto named = names_.find(focused);
    if (named != names_.end() && named->second != form_.typingControl()) ForgetBoxHistory(focused);
}

bool FormWindow::UndoKey(QWidget* box, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const UndoKind kind = UndoKeyOf(key);
    if (kind == UndoKind::None) return false;
    if (!BoxCan(box, kind)) {
        // The window's Undo or Redo takes the key: the box neither claims nor sees it.
        if (event->type() == QEvent::ShortcutOverride) {
            key->ignore();
        } else {
            Act([&] { kind == UndoKind::Undo ? form_.UserUndo() : form_.UserRedo(); });
        }
        return true;
    }
    // The box's own history: done here rather than by the box, which knows Ctrl+Y on some desktops only.
    key->accept();
    if (event->type() == QEvent::KeyPress) {
        if (kind == UndoKind::Undo && !BoxCan(box, UndoKind::Redo)) {
            if (const auto named = names_.find(box); named != names_.end())
                form_.BoxUndoBegins(named->second);
        }
        BoxDo(box, kind);
    }
    return true;
}

namespace {

// Alt with a key is a command (an access key): one that no control has taken types nothing, as elsewhere on
// the desktop, rather than a letter into a value the server reads (Alt+X in a window without "Exit without
// saving" would end a host name in "x"). AltGr comes without Alt, or with Control where a platform reports it
// so.
bool UnclaimedAltKey(const QKeyEvent& key) {
#ifdef Q_OS_MACOS
    return false;  // Option with a key types the characters of the keyboard's third level
#else
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    return (modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) && !key.text().isEmpty() &&
           key.text()[0].isPrint();
#endif
}

}  // namespace

bool FormWindow::KeyboardEvent(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        // A label's access key enters its field: one that has the focus already is entered again, its text
        // selected as it would be coming from another field.
        auto* label = qobject_cast<QLabel*>(watched);
        QWidget* field = label ? label->buddy() : nullptr;
        if (field && field->hasFocus() && form_.selectAllOnFocus()) {
            if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
            if (auto* text = qobject_cast<QPlainTextEdit*>(field)) text->selectAll();
        }
        return false;
    }
    auto* box = qobject_cast<QWidget*>(watched);
    const bool textBox = qobject_cast<QLineEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched);
    if (textBox && UndoKey(box, event)) return true;
    if (textBox && event->type() == QEvent::KeyPress && UnclaimedAltKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if (textBox && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // Typing after the keyboard comes back is a step of its own.
        if (names_.count(box)) form_.EndTyping();
        ForgetBoxHistory(box);
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        if (!form_.selectAllOnFocus() && textBox) return false;
        // The focus coming back with the window (a message box or a child window closed, another window
        // left) finds the box as the user left it: the next key goes on with the edit, not over all of it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (textBox && (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason))
            return false;
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(watched)) {
            QTimer::singleShot(0, text, [text] { text->selectAll(); });
        } else if (auto* list = qobject_cast<QListWidget*>(watched); list && names_.count(list)) {
            const std::string control = names_.at(list);
            QTimer::singleShot(0, this, [this, control] { EnsureListSelection(control); });
        }
        return false;
    }
    auto* list = qobject_cast<QListWidget*>(watched);
    if (event->type() != QEvent::KeyPress || !list || !names_.count(list)) return false;
    // Enter on a list runs its double click, Delete presses its delete button.
    auto* key = static_cast<QKeyEvent*>(event);
    const std::string& name = names_.at(list);
    const std::string& deleteButton = form_.control(name).deleteButton;
    const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                       (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool plain = (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier;
    if (plain && form_.control(name).indentPerLevel > 0 && !key->text().isEmpty() &&
        key->text()[0].isPrint() && key->text() != QStringLiteral(" ")) {
        FindTypedLine(list, key->text());
    } else if (enter && form_.ActsOnDoubleClick(name)) {
        Act([&] { form_.UserDoubleClick(name); });
    } else if (!enter && key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier &&
               !deleteButton.empty()) {
        PressIfUsable(deleteButton);
    } else {
        // The list's own: Tab moves the focus once, and the keys it leaves go on to the window as usual.
        return false;
    }
    key->accept();
    return true;
}

}  // namespace pv::ui
