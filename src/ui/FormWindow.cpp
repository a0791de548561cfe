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
#include <QVBoxLayout>
#include <cstdlib>
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
        connect(radio, &QRadioButton::clicked, this, [this, name] { form_.UserClick(name); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        connect(check, &QCheckBox::clicked, this, [this, name] { form_.UserClick(name); });
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        const bool isDefault = name == form_.defaultButton();
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        connect(button, &QPushButton::clicked, this, [this, name] { form_.UserClick(name); });
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
    QWidget* area = findChild<QWidget*>(Q("rows" + rows.name));
    if (auto* scroll = qobject_cast<QScrollArea*>(area)) area = scroll->widget();
    const auto& layouts = WindowLayouts();
    const auto rowLayout = layouts.find("row" + rows.name);
    if (area == nullptr || rowLayout == layouts.end()) {
        // Without an area or a row layout the rows cannot be shown: the layout test reports their controls.
        for (const auto& column : rows.columns) missing_.push_back(pv::Form::RowControl(column.name, 0));
        return;
    }
    auto* box = qobject_cast<QBoxLayout*>(area->layout());
    if (box == nullptr) {
        box = new QVBoxLayout(area);
        box->setContentsMargins(0, 0, 0, 0);
        box->addStretch(1);
    }
    std::vector<QWidget*>& shown = rowWidgets_[rows.name];
    // Many rows are laid out once, not once per row.
    const bool many = std::abs(rows.count - static_cast<int>(shown.size())) > 1;
    if (many) area->setUpdatesEnabled(false);
    while (static_cast<int>(shown.size()) > rows.count) {
        const int row = static_cast<int>(shown.size()) - 1;
        for (const auto& column : rows.columns) widgets_.erase(pv::Form::RowControl(column.name, row));
        delete shown.back();
        shown.pop_back();
    }
    while (static_cast<int>(shown.size()) < rows.count) {
        const int row = static_cast<int>(shown.size());
        auto* rowWidget = new QWidget(area);
        rowWidget->setObjectName(Q(rows.name + "(" + std::to_string(row) + ")"));
        rowLayout->second(rowWidget);
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
        // Above a stretch that keeps the rows at the top.
        const int count = box->count();
        const bool stretchLast = count > 0 && box->itemAt(count - 1)->spacerItem() != nullptr;
        box->insertWidget(stretchLast ? count - 1 : count, rowWidget);
        shown.push_back(rowWidget);
    }
    if (many) area->setUpdatesEnabled(true);
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
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, edit, [edit] { SelectAllText(edit); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pv::ui
