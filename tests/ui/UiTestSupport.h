#pragma once
// Driving a real window in a test: find a control by its objectName, type into it, click it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "ui/FormWindow.h"

namespace pv::test {

template <typename Widget>
Widget* Find(QWidget& window, const char* name) {
    Widget* widget = window.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << "no " << name << " of the expected kind";
    return widget;
}

// Replaces the text as a user would: select all, then type.
inline void Type(QWidget& window, const char* name, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(window, name);
    if (!edit) return;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget& window, const char* name) {
    QAbstractButton* button = Find<QAbstractButton>(window, name);
    if (!button) return;
    ASSERT_TRUE(button->isEnabled()) << name << " is disabled";
    // Check boxes and options answer only on their indicator and caption, not on the rest of their cell.
    const QPoint where = button->isCheckable() ? QPoint(8, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, where);
}

inline void SelectRow(QWidget& window, const char* name, int row) {
    QListWidget* list = Find<QListWidget>(window, name);
    if (!list) return;
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

}  // namespace pv::test
