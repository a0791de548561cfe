// The windows of the data-output dispositions, offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>
#include <array>
#include <filesystem>
#include <memory>

#include "UiTestSupport.h"
#include "actions/FrmHttpRequest.h"
#include "actions/FrmRunSQL.h"
#include "actions/FrmShowSQL.h"
#include "actions/FrmWriteToDB.h"
#include "actions/MessageFieldsSample.h"
#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmDispositions.h"
#include "master/FrmMain.h"
#include "monitoring/MonitorEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "support/Timing.h"
#include "ui/QtServices.h"

namespace pv::test {
namespace {

using ui::FormWindow;

// The sample copy (UiTestSupport.h) opened as the main window opens it.
struct Sample : SampleCopy {
    Sample() { main.Open(master(), dir.path()); }
    ScriptedServices s{dir.path()};
    FrmMain main{s.services};
};

std::string RowName(const char* column, int row) {
    return Form::RowControl(column, row);
}

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

TEST(QtDataOutputWindows, ThousandsOfRowsAreMadeAsTheyComeIntoViewAndTabWalksThemInPlace) {
    TempDir dir;
    ScriptedServices s(dir.path());
    MessageFieldsSample sample = WriteMessageFieldsSample(dir.path(), 1500);
    FrmWriteToDB form(s.services, sample.master);
    form.OpenOn(DetailedFileOf(sample.disposition));
    FormWindow window(form);
    window.show();
    QApplication::processEvents();
    auto* area = Find<QScrollArea>(window, "rowsFields");
    const auto made = [&] { return area->widget()->findChildren<QCheckBox*>().size(); };
    EXPECT_LT(made(), 100);
    EXPECT_GE(area->widget()->minimumHeight(), 1500 * 20) << "the area is as high as every row";
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());

    // The last row, scrolled to: every row above it exists. Every third field is checked in the sample.
    auto* last = qobject_cast<QCheckBox*>(window.rowControlWidget("chkField(1499)"));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(made(), 1500);
    EXPECT_EQ(last->text().toStdString() + (last->isChecked() ? " checked" : ""), "Field1499");
    EXPECT_TRUE(qobject_cast<QCheckBox*>(window.controlWidget("chkField(1497)"))->isChecked());
    Click(window, "chkField(1499)");
    EXPECT_TRUE(form.Checked("chkField(1499)"));

    // Tab goes through a row's check box and its visible box, on to the next row, and from the last row
    // to the button below the area; Shift+Tab from the first row goes back above it.
    const auto focusAfter = [&](const char* name, Qt::KeyboardModifiers modifiers) {
        QWidget* start =
            window.rowControlWidget(name) ? window.rowControlWidget(name) : window.controlWidget(name);
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Tab, modifiers);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                           : std::string();
    };
    EXPECT_EQ(focusAfter("chkField(1000)", Qt::NoModifier), "txtFieldLength(1000)");  // a string field
    EXPECT_EQ(focusAfter("txtFieldLength(1000)", Qt::NoModifier), "chkField(1001)");
    EXPECT_EQ(focusAfter("chkField(1002)", Qt::NoModifier), "chkField(1003)");  // an integer: no box
    EXPECT_EQ(focusAfter("chkField(1499)", Qt::NoModifier), "cmdGenerateDDL");
    EXPECT_EQ(focusAfter("chkField(0)", Qt::ShiftModifier), "optUnderscore");
    EXPECT_EQ(focusAfter("optUnderscore", Qt::NoModifier), "chkField(0)");
    EXPECT_EQ(focusAfter("cmdGenerateDDL", Qt::ShiftModifier), "chkField(1499)");
}

// A Write To DB editor over a catalogue of a few fields, one with a name longer than any column, opened with
// the application's font at `points` (0: as it is).
struct FieldRowsWindow {
    explicit FieldRowsWindow(int points) : font(QApplication::font()) {
        WriteFile(dir / "master.xml", "<ResponseHandler>\r\n</ResponseHandler>\r\n");
        std::string catalogue = "<MessageFields>\r\n";
        for (const auto& [name, type] : fields) {
            catalogue +=
                "\t<MessageField>\r\n\t\t<Name>" + name + "</Name>\r\n\t\t<DataTypeClassName>" + type +
                "</DataTypeClassName>\r\n\t\t<DefaultLength>40</DefaultLength>\r\n\t</MessageField>\r\n";
        }
        WriteFile(dir / "fields.xml", catalogue + "</MessageFields>\r\n");
        links.masterFilePath = dir / "master.xml";
        links.messageFields[0] = "+/fields.xml";
        record.Type = "WriteToDB";
        record.DispositionFilePath = dir / "master.xml";
        record.DetailedDispositionFile = "+/log.writetodb.xml";
        if (points > 0) QApplication::setFont(QFont(font.family(), points));
        form = std::make_unique<FrmWriteToDB>(s.services, links);
        form->OpenOn(DetailedFileOf(record));
        window = std::make_unique<FormWindow>(*form);
        window->show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    ~FieldRowsWindow() { QApplication::setFont(font); }
    // Where a row's control stands across the rows.
    int Left(const char* column, int row) {
        QWidget* widget = window->rowControlWidget(RowName(column, row));
        return widget ? widget->mapTo(widget->parentWidget()->parentWidget(), QPoint()).x() : -1;
    }
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"Subject", "java.lang.String"},
        {"TheNameOfThisFieldIsLongerThanAnyColumnOfTheRowsHasRoomFor", "java.lang.String"},
        {"ReceivedDate", "java.util.Date"},
        {"Size", "java.lang.Integer"}};
    QFont font;
    TempDir dir;
    ScriptedServices s{dir.path()};
    MasterLinks links;
    CCatDisposition record;
    std::unique_ptr<FrmWriteToDB> form;
    std::unique_ptr<FormWindow> window;
};

// The rows of fields stand in columns whatever the length of a field's name: a name longer than its column
// is cut short on screen, and read whole in its tooltip and by a screen reader.
TEST(QtDataOutputWindows, FieldRowsStayInLineWhateverTheLengthOfTheirNames) {
    FieldRowsWindow shown(0);
    ASSERT_TRUE(shown.window->missingControls().empty());
    const std::string name = shown.fields[1].first;
    std::vector<int> checks;
    std::vector<int> labels;
    std::vector<int> boxes;
    for (int row : {0, 1, 2, 3}) checks.push_back(shown.Left("chkField", row));
    for (int row : {0, 1, 2}) {  // the number field (row 3) has no box
        labels.push_back(shown.Left("lblFieldLength", row));
        boxes.push_back(shown.Left("txtFieldLength", row));
    }
    // The rows span their area, few as they are, and stand in columns from its left.
    auto* area = Find<QScrollArea>(*shown.window, "rowsFields");
    EXPECT_EQ(shown.window->rowControlWidget(RowName("chkField", 0))->parentWidget()->width(),
              area->viewport()->width());
    EXPECT_EQ(checks, std::vector<int>(4, 0));
    EXPECT_EQ(labels, std::vector<int>(3, labels.front()));
    EXPECT_EQ(boxes, std::vector<int>(3, boxes.front()));
    auto* check = qobject_cast<QCheckBox*>(shown.window->rowControlWidget(RowName("chkField", 1)));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->text().endsWith(QChar(0x2026))) << check->text().toStdString();
    EXPECT_EQ(check->toolTip().toStdString(), name + "\nThe list of fields to include when logging");
    EXPECT_EQ(check->accessibleName().toStdString(), name);
    EXPECT_EQ(qobject_cast<QCheckBox*>(shown.window->rowControlWidget(RowName("chkField", 0)))->text(),
              "Subject");
}

// The date format box shows the whole default format, at the application's font and at a larger one, as a
// desktop set for large print gives.
TEST(QtDataOutputWindows, TheDateFormatBoxShowsTheWholeFormat) {
    for (const int points : {0, 12}) {
        FieldRowsWindow shown(points);
        auto* box = qobject_cast<QLineEdit*>(shown.window->rowControlWidget(RowName("txtFieldLength", 2)));
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->text(), "yyyy-MM-dd HH:mm:ss");
        // The room a line edit gives its text: its contents less the two-pixel margin it keeps each side.
        QStyleOptionFrame frame;
        frame.initFrom(box);
        frame.rect = box->rect();
        frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
        const int room = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box).width() - 4;
        EXPECT_GE(room, box->fontMetrics().horizontalAdvance(box->text())) << "at " << points << " points";
    }
}

// The statement holds a no-break space, which its box keeps through an edit.
TEST(QtDataOutputWindows, RunSQLMovesFieldsIntoItsParametersAndBackInTheWindow) {
    Sample sample;
    CCatDisposition record =
        sample.disposition("RunSQL", "support.disposition.xml", "+/dispose/leads.runsql.xml");
    const std::string file = sample.file("dispose/leads.runsql.xml");
    std::string original = ReadFile(file);
    original.replace(original.find("(?, ?"), 5, "(?,\u00A0?");
    WriteFile(file, original);
    FrmRunSQL form(sample.s.services, sample.main);
    form.OpenOn(DetailedFileOf(record));
    FormWindow window(form);
    window.show();
    // A click, two Ctrl+clicks and a Shift+click: the rows picked with Ctrl stay as the Shift+click extends.
    auto* fields = Find<QListWidget>(window, "lstFields");
    const auto click = [&](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(fields->viewport(), Qt::LeftButton, modifiers,
                          fields->visualItemRect(fields->item(row)).center());
    };
    click(0, Qt::NoModifier);
    click(2, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    click(6, Qt::ShiftModifier);
    EXPECT_EQ(form.Selection("lstFields"), (std::vector<int>{0, 2, 4, 5, 6}));
    // Shift and the arrows grow the selection from where it began, and shrink it back.
    click(8, Qt::NoModifier);
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
        QTest::keyClick(fields, key, Qt::ShiftModifier);
    std::vector<int> picked = form.Selection("lstFields");
    std::sort(picked.begin(), picked.end());
    EXPECT_EQ(picked, (std::vector<int>{8, 9, 10}));
    SelectRow(window, "lstFields", RowOf(form, "lstFields", "Size"));
    Click(window, "cmdSelectField");
    EXPECT_EQ(form.Items("lstParameters").back(), "Size");
    SelectRow(window, "lstParameters", 4);
    Click(window, "cmdMoveUp");
    EXPECT_EQ(form.Items("lstParameters")[3], "Size");
    auto* parameters = Find<QListWidget>(window, "lstParameters");
    EXPECT_EQ(parameters->item(3)->text().toStdString(), "Size");
    EXPECT_TRUE(parameters->item(3)->isSelected());
    // Five parameters, four question marks: the Save refuses and the window stays.
    sample.s.prompts.ExpectMessage(
        "Error: Parameter count mismatch.\r\nYou need to have one question mark in the SQL for each "
        "parameter in "
        "the 'Parameters' list\r\nYou have 4 question marks and 5 parameters.");
    Click(window, "cmdSave");
    // Where the count is mended: typing goes into the statement, not to the button that was pressed.
    EXPECT_EQ(window.focusWidget(), window.controlWidget("txtSQL"));
    Click(window, "cmdRemoveField");
    EXPECT_EQ(form.Items("lstParameters").size(), 4u);
    auto* sql = Find<QPlainTextEdit>(window, "txtSQL");
    sql->moveCursor(QTextCursor::End);
    QTest::keyClick(sql, Qt::Key_X);
    QTest::keyClick(sql, Qt::Key_Backspace);
    // So the statement is what the file holds, which is not written again.
    sample.s.prompts.ExpectSavedUnchanged(file);
    Click(window, "cmdSave");
    EXPECT_EQ(ReadFile(file), original);
}

// Selecting every offered field takes time in proportion to their number: four times the fields is not
// sixteen times the wait, with the window frozen meanwhile.
TEST(QtDataOutputWindows, SelectingThousandsOfFieldsAtOnceGrowsLinearly) {
    if (kSanitizedBuild) GTEST_SKIP() << "a sanitized build's times say nothing";
    TempDir dir;
    ScriptedServices s(dir.path());
    struct Opened {
        MessageFieldsSample sample;
        std::unique_ptr<FrmRunSQL> form;
        std::unique_ptr<FormWindow> window;
    };
    std::array<Opened, 2> opened;
    const std::array<size_t, 2> fields = {1000, 4000};
    for (size_t i = 0; i < 2; ++i) {
        const std::string folder = dir.path() + "/" + std::to_string(fields[i]);
        std::filesystem::create_directories(folder);
        opened[i].sample = WriteParameterSample(folder, fields[i], 1);
        opened[i].form = std::make_unique<FrmRunSQL>(s.services, opened[i].sample.master);
        opened[i].form->OpenOn(DetailedFileOf(opened[i].sample.disposition));
        opened[i].window = std::make_unique<FormWindow>(*opened[i].form);
        opened[i].window->show();
    }
    const auto seconds = BestOfTwoSizes(
        3,
        [&](size_t i) {
            auto* list = Find<QListWidget>(*opened[i].window, "lstFields");
            list->clearSelection();
            list->selectAll();
        },
        Clock::Thread);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(opened[i].form->Selection("lstFields").size(), fields[i]);
    }
    EXPECT_LT(seconds[1], seconds[0] * 8)
        << seconds[0] << " s for 1,000 fields, " << seconds[1] << " s for 4,000";
}

// Every window shows its controls, and its password boxes as stars: EveryWindow sees to both.
TEST(QtDataOutputWindows, HttpRequestTakesAClickAndChecksWhatIsTyped) {
    Sample sample;
    CCatDisposition http =
        sample.disposition("HttpRequest", "support.disposition.xml", "+/dispose/ticket.http.xml");
    FrmHttpRequest form(sample.s.services, sample.main);
    form.OpenOn(DetailedFileOf(http));
    FormWindow window(form);
    window.show();
    Click(window, "optMethodGet");
    EXPECT_TRUE(form.changed());
    Type(window, "txtUrl", "");
    sample.s.prompts.ExpectMessage("URL missing");
    Click(window, "cmdSave");
}

TEST(QtDataOutputWindows, ScenarioAWriteToDBDispositionAddedFromTheDispositionsEditor) {
    Sample sample;
    const std::string newFile = sample.file("dispose/audit.writetodb.xml");
    FrmDispositions dispositions(sample.s.services, sample.main);
    ASSERT_TRUE(dispositions.LoadFromFile("+/archive.disposition.xml", sample.main.FullPathToMasterConfig()));
    FormWindow window(dispositions);
    window.show();

    sample.s.windows.Expect("frmChooseType", [&](Form& form) {
        FormWindow chooser(form);
        chooser.show();
        SelectRow(chooser, "lstDispositionType", RowOf(form, "lstDispositionType", "WriteToDB"));
        Click(chooser, "cmdGo");
    });
    sample.s.dialogs.AnswerFile(newFile);
    sample.s.windows.Expect("frmWriteToDB", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        EXPECT_EQ(Find<QLineEdit>(editor, "txtFileName")->text(), "+/dispose/audit.writetodb.xml");
        Type(editor, "txtConnectionString", "jdbc:odbc:Audit");
        Type(editor, "txtUser", "audit");
        Type(editor, "txtTable", "Audit");
        // A string, a date and a number.
        for (const char* field : {"Subject", "ReceivedDate", "Size"}) {
            const std::string box = RowName("chkField", FieldRow(form, field));
            ASSERT_NE(editor.rowControlWidget(box), nullptr);
            Click(editor, box.c_str());
        }
        Type(editor, RowName("txtFieldLength", FieldRow(form, "Subject")).c_str(), "120");
        sample.s.windows.Expect("frmShowSQL", [&](Form& sql) {
            FormWindow shown(sql);
            shown.show();
            EXPECT_EQ(
                Find<QPlainTextEdit>(shown, "txtSQL")->toPlainText().toStdString(),
                "CREATE TABLE Audit(\nSubject    varchar(120) null,\nReceivedDate    datetime not null,\n"
                "Size    integer not null\n, generatedPK integer identity(1,1)\nPrimary key (generatedPK))");
            QTest::keyClick(&shown, Qt::Key_Escape);
        });
        Click(editor, "cmdGenerateDDL");
        sample.s.prompts.ExpectMessage("Saved");
        Click(editor, "cmdSave");
        QTest::keyClick(&editor, Qt::Key_Escape);
    });
    Click(window, "cmdAdd");
    EXPECT_EQ(dispositions.Items("lstDispositions").back(), "(WriteToDB) +/dispose/audit.writetodb.xml");
    sample.s.prompts.ExpectMessage("Saved");
    Click(window, "cmdSave");
    EXPECT_EQ(ReadFile(newFile), ReadFile(TestData("actions/writetodb/scenario.writetodb.xml")));
}

}  // namespace
}  // namespace pv::test
