#include "ui/LayoutReading.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTextEdit>
#include <algorithm>
#include <tuple>

namespace pv::ui {
namespace {

// A group box, frame or plain widget that holds others; a list (its viewport) or a spin box (its line edit)
// keeps its children to itself.
bool IsContainer(const QWidget* widget) {
    const QMetaObject* type = widget->metaObject();
    return qobject_cast<const QGroupBox*>(widget) || type == &QWidget::staticMetaObject ||
           type == &QFrame::staticMetaObject;
}

// The layout that holds `widget` directly, and the index of its item there.
std::pair<QLayout*, int> HoldingLayout(QLayout* layout, const QWidget* widget) {
    if (!layout) return {nullptr, -1};
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) return {layout, i};
        if (item->layout()) {
            const auto found = HoldingLayout(item->layout(), widget);
            if (found.first) return found;
        }
    }
    return {nullptr, -1};
}

// What an item of a layout offers a label: a field, a container of fields, or the first field of a
// nested layout.
QWidget* DescribedIn(QLayoutItem* item) {
    if (!item) return nullptr;
    std::vector<QWidget*> widgets;
    if (QWidget* widget = item->widget()) {
        if (IsField(widget)) return widget;
        if (!IsContainer(widget)) return nullptr;
        WalkWidget(widget, widgets);
        const bool holdsControls = std::any_of(widgets.begin(), widgets.end(), [](QWidget* w) {
            return IsField(w) || qobject_cast<QAbstractButton*>(w);
        });
        // A group box of options is described as a whole; a plain container by its first field.
        if (qobject_cast<QGroupBox*>(widget)) return holdsControls ? widget : nullptr;
    } else if (item->layout()) {
        WalkLayout(item->layout(), widgets);
    }
    for (QWidget* candidate : widgets) {
        if (IsField(candidate)) return candidate;
        if (qobject_cast<QLabel*>(candidate)) return nullptr;  // the next label's field
    }
    return nullptr;
}

}  // namespace

bool IsField(const QWidget* widget) {
    return IsTextInput(widget) || qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QComboBox*>(widget);
}

bool IsTextInput(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

bool IsReadOnlyText(const QWidget* widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->isReadOnly();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(widget)) return text->isReadOnly();
    if (auto* text = qobject_cast<const QTextEdit*>(widget)) return text->isReadOnly();
    return false;
}

bool IsEditableField(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->isCheckable();
    return IsField(widget) && !IsReadOnlyText(widget);
}

bool HasLetterOrDigit(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

bool ShowsCaption(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget) ||
           qobject_cast<const QGroupBox*>(widget);
}

QString CaptionShown(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    return QString();
}

void WalkWidget(QWidget* widget, std::vector<QWidget*>& out) {
    out.push_back(widget);
    if (auto* scroll = qobject_cast<QScrollArea*>(widget)) {
        if (scroll->widget()) WalkWidget(scroll->widget(), out);
        return;
    }
    if (IsContainer(widget) && widget->layout()) WalkLayout(widget->layout(), out);
}

void WalkLayout(const QLayout* layout, std::vector<QWidget*>& out) {
    std::vector<std::tuple<int, int, int>> entries;  // row, column, index
    const auto* grid = qobject_cast<const QGridLayout*>(layout);
    const auto* form = qobject_cast<const QFormLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        int row = i;
        int column = 0;
        if (grid) {
            int rowSpan = 0;
            int columnSpan = 0;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        } else if (form) {
            QFormLayout::ItemRole role;
            form->getItemPosition(i, &row, &role);
            column = static_cast<int>(role);
        }
        entries.emplace_back(row, column, i);
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [row, column, index] : entries) {
        QLayoutItem* item = layout->itemAt(index);
        if (item->widget()) {
            WalkWidget(item->widget(), out);
        } else if (item->layout()) {
            WalkLayout(item->layout(), out);
        }
    }
}

QWidget* FieldDescribedBy(QLabel* label) {
    QWidget* parent = label->parentWidget();
    if (!parent) return nullptr;
    const auto [layout, index] = HoldingLayout(parent->layout(), label);
    if (!layout) return nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        if (QWidget* right = DescribedIn(grid->itemAtPosition(row, column + columnSpan))) return right;
        return DescribedIn(grid->itemAtPosition(row + rowSpan, column));
    }
    if (auto* form = qobject_cast<QFormLayout*>(layout)) {
        int row = 0;
        QFormLayout::ItemRole role;
        form->getItemPosition(index, &row, &role);
        return role == QFormLayout::LabelRole ? DescribedIn(form->itemAt(row, QFormLayout::FieldRole))
                                              : nullptr;
    }
    return index + 1 < layout->count() ? DescribedIn(layout->itemAt(index + 1)) : nullptr;
}

QString NameFromCaption(QString caption) {
    caption = caption.trimmed();
    while (caption.endsWith(u':')) caption.chop(1);
    return caption.trimmed();
}

}  // namespace pv::ui
