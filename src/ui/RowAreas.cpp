// Repeated rows: one row layout per item of a list the logic declares (Form::DeclareRows), made only when it
// comes near the visible part of its area, and walked by Tab where the area stands.
#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <algorithm>

#include "ui/AccessKeys.h"
#include "ui/Colours.h"
#include "ui/FormWindow.h"
#include "ui/QtText.h"
#include "ui/WindowLayouts.h"

namespace pv::ui {
namespace {

// The room between two rows.
constexpr int kRowGap = 4;

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
        // The viewport tells how many rows are in view, the content how wide a row is (it follows the
        // viewport's width only after the viewport's own resize is handled).
        area.scroll->viewport()->installEventFilter(this);
        area.content->installEventFilter(this);
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
        area.rowHeight = std::max(first->sizeHint().height(), first->minimumHeight()) + kRowGap;
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
    ApplyColourRule(rowWidget);
    area.rows.push_back(rowWidget);
    if (area.rowHeight > 0) PlaceRow(area, row);
    rowWidget->show();
    return rowWidget;
}

void FormWindow::PlaceRow(RowArea& area, int row) {
    area.rows[row]->setGeometry(0, row * area.rowHeight, area.content->width(), area.rowHeight - kRowGap);
}

void FormWindow::RowAreaResized(QObject* watched) {
    for (RowArea& area : rowAreas_) {
        if (watched != area.scroll->viewport() && watched != area.content) continue;
        for (size_t row = 0; row < area.rows.size(); ++row) PlaceRow(area, static_cast<int>(row));
        MakeRows(area);
    }
}

void FormWindow::FitRowCaption(const pv::Control& control, QWidget* widget) {
    // A row's columns keep the widths of the row layout, so that the rows stay in line: a caption longer
    // than its column is cut short, and its whole text goes to the tooltip and to screen readers.
    const int width = widget->maximumWidth();
    if (width >= QWIDGETSIZE_MAX) return;
    int room = width - widget->contentsMargins().left() - widget->contentsMargins().right();
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(check);
        room -= check->style()->sizeFromContents(QStyle::CT_CheckBox, &option, QSize(0, 0), check).width();
    } else if (!qobject_cast<QLabel*>(widget)) {
        return;
    }
    const QString caption = Q(control.text);
    const QString shown =
        widget->fontMetrics().elidedText(caption, Qt::ElideRight, room, Qt::TextShowMnemonic);
    widget->setAccessibleName(shown == caption ? QString() : caption);
    if (shown == caption) return;
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        check->setText(WithAccessKey(shown, -1));
    } else {
        static_cast<QLabel*>(widget)->setText(shown);
    }
    widget->setToolTip(control.tooltip.empty() ? caption : caption + "\n" + Q(control.tooltip));
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
        QWidget* widget = BoundWidget(name);
        if (widget != nullptr) area.scroll->ensureWidgetVisible(widget);
        return widget;
    }
    return nullptr;
}

void FormWindow::RowsChanged(const pv::RowSet& rows) {
    LayOutRows(rows);
}

QWidget* FormWindow::StopInRows(RowArea& area, int row, bool next) {
    const int count = form_.RowCount(area.set);
    for (; row >= 0 && row < count; row += next ? 1 : -1) {
        MakeRows(area, row);
        const std::vector<QWidget*> stops = TabStops(area.rows[row]);
        if (!stops.empty()) return next ? stops.front() : stops.back();
    }
    return nullptr;
}

QWidget* FormWindow::TabTarget(QWidget* from, bool next) {
    // Rows are made after every other widget and so stand at the end of Qt's focus chain; Tab visits them
    // where their area stands instead, row by row, making the next row when it is reached.
    for (RowArea& area : rowAreas_) {
        if (!area.content->isAncestorOf(from)) continue;
        QWidget* row = from;
        while (row->parentWidget() != area.content) row = row->parentWidget();
        const int index =
            static_cast<int>(std::find(area.rows.begin(), area.rows.end(), row) - area.rows.begin());
        const std::vector<QWidget*> stops = TabStops(row);
        const auto at = std::find(stops.begin(), stops.end(), from);
        if (at != stops.end() && (next ? at + 1 != stops.end() : at != stops.begin()))
            return next ? *(at + 1) : *(at - 1);
        if (QWidget* stop = StopInRows(area, index + (next ? 1 : -1), next)) return stop;
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
        if (area != rowAreas_.end()) {
            // Entering the rows: the first from above, the last from below.
            if (QWidget* stop = StopInRows(*area, next ? 0 : form_.RowCount(area->set) - 1, next))
                return stop;
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

}  // namespace pv::ui
