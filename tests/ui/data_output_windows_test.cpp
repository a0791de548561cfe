// The windows of the data-output dispositions, offscreen.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "actions/FrmShowSQL.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "ui/QtServices.h"

namespace pv::test {
namespace {

using ui::FormWindow;

TEST(QtSqlWindow, ShowsTheStatementReadOnlyCopiesItWholeAndClosesOnEscape) {
    TempDir dir;
    ScriptedServices s(dir.path());
    const std::string sql = "CREATE TABLE T(\r\nA    integer null\r\n)";
    FrmShowSQL form(s.services, sql);
    FormWindow window(form);
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), "SQL");
    auto* text = Find<QPlainTextEdit>(window, "txtSQL");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText().toStdString(), "CREATE TABLE T(\nA    integer null\n)");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    text->setFocus();
    QTest::keyClicks(text, "x");
    EXPECT_EQ(form.Text("txtSQL"), sql);

    Click(window, "cmdCopy");
    EXPECT_EQ(s.clipboard.copied, std::vector<std::string>{sql});
    EXPECT_FALSE(form.IsClosed());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(form.IsClosed());
}

TEST(QtWindowHost, AWindowThatClosedItselfWhileOpeningIsNotShown) {
    TempDir dir;
    ScriptedServices s(dir.path());
    FrmShowSQL form(s.services, "");
    form.Close();
    bool shown = false;
    // Were it shown, this would see it and end its modal loop, so that the test fails instead of hanging.
    QTimer::singleShot(0, [&shown] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            shown = true;
            window->close();
        }
    });
    ui::QtWindowHost().ShowModal(form);
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(form.IsClosed());
}

}  // namespace
}  // namespace pv::test
