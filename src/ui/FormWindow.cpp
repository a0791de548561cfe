#include "ui/FormWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <tuple>

#include "ui/AccessKeys.h"
#include "ui/LayoutReading.h"
#include "ui/WindowLayouts.h"

namespace pv::ui {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

// Multi-line texts hold CR LF in the logic, as in the files; the text widget works with LF.
QString ToWidgetLines(const std::string& text) {
    return Q(text).replace("\r\n", "\n");
}

std::string ToLogicLines(const QString& text) {
    return S(QString(text).replace("\n", "\r\n"));
}

bool IsControlWidget(QWidget* widget, const pv::Form& form) {
    return form.HasControl(S(widget->objectName()));
}

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// The caption a widget shows, with its access key marker.
QString CaptionShown(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    return QString();
}

}  // namespace

int PasswordStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    // Password boxes show "*" for every character, whatever the platform's style would use.
    if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void SelectAllText(QLineEdit* textBox) {
    if (textBox != nullptr) textBox->selectAll();
}

QSize FormWindow::frameAllowance() {
    return {16, 48};
}

FormWindow::FormWindow(pv::Form& form, QWidget* parent) : QDialog(parent), form_(form) {
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
    setWindowTitle(Q(form.caption()));

    for (const std::string& name : form.ControlNames()) {
        QWidget* widget = findChild<QWidget*>(Q(name));
        if (widget == nullptr) {
            missing_.push_back(name);
            continue;
        }
        widgets_.emplace(name, widget);
        names_.emplace(widget, name);
        Bind(form.control(name), widget);
    }
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->objectName().startsWith("frame") && !IsControlWidget(widget, form)) {
            containers_.push_back(widget);
        }
        // An area that scrolls rows is not a stop of its own: Tab goes to the rows in it.
        if (widget->metaObject() == &QScrollArea::staticMetaObject) widget->setFocusPolicy(Qt::NoFocus);
    }
    for (const std::string& name : form.ControlNames()) {
        if (auto found = widgets_.find(name); found != widgets_.end())
            Apply(form.control(name), found->second);
    }
    for (const pv::RowSet& rows : form.RowSets()) LayOutRows(rows);
    UpdateContainers();
    WrapInScrollArea();
    ApplyBoxColours();
    ArrangeKeyboard();

    if (form.HasControl(form.saveButton())) {
        connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
                [this] { PressIfUsable(form_.saveButton()); });
    }
    if (form.HasControl(form.reloadButton())) {
        connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this,
                [this] { PressIfUsable(form_.reloadButton()); });
    }

    form_.SetObserver(this);
    if (content_) {
        const QSize hint = content_->sizeHint().expandedTo(designed);
        wantedHeight_ = hint.height();
        UpdateMinimumSize();
        ResizeTo(hint);
    }
}

FormWindow::~FormWindow() {
    form_.SetObserver(nullptr);
}

QWidget* FormWindow::controlWidget(const std::string& name) const {
    const auto found = widgets_.find(name);
    return found == widgets_.end() ? nullptr : found->second;
}

QLabel* FormWindow::labelOf(const QWidget* field) const {
    for (const auto& [label, described] : buddies_) {
        if (described == field) return qobject_cast<QLabel*>(const_cast<QWidget*>(label));
    }
    return nullptr;
}

void FormWindow::Bind(const pv::Control& control, QWidget* widget) {
    const std::string name = control.name;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& text) { Act([&] { form_.UserSetText(name, S(text)); }); });
        if (form_.selectAllOnFocus()) edit->installEventFilter(this);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        // A box of lines in a form: Tab goes on to the next field rather than into the text.
        text->setTabChangesFocus(true);
        connect(text, &QPlainTextEdit::textChanged, this, [this, name, text] {
            Act([&] { form_.UserSetText(name, ToLogicLines(text->toPlainText())); });
        });
        if (form_.selectAllOnFocus()) text->installEventFilter(this);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        list->setUniformItemSizes(true);
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
        GroupOf(control, radio);
        connect(radio, &QRadioButton::clicked, this, [this, name, radio] { ClickedCheckable(name, radio); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
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

void FormWindow::UpdateGroupTabStop(QButtonGroup* group) {
    // One Tab stop per group, on the selected option (or the first usable one); the arrow keys move within.
    QAbstractButton* stop = group->checkedButton();
    if (!stop || !stop->isEnabled() || stop->isHidden()) {
        stop = nullptr;
        for (QAbstractButton* button : group->buttons()) {
            if (button->isEnabled() && !button->isHidden()) {
                stop = button;
                break;
            }
        }
    }
    for (QAbstractButton* button : group->buttons()) {
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
    // A label that describes the group takes the user to its stop.
    for (auto& [label, described] : buddies_) {
        if (!described || !described->isAncestorOf(stop ? stop : group->buttons().value(0))) continue;
        if (stop) const_cast<QLabel*>(qobject_cast<const QLabel*>(label))->setBuddy(stop);
    }
}

void FormWindow::ApplyCaption(const pv::Control& control, QWidget* widget) {
    const QString caption = Q(control.text);
    const auto key = accessKeys_.find(widget);
    const int position = key == accessKeys_.end() ? -1 : key->second;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(WithAccessKey(caption, position));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        // A label without a field shows "&" as it is; one with a field marks its access key.
        label->setText(label->buddy() ? WithAccessKey(caption, position) : caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(WithAccessKey(caption, position));
    }
}

void FormWindow::Apply(const pv::Control& control, QWidget* widget) {
    const QSignalBlocker blocker(widget);
    widget->setToolTip(Q(control.tooltip));
    widget->setEnabled(control.enabled);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
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
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        // Only a real change is applied, so typing keeps its cursor.
        if (text->toPlainText() != ToWidgetLines(control.text))
            text->setPlainText(ToWidgetLines(control.text));
        text->setReadOnly(control.readOnly);
        // A read-only text is still there to be selected and copied, with the keyboard too.
        if (control.readOnly)
            text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        bool same = list->count() == static_cast<int>(control.items.size());
        for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == Q(control.items[i]);
        if (!same) {
            QStringList items;
            items.reserve(static_cast<int>(control.items.size()));
            for (const auto& item : control.items) items.push_back(Q(item));
            list->clear();
            list->addItems(items);
        }
        list->clearSelection();
        for (const int row : control.selection) {
            if (QListWidgetItem* item = list->item(row)) item->setSelected(true);
        }
        if (!control.selection.empty()) {
            list->setCurrentRow(control.selection.front(), QItemSelectionModel::NoUpdate);
            list->scrollToItem(list->item(control.selection.front()));
        } else if (list->hasFocus() && list->count() > 0) {
            // A focused list always shows a selected line; after the logic is done with its change.
            const std::string name = control.name;
            QTimer::singleShot(0, this, [this, name] { EnsureListSelection(name); });
        }
    } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
        ApplyCaption(control, option);
        ApplyOption(control, option);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        ApplyCaption(control, button);
        if (button->isCheckable()) button->setChecked(control.checked);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        ApplyCaption(control, label);
        if (buddies_.count(label)) NameField(label);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        ApplyCaption(control, group);
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

void FormWindow::LayOutRows(const pv::RowSet& rows) {
    auto found = std::find_if(rowAreas_.begin(), rowAreas_.end(),
                              [&](const RowArea& a) { return a.set == rows.name; });
    if (found == rowAreas_.end()) {
        RowArea area;
        area.set = rows.name;
        area.scroll = findChild<QScrollArea*>(Q("rows" + rows.name));
        area.content = area.scroll ? area.scroll->widget() : nullptr;
        if (area.content == nullptr || WindowLayouts().count("row" + rows.name) == 0) {
            // Without an area or a row layout the rows cannot be shown: the layout test reports their
            // controls.
            for (const auto& column : rows.columns) missing_.push_back(pv::Form::RowControl(column.name, 0));
            return;
        }
        area.scroll->setWidgetResizable(true);
        area.scroll->viewport()->installEventFilter(this);
        const std::string set = rows.name;
        connect(area.scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, set] {
            for (RowArea& a : rowAreas_) {
                if (a.set == set) MakeRows(a);
            }
        });
        rowAreas_.push_back(std::move(area));
        found = rowAreas_.end() - 1;
    }
    RowArea& area = *found;
    while (static_cast<int>(area.rows.size()) > rows.count) {
        const int row = static_cast<int>(area.rows.size()) - 1;
        for (const auto& column : rows.columns) {
            const auto found = widgets_.find(pv::Form::RowControl(column.name, row));
            if (found == widgets_.end()) continue;
            names_.erase(found->second);
            buddies_.erase(found->second);
            widgets_.erase(found);
        }
        delete area.rows.back();
        area.rows.pop_back();
    }
    if (area.rowHeight == 0 && rows.count > 0) {
        // The first row tells how high every row is.
        const QWidget* first = MakeRow(area, 0);
        area.rowHeight = std::max(first->sizeHint().height(), first->minimumHeight()) + 4;
    }
    area.content->setMinimumHeight(rows.count * area.rowHeight);
    MakeRows(area);
}

void FormWindow::MakeRows(RowArea& area, int lastRow) {
    const int count = form_.RowCount(area.set);
    if (lastRow < 0 && area.rowHeight > 0) {
        // What is visible and a screenful more, so that Tab and the scroll wheel always find a row made.
        const int bottom =
            area.scroll->verticalScrollBar()->value() + 2 * std::max(area.scroll->viewport()->height(), 200);
        lastRow = bottom / area.rowHeight;
    }
    lastRow = std::min(lastRow, count - 1);
    while (static_cast<int>(area.rows.size()) <= lastRow) MakeRow(area, static_cast<int>(area.rows.size()));
}

QWidget* FormWindow::MakeRow(RowArea& area, int row) {
    const pv::RowSet& rows = form_.rowSet(area.set);
    auto* rowWidget = new QWidget(area.content);
    rowWidget->setObjectName(Q(rows.name + "(" + std::to_string(row) + ")"));
    WindowLayouts().at("row" + rows.name)(rowWidget);
    for (const auto& column : rows.columns) {
        const std::string name = pv::Form::RowControl(column.name, row);
        QWidget* widget = rowWidget->findChild<QWidget*>(Q(column.name));
        if (widget == nullptr) {
            missing_.push_back(name);
            continue;
        }
        widget->setObjectName(Q(name));
        widgets_[name] = widget;
        names_[widget] = name;
        Bind(form_.control(name), widget);
        Apply(form_.control(name), widget);
    }
    ArrangeRow(rowWidget);
    ApplyBoxColours(rowWidget);
    area.rows.push_back(rowWidget);
    if (area.rowHeight > 0) {
        rowWidget->setGeometry(0, row * area.rowHeight, area.content->width(), area.rowHeight - 4);
    }
    rowWidget->show();
    return rowWidget;
}

void FormWindow::PlaceRows(RowArea& area) {
    for (size_t row = 0; row < area.rows.size(); ++row) {
        area.rows[row]->setGeometry(0, static_cast<int>(row) * area.rowHeight, area.content->width(),
                                    area.rowHeight - 4);
    }
}

QWidget* FormWindow::rowControlWidget(const std::string& name) {
    if (!form_.HasControl(name)) return nullptr;
    const pv::Control& control = form_.control(name);
    for (RowArea& area : rowAreas_) {
        const auto& columns = form_.rowSet(area.set).columns;
        const bool ours = std::any_of(columns.begin(), columns.end(), [&](const pv::RowColumn& column) {
            return column.name == control.column;
        });
        if (!ours) continue;
        MakeRows(area, control.row);
        QWidget* widget = controlWidget(name);
        if (widget != nullptr) area.scroll->ensureWidgetVisible(widget);
        return widget;
    }
    return nullptr;
}

namespace {

bool TakesTab(const QWidget* widget) {
    return widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
}

// The widgets of a row that Tab stops at, in column order.
std::vector<QWidget*> TabStops(QWidget* row) {
    std::vector<QWidget*> stops;
    for (QWidget* widget : row->findChildren<QWidget*>()) {
        if (TakesTab(widget)) stops.push_back(widget);
    }
    return stops;
}

}  // namespace

QWidget* FormWindow::TabTarget(QWidget* from, bool next) {
    // Rows are made after every other widget and so stand at the end of Qt's focus chain; Tab visits them
    // where their area stands instead, row by row, making the next row when it is reached.
    for (RowArea& area : rowAreas_) {
        if (!area.content->isAncestorOf(from)) continue;
        QWidget* row = from;
        while (row->parentWidget() != area.content) row = row->parentWidget();
        int index = static_cast<int>(std::find(area.rows.begin(), area.rows.end(), row) - area.rows.begin());
        std::vector<QWidget*> stops = TabStops(row);
        auto at = std::find(stops.begin(), stops.end(), from);
        if (at != stops.end() && (next ? at + 1 != stops.end() : at != stops.begin()))
            return next ? *(at + 1) : *(at - 1);
        const int count = form_.RowCount(area.set);
        for (index += next ? 1 : -1; index >= 0 && index < count; index += next ? 1 : -1) {
            MakeRows(area, index);
            stops = TabStops(area.rows[index]);
            if (!stops.empty()) return next ? stops.front() : stops.back();
        }
        return OutsideRows(area.scroll, next);
    }
    return OutsideRows(from, next);
}

QWidget* FormWindow::OutsideRows(QWidget* from, bool next) {
    QWidget* widget = from;
    for (;;) {
        widget = next ? widget->nextInFocusChain() : widget->previousInFocusChain();
        if (widget == from) return nullptr;
        const auto area = std::find_if(rowAreas_.begin(), rowAreas_.end(),
                                       [&](const RowArea& a) { return a.scroll == widget; });
        if (area != rowAreas_.end() && form_.RowCount(area->set) > 0) {
            // Entering the rows: the first from above, the last from below.
            const int count = form_.RowCount(area->set);
            for (int index = next ? 0 : count - 1; index >= 0 && index < count; index += next ? 1 : -1) {
                MakeRows(*area, index);
                const std::vector<QWidget*> stops = TabStops(area->rows[index]);
                if (!stops.empty()) return next ? stops.front() : stops.back();
            }
            continue;
        }
        const bool inRows = std::any_of(rowAreas_.begin(), rowAreas_.end(),
                                        [&](const RowArea& a) { return a.scroll->isAncestorOf(widget); });
        if (!inRows && widget->window() == this && TakesTab(widget)) return widget;
    }
}

bool FormWindow::focusNextPrevChild(bool next) {
    QWidget* from = focusWidget();
    if (rowAreas_.empty() || from == nullptr) return QDialog::focusNextPrevChild(next);
    QWidget* target = TabTarget(from, next);
    if (target == nullptr) return QDialog::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    for (RowArea& area : rowAreas_) {
        if (area.content->isAncestorOf(target)) area.scroll->ensureWidgetVisible(target);
    }
    return true;
}

void FormWindow::RowsChanged(const pv::RowSet& rows) {
    LayOutRows(rows);
}

void FormWindow::WrapInScrollArea() {
    QLayout* top = layout();
    if (!top) return;
    content_ = new QWidget;
    content_->setObjectName("windowContent");
    // Takes the layout and every widget in it away from the window.
    content_->setLayout(top);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("windowScrollArea");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setWidget(content_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);

    for (QAbstractScrollArea* box : content_->findChildren<QAbstractScrollArea*>()) {
        // Four lines of text, or about three rows of a row area.
        const int least = 4 * box->fontMetrics().lineSpacing() + 2 * box->frameWidth();
        if (box->minimumHeight() > least) yielding_.push_back({box, box->minimumHeight(), least});
    }
}

QSize FormWindow::Room() const {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return screen->availableGeometry().size() - frameAllowance();
}

int FormWindow::ContentHeightHint() {
    for (QLayout* inner : content_->findChildren<QLayout*>()) inner->invalidate();
    content_->layout()->invalidate();
    content_->layout()->activate();
    return content_->sizeHint().height();
}

int FormWindow::ContentMinimumHeight() {
    for (QLayout* inner : content_->findChildren<QLayout*>()) inner->invalidate();
    content_->layout()->invalidate();
    content_->layout()->activate();
    return content_->minimumSizeHint().height();
}

void FormWindow::GiveWayToScreen(int roomHeight) {
    for (const Yielding& box : yielding_) box.box->setMinimumHeight(box.designed);
    if (yielding_.empty() || ContentMinimumHeight() <= roomHeight) return;
    // Every box gives up the same height (boxes side by side then still line up), as little as lets the
    // content fit: the least cut found by halving, each box stopping at its fewest lines.
    int most = 0;
    for (const Yielding& box : yielding_) most = std::max(most, box.designed - box.least);
    const auto cutBy = [this](int cut) {
        for (const Yielding& box : yielding_)
            box.box->setMinimumHeight(std::max(box.least, box.designed - cut));
    };
    int low = 0;
    int high = most;
    while (low < high) {
        const int cut = (low + high) / 2;
        cutBy(cut);
        if (ContentMinimumHeight() <= roomHeight) {
            high = cut;
        } else {
            low = cut + 1;
        }
    }
    cutBy(low);
}

void FormWindow::ResizeTo(QSize size) {
    const QSize room = Room();
    QSize fitted = size.boundedTo(room);
    if (fitted.height() < size.height() && content_->minimumSizeHint().height() > fitted.height()) {
        // The scroll bar that then appears takes its width beside the content, not from it.
        fitted.setWidth(
            std::min(room.width(), fitted.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
    }
    fitted = fitted.expandedTo(minimumSize());
    requestedSize_ = fitted;
    ++adjusting_;
    resize(fitted);
    --adjusting_;
}

void FormWindow::UpdateMinimumSize() {
    // Never smaller than the content needs, unless the screen itself is smaller: then the content scrolls.
    const QSize room = Room();
    GiveWayToScreen(room.height());
    QSize least = content_->minimumSizeHint();
    if (least.height() > room.height()) least.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ++adjusting_;
    setMinimumSize(least.boundedTo(room));
    --adjusting_;
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    // A size the user chose is the one folding keeps; the sizes this window asked for are not.
    if (!adjusting_ && event->size() != requestedSize_) wantedHeight_ = event->size().height();
    QDialog::resizeEvent(event);
}

void FormWindow::ControlChanged(const pv::Control& control) {
    const auto found = widgets_.find(control.name);
    if (found == widgets_.end()) return;
    QWidget* widget = found->second;
    const bool showsOrHides = widget->isHidden() != !control.visible;
    if (showsOrHides) BeginBatch();
    // A new caption ("Advanced Settings" becomes "Basic Settings") needs a key of its own letters.
    const auto key = accessKeys_.find(widget);
    const bool recaptioned =
        key != accessKeys_.end() && WithoutAccessKey(CaptionShown(widget)) != Q(control.text);
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
    heightBefore_ = content_ ? ContentHeightHint() : 0;
    hiddenBefore_.clear();
    for (QWidget* container : containers_) hiddenBefore_.push_back(container->isHidden());
    // Changes made outside a user's action end when the program is back in its event loop.
    if (acting_ == 0) QTimer::singleShot(0, this, [this] { EndBatch(); });
}

void FormWindow::EndBatch() {
    if (!batch_) return;
    batch_ = false;
    if (!keysForAll_) ChooseAccessKeys();
    bool folded = false;
    for (size_t i = 0; i < containers_.size() && i < hiddenBefore_.size(); ++i) {
        folded = folded || hiddenBefore_[i] != containers_[i]->isHidden();
    }
    if (!folded || !content_) return;
    // An area folded in or out: the window grows or shrinks by its height and keeps the height chosen for
    // the rest, so folding back returns to exactly the same height.
    wantedHeight_ += ContentHeightHint() - heightBefore_;
    UpdateMinimumSize();
    ResizeTo({width(), wantedHeight_});
}

void FormWindow::FormClosed() {
    done(QDialog::Accepted);
}

void FormWindow::CaptionChanged(const std::string& caption) {
    setWindowTitle(Q(caption));
}

void FormWindow::FocusRequested(const std::string& name) {
    QWidget* widget = controlWidget(name);
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

std::vector<QWidget*> FormWindow::VisualOrder() const {
    std::vector<QWidget*> order;
    if (content_) {
        WalkWidget(content_, order);
    } else if (layout()) {
        WalkLayout(layout(), order);
    }
    // Controls outside every layout come last, in the order the logic declares them.
    for (const std::string& name : form_.ControlNames()) {
        QWidget* widget = controlWidget(name);
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

void FormWindow::ArrangeKeyboard() {
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
        if (!keysForAll_ && !widget->isVisibleTo(this)) continue;
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
        widgets.push_back(widget);
        requests.push_back({caption, rank});
    }
    const std::vector<int> keys = pv::ui::ChooseAccessKeys(requests);
    bool allServed = true;
    for (size_t i = 0; i < keys.size(); ++i) allServed = allServed && (keys[i] >= 0 || requests[i].rank == 2);
    if (keysForAll_ && !allServed) {
        // More captions than letters: the keys go to what is shown, and follow when that changes.
        keysForAll_ = false;
        ChooseAccessKeys();
        return;
    }
    accessKeys_.clear();
    for (size_t i = 0; i < widgets.size(); ++i) accessKeys_[widgets[i]] = keys[i];
    for (const auto& [name, widget] : widgets_) {
        const pv::Control& control = form_.control(name);
        if (control.row < 0 && (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget) ||
                                qobject_cast<QGroupBox*>(widget))) {
            ApplyCaption(control, widget);
        }
    }
}

void FormWindow::ApplyBoxColours(QWidget* root) {
    // One rule for every text box: enabled ones in the palette's colours (white behind black in a light
    // palette), disabled ones on a grey of their own. Both colours of each pair are set, so a box stays
    // readable under any palette.
    const QPalette app = QApplication::palette();
    const bool light = app.color(QPalette::Active, QPalette::Base).lightness() >=
                       app.color(QPalette::Active, QPalette::Text).lightness();
    const QColor base = light ? QColor(Qt::white) : app.color(QPalette::Active, QPalette::Base);
    const QColor text = light ? QColor(Qt::black) : app.color(QPalette::Active, QPalette::Text);
    const QColor disabledBase = light ? QColor(240, 240, 240) : app.color(QPalette::Active, QPalette::Window);
    const QColor disabledText = Blend(text, disabledBase, 0.6);
    for (QWidget* widget : (root ? root : this)->findChildren<QWidget*>()) {
        if (!IsTextInput(widget)) continue;
        QPalette palette = widget->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Base, base);
            palette.setColor(group, QPalette::Text, text);
        }
        palette.setColor(QPalette::Disabled, QPalette::Base, disabledBase);
        palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
        widget->setPalette(palette);
    }
}

void FormWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) ApplyBoxColours();
    QDialog::changeEvent(event);
}

QWidget* FormWindow::firstField() const {
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
    if (QWidget* main = controlWidget(form_.defaultButton()); main && usable(main)) return main;
    for (QWidget* widget : order) {
        auto* button = qobject_cast<QPushButton*>(widget);
        if (button && usable(button) && HasLetterOrDigit(button->text())) return button;
    }
    return nullptr;
}

void FormWindow::showEvent(QShowEvent* event) {
    if (!shownOnce_) {
        shownOnce_ = true;
        if (QWidget* first = firstField()) first->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
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

void FormWindow::PressIfUsable(const std::string& button) {
    if (!form_.HasControl(button) || form_.IsClosed()) return;
    if (form_.Enabled(button) && form_.Visible(button)) Act([&] { form_.UserClick(button); });
}

void FormWindow::EnsureListSelection(const std::string& name) {
    auto* list = qobject_cast<QListWidget*>(controlWidget(name));
    if (!list || form_.IsClosed() || list->count() == 0 || !list->selectedItems().isEmpty()) return;
    const int row = list->currentRow() >= 0 ? list->currentRow() : 0;
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void FormWindow::ListKeyPressed(const std::string& name, QKeyEvent* event) {
    const pv::Control& control = form_.control(name);
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter) {
        if (form_.ActsOnDoubleClick(name)) {
            Act([&] { form_.UserDoubleClick(name); });
            event->accept();
            return;
        }
    } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier &&
               !control.deleteButton.empty()) {
        PressIfUsable(control.deleteButton);
        event->accept();
        return;
    }
    event->ignore();
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (RowArea& area : rowAreas_) {
            if (watched == area.scroll->viewport()) {
                PlaceRows(area);
                MakeRows(area);
            }
        }
    }
    if (event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            QTimer::singleShot(0, edit, [edit] { SelectAllText(edit); });
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(watched)) {
            QTimer::singleShot(0, text, [text] { text->selectAll(); });
        } else if (auto* list = qobject_cast<QListWidget*>(watched)) {
            const auto name = names_.find(list);
            if (name != names_.end()) {
                const std::string control = name->second;
                QTimer::singleShot(0, this, [this, control] { EnsureListSelection(control); });
            }
        }
    } else if (event->type() == QEvent::KeyPress && qobject_cast<QListWidget*>(watched)) {
        const auto name = names_.find(static_cast<QWidget*>(watched));
        if (name != names_.end()) {
            auto* key = static_cast<QKeyEvent*>(event);
            ListKeyPressed(name->second, key);
            if (key->isAccepted()) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pv::ui
