// The binding: each control of the logic finds its widget by name, the widget's signals become the user's
// actions, and the logic's changes come back to the widget with its signals blocked.
#include "ui/FormWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "ui/AccessKeys.h"
#include "ui/Colours.h"
#include "ui/GraphView.h"
#include "ui/LayoutReading.h"
#include "ui/QtText.h"
#include "ui/WindowLayouts.h"

namespace pv::ui {
namespace {

// Multi-line texts hold CR LF in the logic, as in the files; the text widget works with LF.
QString ToWidgetLines(const std::string& text) {
    return Q(text).replace("\r\n", "\n");
}

// The box's text as the logic holds it: the document's own characters, each line it shows ended by a CR LF,
// so that what is saved is what was seen. Its block breaks (U+2029) and line separators (U+2028) are line
// ends (the load of a value holding either says so). Not toPlainText, which also turns a no-break space into
// a blank.
std::string ToLogicLines(const QPlainTextEdit& box) {
    return S(box.document()
                 ->toRawText()
                 .replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"))
                 .replace(QChar::LineSeparator, QStringLiteral("\r\n")));
}

// A text with each line end it may hold (CR LF, a lone CR or LF, U+2028, U+2029) made one block break: the
// box's text and the logic's compare equal when the box shows the logic's lines.
QString AsBlocks(QString blocks) {
    blocks.replace(QStringLiteral("\r\n"), QString(QChar::ParagraphSeparator));
    for (const QChar end : {QChar(u'\r'), QChar(u'\n'), QChar(QChar::LineSeparator)})
        blocks.replace(end, QChar::ParagraphSeparator);
    return blocks;
}

// What a one-line box shows as a blank although it is a line break.
bool IsLineBreak(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

// A line break pasted or dropped into a one-line box shows as a blank there, and would be saved as a line
// break the user never saw: the text the box took in since it held `before` gets the blank it shows for each
// break (one for a CR LF). Breaks the value already held when it was loaded stay, as the warning at its load
// promised. The box's history keeps the insertion as one step, so Ctrl+Z still takes the paste back.
QString BlankInsertedBreaks(QLineEdit& edit, const QString& before) {
    const QString text = edit.text();
    const qsizetype shorter = std::min(text.size(), before.size());
    qsizetype prefix = 0;
    while (prefix < shorter && text[prefix] == before[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && text[text.size() - 1 - suffix] == before[before.size() - 1 - suffix])
        ++suffix;
    QString inserted = text.mid(prefix, text.size() - prefix - suffix);
    if (std::none_of(inserted.begin(), inserted.end(), IsLineBreak)) return text;
    inserted.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : inserted) {
        if (IsLineBreak(c)) c = QLatin1Char(' ');
    }
    const QSignalBlocker blocker(&edit);
    // Back to the text before, through the history where it leads there (a password box's undo empties it).
    bool undone = false;
    if (edit.echoMode() == QLineEdit::Normal && edit.isUndoAvailable()) {
        edit.undo();
        undone = edit.text() == before;
    }
    if (!undone) edit.setText(before);
    const int removed = static_cast<int>(before.size() - prefix - suffix);
    if (removed > 0) {
        edit.setSelection(static_cast<int>(prefix), removed);
    } else {
        edit.deselect();
        edit.setCursorPosition(static_cast<int>(prefix));
    }
    edit.insert(inserted);
    return edit.text();
}

// A one-line box holds the whole value, however long: not the 32,767 characters a line edit keeps unless
// told otherwise, which would cut what it shows and, once edited, what is saved.
void HoldAnyLength(QLineEdit& edit) {
    edit.setMaxLength(std::numeric_limits<int>::max());
}

// The platform's style, with "*" as the character a password box shows for every character.
class PasswordStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

FormWindow::FormWindow(pv::Form& form, QWidget* parent) : QDialog(parent), form_(form) {
    QAccessible::installActivationObserver(this);
    if (parent) {
        // A child window is a dialog of the window that opened it: it stays above it, has no taskbar entry
        // or minimize button of its own, and blocks it until closed.
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
        setWindowModality(Qt::ApplicationModal);
    } else {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    }
    const auto& layouts = WindowLayouts();
    const auto layout = layouts.find(form.kind());
    // A size the layout gives its window (its "geometry") is the size the window prefers, where the screen
    // allows; without one the window takes the size its content needs.
    const QSize unset(1, 1);
    resize(unset);
    if (layout != layouts.end()) layout->second(this);
    const QSize designed = size() == unset ? QSize() : size();
    setObjectName(Q(form.kind()));
    setWindowTitle(ToRead(form.caption()));
    const std::string partPrefix = form.kind() + "_";
    for (auto part = layouts.lower_bound(partPrefix);
         part != layouts.end() && part->first.compare(0, partPrefix.size(), partPrefix) == 0; ++part) {
        QWidget* holder = findChild<QWidget*>(Q(part->first.substr(partPrefix.size())));
        if (!holder) continue;
        // Out of sight until made, as it would be with none of its controls shown.
        holder->setHidden(true);
        parts_.push_back({holder, part->second});
    }

    bool partShown = false;
    for (const std::string& name : form.ControlNames()) {
        if (BindByName(name)) continue;
        (parts_.empty() ? missing_ : pending_).push_back(name);
        partShown = partShown || (!parts_.empty() && form.control(name).visible);
    }
    // The logic shows a control of a part from the start (the advanced settings left open last time).
    if (partShown) MakeParts();
    AdoptWidgets(this);
    for (const std::string& name : form.ControlNames()) {
        if (auto found = widgets_.find(name); found != widgets_.end())
            Apply(form.control(name), found->second);
    }
    for (const pv::RowSet& rows : form.RowSets()) LayOutRows(rows);
    UpdateContainers();
    QScrollArea* scroll = WrapInScrollArea();
    ApplyColourRule(this);
    ArrangeKeyboard();
    if (scroll) scroll->setWidget(content_);

    form_.SetObserver(this);
    if (content_) {
        const QSize hint = content_->sizeHint().expandedTo(designed);
        wantedHeight_ = hint.height();
        UpdateMinimumSize();
        ResizeTo(hint);
    }
    built_ = true;
}

bool FormWindow::BindByName(const std::string& name) {
    QWidget* widget = findChild<QWidget*>(Q(name));
    if (widget == nullptr) return false;
    widgets_.emplace(name, widget);
    names_.emplace(widget, name);
    Bind(form_.control(name), widget);
    return true;
}

void FormWindow::AdoptWidgets(const QWidget* root) {
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (widget->objectName().startsWith("frame") && !form_.HasControl(S(widget->objectName())) &&
            std::find(containers_.begin(), containers_.end(), widget) == containers_.end()) {
            containers_.push_back(widget);
        }
        // An area that scrolls rows is not a stop of its own: Tab goes to the rows in it.
        if (widget->metaObject() == &QScrollArea::staticMetaObject) widget->setFocusPolicy(Qt::NoFocus);
    }
}

void FormWindow::MakeParts() {
    if (parts_.empty()) return;
    const std::vector<Part> parts = std::move(parts_);
    parts_.clear();
    for (const Part& part : parts) part.setup(part.holder);
    std::vector<std::string> made;
    for (const std::string& name : pending_) (BindByName(name) ? made : missing_).push_back(name);
    pending_.clear();
    // While the window is being built, its constructor goes on to do the rest for every control alike.
    if (!built_) return;
    for (const Part& part : parts) {
        AdoptWidgets(part.holder);
        ApplyColourRule(part.holder);
        NoteYieldingBoxes(part.holder);
    }
    for (const std::string& name : made) Apply(form_.control(name), widgets_.at(name));
    ArrangeFocus();
    UpdateContainers();
}

const std::vector<std::string>& FormWindow::missingControls() {
    MakeParts();
    return missing_;
}

FormWindow::~FormWindow() {
    QAccessible::removeActivationObserver(this);
    form_.SetObserver(nullptr);
}

QWidget* FormWindow::controlWidget(const std::string& name) {
    if (std::find(pending_.begin(), pending_.end(), name) != pending_.end()) MakeParts();
    return BoundWidget(name);
}

QWidget* FormWindow::BoundWidget(const std::string& name) const {
    const auto found = widgets_.find(name);
    return found == widgets_.end() ? nullptr : found->second;
}

void FormWindow::Bind(const pv::Control& control, QWidget* widget) {
    const std::string name = control.name;
    if (auto* graph = dynamic_cast<GraphView*>(widget)) {
        // A list drawn as a graph (the Overview): opening a node is double-clicking its line.
        graph->activated = [this, name](int node) {
            Act([&] {
                form_.UserSelect(name, {node});
                form_.UserDoubleClick(name);
            });
        };
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        HoldAnyLength(*edit);
        connect(edit, &QLineEdit::textEdited, this, [this, name, edit](const QString& edited) {
            QString text = edited;
            // An undo or a redo (which leaves steps to redo, where any other edit ends them) gives back a
            // text the box held: its breaks are the loaded value's, or blanks already.
            if (!edit->isRedoAvailable() && std::any_of(text.begin(), text.end(), IsLineBreak))
                text = BlankInsertedBreaks(*edit, Q(form_.control(name).text));
            Act([&] { form_.UserSetText(name, S(text)); });
        });
        edit->installEventFilter(this);
    } else if (auto* choice = qobject_cast<QComboBox*>(widget)) {
        // A text box that offers lines to choose from (the masters opened lately): it shows the logic's
        // text, which is typed nowhere; choosing a line is selecting it.
        // Its width is the layout's, not that of the longest line ever offered: one long path opened once
        // would otherwise hold the window at least as wide as that path, up to the whole screen.
        choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // Its lines have no icons: no room is kept for one, so it stands as high as a text box.
        choice->setIconSize(QSize(0, 0));
        choice->setEditable(true);
        HoldAnyLength(*choice->lineEdit());
        choice->setInsertPolicy(QComboBox::NoInsert);
        choice->lineEdit()->setReadOnly(true);
        // A line is chosen in the list alone. The combo box also "activates" the line that matches its
        // text whenever its text box finishes editing (Return, or the focus going to the question that
        // the choice itself asks) and through its completer: a second command for one key, or for none.
        choice->setCompleter(nullptr);
        disconnect(choice->lineEdit(), &QLineEdit::editingFinished, choice, nullptr);
        connect(choice, &QComboBox::activated, this,
                [this, name](int index) { Act([&] { form_.UserSelect(name, {index}); }); });
    } else if (auto* browser = qobject_cast<QTextBrowser*>(widget)) {
        // A text to read (the help): Tab leaves it; links open in the desktop's browser.
        browser->setTabChangesFocus(true);
        browser->setOpenExternalLinks(true);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        // A box of lines in a form: Tab goes on to the next field rather than into the text.
        text->setTabChangesFocus(true);
        connect(text, &QPlainTextEdit::textChanged, this,
                [this, name, text] { Act([&] { form_.UserSetText(name, ToLogicLines(*text)); }); });
        text->installEventFilter(this);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (control.indentPerLevel > 0) {
            // Lines of one size would all take the first line's width and cut deep ones to "…": each line is
            // measured, a batch at a time, so that thousands of them cost no wait before the window shows.
            // A batch is a screenful or two; measuring a line takes as long as shaping its text, so a larger
            // first batch only holds up the window, and a later one the keys and clicks.
            list->setLayoutMode(QListView::Batched);
            list->setBatchSize(50);
        } else {
            list->setUniformItemSizes(true);
        }
        list->setSelectionMode(control.multiSelect ? QAbstractItemView::ExtendedSelection
                                                   : QAbstractItemView::SingleSelection);
        connect(list, &QListWidget::itemSelectionChanged, this, [this, name, list] {
            std::vector<int> rows;
            for (const QModelIndex& index : list->selectionModel()->selectedIndexes())
                rows.push_back(index.row());
            Act([&] { form_.UserSelect(name, rows); });
        });
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, name] { Act([&] { form_.UserDoubleClick(name); }); });
        list->installEventFilter(this);
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        radio->setStyle(OptionStyle());
        GroupOf(control, radio);
        connect(radio, &QRadioButton::clicked, this, [this, name, radio] { ClickedCheckable(name, radio); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        check->setStyle(OptionStyle());
        connect(check, &QCheckBox::clicked, this, [this, name, check] { ClickedCheckable(name, check); });
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        const bool isDefault = name == form_.defaultButton();
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        connect(button, &QPushButton::clicked, this, [this, name] { Act([&] { form_.UserClick(name); }); });
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        // The logic's caption, shown as it is: never read as markup.
        label->setTextFormat(Qt::PlainText);
    }
}

void FormWindow::ClickedCheckable(const std::string& name, QWidget* widget) {
    Act([&] { form_.UserClick(name); });
    // The widget has toggled itself, and the logic may have decided otherwise: the screen shows what the
    // logic holds, which is what will be saved.
    if (!form_.IsClosed()) Apply(form_.control(name), widget);
}

void FormWindow::ApplyOption(const pv::Control& control, QAbstractButton* option) {
    QButtonGroup* group = option->group();
    if (control.checked) {
        option->setChecked(true);
    } else if (option->isChecked()) {
        // An exclusive group keeps one option on; the logic may want none (a value it does not know).
        if (group) group->setExclusive(false);
        option->setChecked(false);
        if (group) group->setExclusive(true);
    }
}

void FormWindow::Apply(const pv::Control& control, QWidget* widget) {
    const QSignalBlocker blocker(widget);
    widget->setToolTip(Q(control.tooltip));
    widget->setEnabled(control.enabled);
    if (auto* graph = dynamic_cast<GraphView*>(widget)) {
        graph->setGraph(control.text, control.items);
        // The node the logic holds selected is where the keys go on from (the one opened, once redrawn).
        if (control.selection.size() == 1) graph->setCurrent(control.selection.front());
        graph->setAccessibleName(Q(control.accessibleName));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != Q(control.text)) edit->setText(Q(control.text));
        edit->setReadOnly(control.readOnly);
        // A read-only name box is not where typing starts: the first focus and Tab pass it by.
        edit->setFocusPolicy(control.readOnly ? Qt::ClickFocus : Qt::StrongFocus);
        edit->setEchoMode(control.password ? QLineEdit::Password : QLineEdit::Normal);
        if (control.password) {
            // One for the whole program, never destroyed: a widget may use it until its very end.
            static PasswordStyle* const passwordStyle = new PasswordStyle;
            if (edit->style() != passwordStyle) edit->setStyle(passwordStyle);
        }
    } else if (auto* choice = qobject_cast<QComboBox*>(widget)) {
        QStringList items;
        for (const auto& item : control.items) items.push_back(Q(item));
        bool same = choice->count() == items.size();
        for (int i = 0; same && i < choice->count(); ++i) same = choice->itemText(i) == items[i];
        if (!same) {
            choice->clear();
            choice->addItems(items);
        }
        choice->setCurrentIndex(-1);
        choice->lineEdit()->setText(Q(control.text));
        // The combo box selects the text it is given; the box is read, not typed over. A path longer than
        // the box shows its end, the file's name, as the other name boxes do.
        choice->lineEdit()->deselect();
        choice->lineEdit()->end(false);
        // As a read-only name box: not where typing starts, so the first focus and Tab pass it by; its
        // label's access key reaches it, and Alt+Down opens its list.
        choice->setFocusPolicy(control.readOnly ? Qt::ClickFocus : Qt::StrongFocus);
    } else if (auto* browser = qobject_cast<QTextBrowser*>(widget)) {
        // The text is Markdown, shown rendered.
        if (browser->property("markdown").toString() != Q(control.text)) {
            browser->setProperty("markdown", Q(control.text));
            browser->setMarkdown(Q(control.text));
        }
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        // Only a real change is applied, so typing keeps its cursor.
        if (AsBlocks(text->document()->toRawText()) != AsBlocks(Q(control.text)))
            text->setPlainText(ToWidgetLines(control.text));
        text->setReadOnly(control.readOnly);
        // A read-only text is still there to be selected and copied, with the keyboard too.
        if (control.readOnly)
            text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        // An entry is one line: a line break in it (a name the file holds with "&#10;") is a blank, as a
        // text box shows it, not a second line the entry's height cuts off.
        const auto line = [](const std::string& item) {
            QString text = ToRead(item);
            if (item.find('\n') != std::string::npos || item.find('\r') != std::string::npos) {
                text.replace(QLatin1Char('\r'), QLatin1Char(' '));
                text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            }
            return text;
        };
        // Only this binding fills a list, so the entries it gave last are what the list holds: a selection
        // compares them, not 5,000 entries read back and converted.
        std::vector<std::string>& shown = listItems_[list];
        if (list->count() != static_cast<int>(shown.size()) || shown != control.items) {
            QStringList items;
            items.reserve(static_cast<int>(control.items.size()));
            for (const auto& item : control.items) items.push_back(line(item));
            list->clear();
            list->addItems(items);
            shown = control.items;
            if (control.indentPerLevel > 0) AnnounceLevels(list, control.indentPerLevel);
        }
        std::vector<int> rows;
        rows.reserve(control.selection.size());
        for (const int row : control.selection) {
            if (row >= 0 && row < list->count()) rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        // The rows the list shows selected. When the logic holds just those (it took them from the user),
        // the list is left as it is: Qt's selection in the making and its current row are where Shift+click
        // and Shift+arrow go on from.
        std::vector<int> selected;
        for (const QItemSelectionRange& range : list->selectionModel()->selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row) selected.push_back(row);
        }
        std::sort(selected.begin(), selected.end());
        selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
        if (selected != rows) {
            // One selection of whole runs of rows: rows selected one by one are each merged into the ranges
            // before them, which takes the square of their number (seconds for "select all" of 8,000 fields).
            QItemSelection selection;
            const QAbstractItemModel* model = list->model();
            for (size_t first = 0, last = 0; first < rows.size(); first = ++last) {
                while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) ++last;
                selection.select(model->index(rows[first], 0), model->index(rows[last], 0));
            }
            list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
            // Taken as made, not as the selection the user is still making: Qt's Shift+click replaces the
            // latter, which would drop every row picked before it with Ctrl.
            list->selectionModel()->select(QItemSelection(), QItemSelectionModel::Select);
            if (!control.selection.empty()) {
                list->setCurrentRow(control.selection.front(), QItemSelectionModel::NoUpdate);
                // The first line of a list scrolled to its top is in view already: finding where a line is
                // lays out the whole list, 5,000 categories of it.
                if (control.selection.front() > 0 || list->verticalScrollBar()->value() > 0)
                    list->scrollToItem(list->item(control.selection.front()));
            }
        }
        if (control.selection.empty() && list->hasFocus() && list->count() > 0) {
            // A focused list always shows a selected line; after the logic is done with its change.
            const std::string name = control.name;
            QTimer::singleShot(0, this, [this, name] { EnsureListSelection(name); });
        }
    } else if (ShowsCaption(widget)) {
        ApplyCaption(control, widget);
        if (control.row >= 0) FitRowCaption(control, widget);
        if (auto* option = qobject_cast<QRadioButton*>(widget)) {
            ApplyOption(control, option);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
            button->setChecked(control.checked);
        } else if (buddies_.count(widget)) {
            NameField(static_cast<QLabel*>(widget));
        }
    }
    if (!control.accessibleName.empty()) widget->setAccessibleName(Q(control.accessibleName));
    widget->setHidden(!control.visible);
    if (auto* option = qobject_cast<QAbstractButton*>(widget); option && option->group()) {
        UpdateGroupTabStop(option->group());
    }
}

void FormWindow::UpdateContainers(const QWidget* changed) {
    for (QWidget* container : containers_) {
        if (changed && !container->isAncestorOf(changed)) continue;
        bool anyVisible = false;
        bool anyControl = false;
        for (const auto& [name, widget] : widgets_) {
            if (!container->isAncestorOf(widget)) continue;
            anyControl = true;
            if (form_.control(name).visible) {
                anyVisible = true;
                break;
            }
        }
        if (anyControl) container->setHidden(!anyVisible);
    }
}

void FormWindow::ControlChanged(const pv::Control& control) {
    auto found = widgets_.find(control.name);
    if (found == widgets_.end()) {
        // A control of a part not made yet: made once the logic shows it, with the logic's state of every
        // control in it, and then shown as if it had been there all along, the window growing by its height.
        if (!control.visible || std::find(pending_.begin(), pending_.end(), control.name) == pending_.end())
            return;
        BeginBatch();
        MakeParts();
        return;
    }
    QWidget* widget = found->second;
    const bool showsOrHides = widget->isHidden() != !control.visible;
    if (showsOrHides) BeginBatch();
    // A new caption ("Advanced Settings" becomes "Basic Settings") needs a key of its own letters.
    const bool recaptioned =
        accessKeys_.count(widget) && WithoutAccessKey(CaptionShown(widget)) != Q(control.text);
    Apply(control, widget);
    if (showsOrHides) UpdateContainers(widget);
    if (recaptioned) ChooseAccessKeys();
}

void FormWindow::Act(const std::function<void()>& action) {
    ++acting_;
    action();
    if (--acting_ == 0) EndBatch();
}

void FormWindow::BeginBatch() {
    if (batch_) return;
    batch_ = true;
    // What the window looked like before the logic began to show and hide things.
    heightBefore_ = content_ ? ContentHeight(false) : 0;
    hiddenBefore_.clear();
    for (QWidget* container : containers_) hiddenBefore_.push_back(container->isHidden());
    // Changes made outside a user's action end when the program is back in its event loop.
    if (acting_ == 0) QTimer::singleShot(0, this, [this] { EndBatch(); });
}

void FormWindow::EndBatch() {
    if (!batch_) return;
    batch_ = false;
    bool folded = false;
    for (size_t i = 0; i < containers_.size() && i < hiddenBefore_.size(); ++i) {
        folded = folded || hiddenBefore_[i] != containers_[i]->isHidden();
    }
    if (folded && content_) Refold();
}

void FormWindow::FormClosed() {
    done(QDialog::Accepted);
}

void FormWindow::CaptionChanged(const std::string& caption) {
    setWindowTitle(ToRead(caption));
}

void FormWindow::FocusRequested(const std::string& name) {
    QWidget* widget = BoundWidget(name);
    if (!widget || !widget->isEnabled() || !widget->isVisibleTo(this)) return;
    if (auto* option = qobject_cast<QAbstractButton*>(widget); option && option->group()) {
        // The group's stop: the selected option, or the first.
        for (QAbstractButton* button : option->group()->buttons()) {
            if (button->focusPolicy() & Qt::TabFocus) widget = button;
        }
    }
    widget->setFocus(Qt::OtherFocusReason);
    for (QWidget* ancestor = widget->parentWidget(); ancestor && ancestor != this;
         ancestor = ancestor->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(ancestor)) scroll->ensureWidgetVisible(widget);
    }
}

void FormWindow::reject() {
    // The Escape key presses the window's cancel button.
    Act([this] { form_.UserPressEscape(); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
    bool closes = form_.IsClosed();
    if (!closes) Act([&] { closes = form_.UserRequestClose(); });
    if (!closes) {
        event->ignore();
        return;
    }
    // Not QDialog::closeEvent: it would press Escape and ask the question a second time.
    event->accept();
}

void FormWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) ApplyColourRule(this);
    QDialog::changeEvent(event);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) RowAreaResized(watched);
    return KeyboardEvent(watched, event) || QDialog::eventFilter(watched, event);
}

void FormWindow::PressIfUsable(const std::string& button) {
    if (!form_.HasControl(button) || form_.IsClosed()) return;
    if (form_.Enabled(button) && form_.Visible(button)) Act([&] { form_.UserClick(button); });
}

}  // namespace pv::ui
