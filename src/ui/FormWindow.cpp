#include "ui/FormWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <QSignalBlocker>
#include <QTimer>

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

FormWindow::FormWindow(pv::Form& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    const auto& layouts = WindowLayouts();
    const auto layout = layouts.find(form.kind());
    if (layout != layouts.end()) layout->second(this);
    setObjectName(Q(form.kind()));
    setWindowTitle(Q(form.caption()));

    for (const std::string& name : form.ControlNames()) {
        QWidget* widget = findChild<QWidget*>(Q(name));
        if (widget == nullptr) {
            missing_.push_back(name);
            continue;
        }
        widgets_.emplace(name, widget);
        Bind(form.control(name), widget);
    }
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->objectName().startsWith("frame") && !IsControlWidget(widget, form)) {
            containers_.push_back(widget);
        }
    }
    for (const std::string& name : form.ControlNames()) {
        if (auto found = widgets_.find(name); found != widgets_.end()) Apply(form.control(name), found->second);
    }
    for (const pv::RowSet& rows : form.RowSets()) LayOutRows(rows);
    UpdateContainers();
    form_.SetObserver(this);
    if (QLayout* top = this->layout()) {
        top->activate();
        resize(sizeHint().expandedTo(minimumSizeHint()));
    }
}

FormWindow::~FormWindow() {
    form_.SetObserver(nullptr);
}

QWidget* FormWindow::controlWidget(const std::string& name) const {
    const auto found = widgets_.find(name);
    return found == widgets_.end() ? nullptr : found->second;
}

void FormWindow::Bind(const pv::Control& control, QWidget* widget) {
    const std::string name = control.name;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            form_.UserSetText(name, S(text));
        });
        if (form_.selectAllOnFocus()) edit->installEventFilter(this);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        connect(text, &QPlainTextEdit::textChanged, this, [this, name, text] {
            form_.UserSetText(name, ToLogicLines(text->toPlainText()));
        });
        if (form_.selectAllOnFocus()) text->installEventFilter(this);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        list->setUniformItemSizes(true);
        list->setSelectionMode(control.multiSelect ? QAbstractItemView::ExtendedSelection
                                                   : QAbstractItemView::SingleSelection);
        connect(list, &QListWidget::itemSelectionChanged, this, [this, name, list] {
            std::vector<int> rows;
            for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) rows.push_back(index.row());
            form_.UserSelect(name, rows);
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, name] { form_.UserDoubleClick(name); });
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        // The logic decides which option is on, including none at all.
        radio->setAutoExclusive(false);
        connect(radio, &QRadioButton::clicked, this, [this, name, radio] { ClickedCheckable(name, radio); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        connect(check, &QCheckBox::clicked, this, [this, name, check] { ClickedCheckable(name, check); });
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        const bool isDefault = name == form_.defaultButton();
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        connect(button, &QPushButton::clicked, this, [this, name] { form_.UserClick(name); });
    }
}

void FormWindow::ClickedCheckable(const std::string& name, QWidget* widget) {
    form_.UserClick(name);
    // The widget has toggled itself, and the logic may have decided otherwise (an option that is already
    // selected stays selected): the screen shows what the logic holds, which is what will be saved.
    if (!form_.IsClosed()) Apply(form_.control(name), widget);
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
        if (text->toPlainText() != ToWidgetLines(control.text)) text->setPlainText(ToWidgetLines(control.text));
        text->setReadOnly(control.readOnly);
        // A read-only text is still there to be selected and copied, with the keyboard too.
        if (control.readOnly) text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(Q(control.text));
        if (button->isCheckable()) button->setChecked(control.checked);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(Q(control.text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(Q(control.text));
    }
    widget->setHidden(!control.visible);
}

void FormWindow::UpdateContainers() {
    for (QWidget* container : containers_) {
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
    auto found = std::find_if(rowAreas_.begin(), rowAreas_.end(), [&](const RowArea& a) { return a.set == rows.name; });
    if (found == rowAreas_.end()) {
        RowArea area;
        area.set = rows.name;
        area.scroll = findChild<QScrollArea*>(Q("rows" + rows.name));
        area.content = area.scroll ? area.scroll->widget() : nullptr;
        if (area.content == nullptr || WindowLayouts().count("row" + rows.name) == 0) {
            // Without an area or a row layout the rows cannot be shown: the layout test reports their controls.
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
        for (const auto& column : rows.columns) widgets_.erase(pv::Form::RowControl(column.name, row));
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
        const int bottom = area.scroll->verticalScrollBar()->value() + 2 * std::max(area.scroll->viewport()->height(), 200);
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
        Bind(form_.control(name), widget);
        Apply(form_.control(name), widget);
    }
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
        const bool ours = std::any_of(columns.begin(), columns.end(),
                                      [&](const pv::RowColumn& column) { return column.name == control.column; });
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
        if (at != stops.end() && (next ? at + 1 != stops.end() : at != stops.begin())) return next ? *(at + 1) : *(at - 1);
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

void FormWindow::FitHeight() {
    if (QLayout* top = layout()) {
        top->invalidate();
        top->activate();
        resize(width(), sizeHint().expandedTo(minimumSizeHint()).height());
    }
}

void FormWindow::ControlChanged(const pv::Control& control) {
    const auto found = widgets_.find(control.name);
    if (found == widgets_.end()) return;
    const bool wasHidden = found->second->isHidden();
    Apply(control, found->second);
    if (wasHidden != !control.visible && !containers_.empty()) {
        std::vector<bool> before;
        for (QWidget* container : containers_) before.push_back(container->isHidden());
        UpdateContainers();
        for (size_t i = 0; i < containers_.size(); ++i) {
            if (before[i] != containers_[i]->isHidden()) {
                // Folding a frame in or out: the window takes the height its layout needs, so folding
                // back always returns to exactly the same height.
                FitHeight();
                break;
            }
        }
    }
}

void FormWindow::FormClosed() {
    done(QDialog::Accepted);
}

void FormWindow::CaptionChanged(const std::string& caption) {
    setWindowTitle(Q(caption));
}

void FormWindow::reject() {
    // The Escape key presses the window's cancel button.
    form_.UserPressEscape();
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!form_.IsClosed() && !form_.UserRequestClose()) {
        event->ignore();
        return;
    }
    // Not QDialog::closeEvent: it would press Escape and ask the question a second time.
    event->accept();
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
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pv::ui
