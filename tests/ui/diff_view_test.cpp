// The review of a save: the difference view and its dialog, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "ui/DiffView.h"
#include "ui/QtServices.h"
#include "ui/Screenshots.h"

namespace pv::ui {
namespace {

using test::Contrast;

// Every row as the columns read: old number, new number, sign, line; and what a screen reader hears.
std::vector<std::string> Rows(QTreeWidget& view, int role = Qt::DisplayRole) {
    std::vector<std::string> rows;
    for (int i = 0; i < view.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = view.topLevelItem(i);
        if (role == Qt::DisplayRole) {
            rows.push_back((item->text(0) + "|" + item->text(1) + "|" + item->text(2) + "|" + item->text(3))
                               .toStdString());
        } else {
            rows.push_back(item->data(3, role).toString().toStdString());
        }
    }
    return rows;
}

const PendingWrite kWrite{"/srv/cfg/master.xml", "<R>\r\n\t<A>1</A>\r\n\t<B>2</B>\r\n</R>\r\n",
                          "<R>\r\n\t<A>one</A>\r\n\t<B>2</B>\r\n\t<C/>\r\n</R>\r\n"};

TEST(DiffView, ShowsNumbersSignsAndLinesReadableUnderBothPalettes) {
    DiffView view;
    view.Show(kWrite.Hunks());
    EXPECT_EQ(Rows(view), (std::vector<std::string>{"1|1||<R>", "2||-|    <A>1</A>", "|2|+|    <A>one</A>",
                                                    "3|3||    <B>2</B>", "|4|+|    <C/>", "4|5||</R>"}));
    EXPECT_EQ(
        Rows(view, Qt::AccessibleTextRole),
        (std::vector<std::string>{"unchanged, line 1: <R>", "removed, old line 2:     <A>1</A>",
                                  "added, new line 2:     <A>one</A>", "unchanged, line 3:     <B>2</B>",
                                  "added, new line 4:     <C/>", "unchanged, line 5: </R>"}));
    EXPECT_EQ(view.accessibleName(), "Changes");
    // Long lines scroll sideways instead of being cut.
    EXPECT_EQ(view.header()->stretchLastSection(), false);

    for (const QPalette& palette : {QPalette(Qt::white), DarkPalette()}) {
        const QColor text = palette.color(QPalette::Text);
        const QColor base = palette.color(QPalette::Base);
        for (DiffKind kind : {DiffKind::Removed, DiffKind::Added}) {
            const QColor ground = DiffView::Background(kind, palette);
            EXPECT_GE(Contrast(text, ground), 4.5) << ground.name().toStdString();
            // The shade itself is seen against the unchanged lines.
            EXPECT_GE(Contrast(ground, base), 1.15) << ground.name().toStdString();
        }
        EXPECT_GE(Contrast(DiffView::Background(DiffKind::Removed, palette),
                           DiffView::Background(DiffKind::Added, palette)),
                  1.05);
    }
    // Line ends that are not all CR LF show where they are, and TABs where only blanks change, each by a
    // sign the fonts can draw.
    view.Show(DiffTexts("a\nb\n", "a\r\nb\r\n"));
    EXPECT_EQ(Rows(view), (std::vector<std::string>{"1||-|a", "2||-|b", "|1|+|a\u21B5", "|2|+|b\u21B5"}));
    const QFontMetrics metrics(view.font());
    for (const char32_t sign : {U'\u21B5', U'\u2192'}) EXPECT_TRUE(metrics.inFontUcs4(sign)) << int(sign);
}

TEST(ReviewDialog, CancelIsTheDefaultEscapeCancelsAndSaveAccepts) {
    {
        ReviewDialog dialog(kWrite, nullptr);
        auto* save = dialog.findChild<QPushButton*>("cmdSave");
        auto* cancel = dialog.findChild<QPushButton*>("cmdCancel");
        ASSERT_TRUE(save && cancel);
        EXPECT_EQ(std::make_tuple(cancel->isDefault(), save->isDefault(), dialog.windowTitle().toStdString()),
                  std::make_tuple(true, false, std::string("Review changes")));
        EXPECT_EQ(dialog.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
                  "Saving changes /srv/cfg/master.xml (1 line removed, 2 lines added):");
        // Each key as the user presses it, once the dialog is up and active.
        const auto press = [&](QWidget* target, Qt::Key key,
                               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTimer::singleShot(0, [&dialog, target, key, modifiers] {
                dialog.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
                QTest::keyClick(target, key, modifiers);
            });
            return dialog.exec();
        };
        auto* view = dialog.findChild<QTreeWidget*>("treeDiff");
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(press(&dialog, Qt::Key_Escape), QDialog::Rejected);
        EXPECT_EQ(press(view, Qt::Key_Return), QDialog::Rejected);
        EXPECT_EQ(press(view, Qt::Key_S, Qt::ControlModifier), QDialog::Accepted);
        QTimer::singleShot(0, [&] { save->click(); });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    }
    // A new file: everything added.
    ReviewDialog created(PendingWrite{"/srv/cfg/new.xml", std::nullopt, "<R>\r\n</R>\r\n"}, nullptr);
    EXPECT_EQ(created.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
              "Saving creates /srv/cfg/new.xml (2 lines):");
    // Only the line ends change: said before the difference, which shows every line changed.
    ReviewDialog lineEnds(PendingWrite{"/srv/cfg/lf.xml", "<R>\n</R>\n", "<R>\r\n</R>\r\n"}, nullptr);
    EXPECT_EQ(lineEnds.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
              "Saving changes /srv/cfg/lf.xml (2 lines removed, 2 lines added). The line ends change from LF "
              "to CR LF, so lines whose text is the same show as removed and added again:");
    // Spaces become a TAB: the lines would look the same, so the TAB shows as an arrow.
    ReviewDialog blanks(
        PendingWrite{"/srv/cfg/sp.xml", "<R>\r\n    <A/>\r\n</R>\r\n", "<R>\r\n\t<A/>\r\n</R>\r\n"}, nullptr);
    EXPECT_EQ(
        blanks.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
        "Saving changes /srv/cfg/sp.xml (1 line removed, 1 line added). Some lines change only in their "
        "blanks (TABs against spaces, or blanks at their ends). A TAB shows as \"\u2192\":");
    EXPECT_EQ(Rows(*blanks.findChild<DiffView*>()),
              (std::vector<std::string>{"1|1||<R>", "2||-|    <A/>", "|2|+|\u2192   <A/>", "3|3||</R>"}));

    // A file in another encoding: its lines are shown as the text they hold, and the encoding's change is
    // said, not every line shown as changed.
    std::string utf16 = "\xFF\xFE";
    for (const char16_t unit : std::u16string(u"<R>\r\n\t<User>caf\u00E9</User>\r\n</R>\r\n")) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    ReviewDialog wide(
        PendingWrite{"/srv/cfg/u16.xml", utf16, "<R>\r\n\t<User>caf\xC3\xA9s</User>\r\n</R>\r\n"}, nullptr);
    EXPECT_EQ(
        std::make_tuple(wide.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
                        Rows(*wide.findChild<DiffView*>())),
        std::make_tuple(std::string("Saving changes /srv/cfg/u16.xml (1 line removed, 1 line added). The "
                                    "encoding changes from UTF-16LE to UTF-8:"),
                        std::vector<std::string>{"1|1||<R>", "2||-|    <User>caf\u00E9</User>",
                                                 "|2|+|    <User>caf\u00E9s</User>", "3|3||</R>"}));
    ReviewDialog latin(PendingWrite{"/srv/cfg/l1.xml",
                                    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<R>caf\xE9</R>\r\n",
                                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R>caf\xC3\xA9</R>\r\n"},
                       nullptr);
    EXPECT_EQ(
        std::make_tuple(latin.findChild<QLabel*>("lblReviewSummary")->text().toStdString(),
                        Rows(*latin.findChild<DiffView*>())),
        std::make_tuple(std::string("Saving changes /srv/cfg/l1.xml (1 line removed, 1 line added). The "
                                    "encoding changes from ISO-8859-1 to UTF-8:"),
                        std::vector<std::string>{"1||-|<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                                                 "|1|+|<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                 "2|2||<R>caf\u00E9</R>"}));
}

}  // namespace
}  // namespace pv::ui
