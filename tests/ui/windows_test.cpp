// The real windows, offscreen: controls found by objectName, typed into and clicked, files compared byte for
// byte.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>
#include <vector>

#include "UiTestSupport.h"
#include "actions/FrmCopyToIMAPFolder.h"
#include "actions/FrmForwardMessage.h"
#include "actions/FrmHttpRequest.h"
#include "actions/FrmMoveToSubfolder.h"
#include "actions/FrmRuleUpdate.h"
#include "actions/FrmRunSQL.h"
#include "actions/FrmSaveAttachments.h"
#include "actions/FrmShowSQL.h"
#include "actions/FrmWriteToDB.h"
#include "actions/FrmWriteToFile.h"
#include "actions/FrmWriteToRFC822.h"
#include "core/password.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmChooseType.h"
#include "dispositions/FrmCustom.h"
#include "dispositions/FrmDispositions.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmMain.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmChooseMonitorType.h"
#include "monitoring/FrmCustomMonitor.h"
#include "monitoring/FrmEmailMonitor.h"
#include "monitoring/FrmHistoricalCharts.h"
#include "monitoring/FrmLog.h"
#include "monitoring/FrmMonitor.h"
#include "monitoring/MonitorEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "ui/WindowLayouts.h"

namespace pv::test {
namespace {

using QtWindows = OnSampleCopy;

namespace fs = std::filesystem;
using ui::FormWindow;

// Cuts the Mailbox element whose Name is `name` out of a written master file.
std::string WithoutMailbox(const std::string& text, const std::string& name) {
    const size_t nameAt = text.find("\t\t\t<Name>" + name + "</Name>\r\n");
    const size_t begin = text.rfind("\t\t<Mailbox>\r\n", nameAt);
    const std::string end = "\t\t</Mailbox>\r\n";
    const size_t stop = text.find(end, nameAt) + end.size();
    return text.substr(0, begin) + text.substr(stop);
}

// Captions, tooltips, titles and the state the logic sets live in the logic alone: a text kept in a layout
// would be overwritten by the logic's, so an edit in Designer would silently do nothing.
TEST_F(QtWindows, LayoutsHoldNoTextsOrStateOfTheirControls) {
    const std::set<std::string> owned = {"text", "plainText", "title", "toolTip", "windowTitle", "statusTip",
                                         "whatsThis", "placeholderText", "checked", "readOnly", "echoMode",
                                         "default", "autoDefault", "selectionMode",
                                         // Colours: the binding's one rule reads under every palette.
                                         "styleSheet", "palette", "autoFillBackground",
                                         // Access keys, buddies, names and Tab order: the binding's, from the
                                         // layout and the logic.
                                         "buddy", "accessibleName", "shortcut"};
    int layouts = 0;
    for (const auto& entry : fs::directory_iterator(POSTVANE_UI_FORMS)) {
        if (entry.path().extension() != ".ui") continue;
        ++layouts;
        QFile file(QString::fromStdString(entry.path().string()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << entry.path();
        QXmlStreamReader layout(&file);
        // The open elements, each with its name attribute: a property of a widget is a property element
        // whose parent is a widget element.
        std::vector<std::pair<QString, QString>> open;
        while (!layout.atEnd()) {
            layout.readNext();
            if (layout.isEndElement()) open.pop_back();
            if (!layout.isStartElement()) continue;
            const QString element = layout.name().toString();
            const QString name = layout.attributes().value("name").toString();
            // Tab follows the layout's reading order; a list of stops here would be overridden.
            EXPECT_NE(element, "tabstops") << entry.path().filename().string()
                                           << " lists tab stops: Tab follows the layout's reading order";
            if (element == "property" && !open.empty() && open.back().first == "widget") {
                EXPECT_FALSE(owned.count(name.toStdString()))
                    << entry.path().filename().string() << ": " << open.back().second.toStdString()
                    << " sets " << name.toStdString();
            }
            open.emplace_back(element, name);
        }
        EXPECT_FALSE(layout.hasError()) << entry.path() << ": " << layout.errorString().toStdString();
    }
    EXPECT_EQ(layouts, static_cast<int>(ui::WindowLayouts().size()));
}

TEST_F(QtWindows, MainWindowFoldsBackToExactlyItsOpeningHeightOrTheOneTheUserChose) {
    ShownMainWindow shown(s.services, sample);
    FormWindow& window = shown.window;
    QApplication::processEvents();
    // The advanced settings are made only once shown: the window opens sooner without them.
    EXPECT_EQ(window.findChild<QWidget*>("txtDispositionTypes1"), nullptr);
    const int opening = window.height();
    EXPECT_EQ(Caption(window, "cmdMoreLess"), "Advanced Settings");

    Click(window, "cmdMoreLess");
    EXPECT_EQ(Caption(window, "cmdMoreLess"), "Basic Settings");
    auto* advancedBox = window.findChild<QLineEdit*>("txtDispositionTypes1");
    ASSERT_NE(advancedBox, nullptr);
    EXPECT_TRUE(advancedBox->isVisible());
    EXPECT_EQ(advancedBox->text().toStdString(), shown.main.Text("txtDispositionTypes1"));
    EXPECT_FALSE(advancedBox->text().isEmpty());
    EXPECT_EQ(window.labelOf(advancedBox), window.findChild<QLabel*>("Label5"));
    EXPECT_GT(window.height(), opening);
    EXPECT_TRUE(advancedBox->isReadOnly());
    const bool onePass = shown.main.Checked("chkOnePass");
    Click(window, "chkOnePass");
    EXPECT_NE(shown.main.Checked("chkOnePass"), onePass);
    Click(window, "chkOnePass");

    Click(window, "cmdMoreLess");
    EXPECT_EQ(window.height(), opening);
    EXPECT_FALSE(advancedBox->isVisible());

    // A height the user chose for the main area is kept across folding too.
    window.resize(window.width(), opening + 120);
    QApplication::processEvents();
    Click(window, "cmdMoreLess");
    EXPECT_GT(window.height(), opening + 120);
    Click(window, "cmdMoreLess");
    EXPECT_EQ(window.height(), opening + 120);
    // The file name boxes of the main window are read-only, the master's too, which offers the recent ones.
    EXPECT_TRUE(Find<QComboBox>(window, "txtMasterConfig")->lineEdit()->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(window, "txtMonitorConfigFile")->isReadOnly());
}

TEST_F(QtWindows, AddingThroughTheTypedEditorAndDeletingWriteTheMasterFile) {
    // A value longer than a line edit holds unless told otherwise, and a line break the file holds.
    std::string original = ReadFile(sample.master());
    original.replace(original.find("<Subfolder></Subfolder>"), 23,
                     "<Subfolder>" + std::string(40000, 'a') + "</Subfolder>");
    original.replace(original.find("imap.example.com"), 16, "imap\nexample.com");
    WriteFile(sample.master(), original);
    ShownMainWindow shown(s.services, sample);
    FrmMain& main = shown.main;
    FormWindow& window = shown.window;

    // Delete "Billing": the confirmation has its own title.
    SelectRow(window, "lstMailboxes", RowOf(main, "lstMailboxes", "Billing"));
    s.prompts
        .ExpectYesNo(
            "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\nMailbox to "
            "remove: \"Billing\"",
            Answer::Yes, kConfirmDeleteTitle)
        .ExpectMessage("Saved");
    Click(window, "cmdDeleteMailbox");
    EXPECT_EQ(ReadFile(sample.master()), WithoutMailbox(original, "Billing"));

    // Add "Helpdesk", typed into the mailbox editor's own widgets.
    s.dialogs.AnswerFile(sample.file("support.disposition.xml"))
        .AnswerFile(sample.file("common.categorization.xml"));
    s.windows.Expect("frmMailbox", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        EXPECT_TRUE(Find<QLineEdit>(editor, "txtDisposition")->isReadOnly());
        // A pasted line break is the blank the box shows; Ctrl+Z takes the paste back whole.
        Type(editor, "txtMailboxName", "Help");
        Paste(editor, "txtMailboxName", "\r\ndesk");
        EXPECT_EQ(Find<QLineEdit>(editor, "txtMailboxName")->text().toStdString() + "|" +
                      form.Text("txtMailboxName"),
                  "Help desk|Help desk");
        QTest::keyClick(Find<QLineEdit>(editor, "txtMailboxName"), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(form.Text("txtMailboxName"), "Help");
        Paste(editor, "txtMailboxName", "\rde\nsk");
        Paste(editor, "txtSubfolder", QString(100000, 'b'));
        Type(editor, "txtHost", "mail.example.org");
        Type(editor, "txtDomain", "");
        Type(editor, "txtUser", "helpdesk");
        Type(editor, "txtAlias", "");
        Type(editor, "txtPassword", "s3cret!");
        Type(editor, "txtThreads", "2");
        Click(editor, "optPOP");
        EXPECT_TRUE(Find<QWidget>(editor, "frameServer")->isVisible());
        EXPECT_FALSE(Find<QWidget>(editor, "frameFile")->isVisible());
        Click(editor, "cmdBrowseDisposition");
        Click(editor, "cmdBrowseCategorization");
        Click(editor, "cmdSave");
    });
    s.prompts.ExpectMessage("Saved");
    Click(window, "cmdAddMailbox");
    s.dialogs.VerifyAllUsed();

    const std::string added = CrLf({
        "\t\t<Mailbox>",
        "\t\t\t<Name>Help de sk</Name>",
        "\t\t\t<Host>mail.example.org</Host>",
        "\t\t\t<Port>-1</Port>",
        "\t\t\t<Protocol>pop3</Protocol>",
        "\t\t\t<User>helpdesk</User>",
        "\t\t\t<Password>" + ScramblePassword("s3cret!", s.prompts) + "</Password>",
        "\t\t\t<Subfolder>" + std::string(100000, 'b') + "</Subfolder>",
        "\t\t\t<CategorizationRulesFileName>+/common.categorization.xml</CategorizationRulesFileName>",
        "\t\t\t<DispositionFileName>+/support.disposition.xml</DispositionFileName>",
        "\t\t\t<MsgsPerThreadBeforeRefresh>50</MsgsPerThreadBeforeRefresh>",
        "\t\t\t<WaitTime>100</WaitTime>",
        "\t\t\t<ErrorWaitTime>30</ErrorWaitTime>",
        "\t\t\t<NoMessagesWaitTime>60</NoMessagesWaitTime>",
        "\t\t\t<Threads>2</Threads>",
        "\t\t\t<MailHomeFolder></MailHomeFolder>",
        "\t\t\t<LimitOnCurSize>-1</LimitOnCurSize>",
        "\t\t\t<MessageSizeLimit>5000000</MessageSizeLimit>",
        "\t\t\t<MessageTruncateToSize>100000</MessageTruncateToSize>",
        "\t\t\t<ExpungeWorkaround>0</ExpungeWorkaround>",
        "\t\t\t<CloseImmediatelyIfEmpty>0</CloseImmediatelyIfEmpty>",
        "\t\t</Mailbox>",
    });
    std::string expected = WithoutMailbox(original, "Billing");
    expected.insert(expected.find("\t</Mailboxes>\r\n"), added);
    EXPECT_EQ(ReadFile(sample.master()), expected);
    EXPECT_EQ(main.Items("lstMailboxes").back(), "Help de sk");

    // "Support", whose long folder the box shows whole and an edit keeps, and whose host keeps the line
    // break it was loaded with while the pasted one becomes a blank.
    s.windows.Expect("frmMailbox", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        QLineEdit* folder = Find<QLineEdit>(editor, "txtSubfolder");
        EXPECT_EQ(folder->text().size(), 40000);
        folder->setFocus();
        folder->end(false);
        QTest::keyClick(folder, Qt::Key_Backspace);
        Paste(editor, "txtHost", "\r\nx");
        // Typed over and undone, the host is back with its own line break.
        QLineEdit* host = Find<QLineEdit>(editor, "txtHost");
        Type(editor, "txtHost", "y");
        for (int presses = 0; host->text() != "imap\nexample.com x" && presses < 5; ++presses)
            QTest::keyClick(host, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(form.Text("txtHost"), "imap\nexample.com x");
        Click(editor, "cmdSave");
    });
    s.prompts
        .ExpectMessage(
            "The file " + sample.master() +
            " holds the Host \"imap&#10;example.com\" of the mailbox \"Support\", which holds a line "
            "break: its box shows a blank for each line break. Saved, edited or not, the value keeps its "
            "line breaks until those blanks are deleted.")
        .ExpectMessage("Saved");
    SelectRow(window, "lstMailboxes", RowOf(main, "lstMailboxes", "Support"));
    Click(window, "cmdEditMailbox");
    expected.replace(expected.find(std::string(40000, 'a')), 40000, std::string(39999, 'a'));
    expected.replace(expected.find("imap\nexample.com"), 16, "imap\nexample.com x");
    EXPECT_EQ(ReadFile(sample.master()), expected);
}

TEST_F(QtWindows, EditorTextBoxesSelectTheirTextOnFocusButTheMainWindowsDoNot) {
    CMailbox record;
    ShownMailboxEditor mailbox(s.services, sample, record);
    QApplication::setActiveWindow(&mailbox.window);
    QLineEdit* host = Find<QLineEdit>(mailbox.window, "txtHost");
    host->setFocus();
    QTest::qWait(20);
    EXPECT_EQ(host->selectedText(), host->text());

    // A multi-line box as well.
    ShownForwardEditor forward(s.services, sample);
    FormWindow& forwardWindow = forward.window;
    QApplication::setActiveWindow(&forwardWindow);
    QPlainTextEdit* addresses = Find<QPlainTextEdit>(forwardWindow, "txtAddresses");
    ASSERT_FALSE(addresses->toPlainText().isEmpty());
    addresses->setFocus();
    QTest::qWait(20);
    EXPECT_EQ(addresses->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'),
              addresses->toPlainText());
    // The focus coming back to the window (a message box or a child window closed) leaves the cursor where
    // the user had it: selecting all there would let the next key replace what was being edited.
    QTextCursor end = addresses->textCursor();
    end.movePosition(QTextCursor::End);
    addresses->setTextCursor(end);
    Find<QLineEdit>(forwardWindow, "txtFrom")->setFocus();
    addresses->setFocus(Qt::ActiveWindowFocusReason);
    QTest::qWait(20);
    EXPECT_FALSE(addresses->textCursor().hasSelection());
    EXPECT_EQ(addresses->textCursor().position(), end.position());

    ShownMainWindow shown(s.services, sample);
    FormWindow& mainWindow = shown.window;
    QApplication::setActiveWindow(&mainWindow);
    QLineEdit* monitor = Find<QLineEdit>(mainWindow, "txtMonitorConfigFile");
    monitor->setFocus();
    QTest::qWait(20);
    EXPECT_EQ(monitor->selectedText(), "");
}

// Save, then History: the backup the save kept, the difference from it, and a restore, all on the widgets.
// The addresses hold a no-break space, which the box of lines keeps through an edit, and a line separator,
// which it shows as a line end and so, once edited, saves as one.
TEST_F(QtWindows, HistoryShowsTheBackupASaveKeptAndRestoresIt) {
    const std::string file = sample.file("dispose/helpdesk.forward.xml");
    std::string original = ReadFile(file);
    original.replace(original.find("helpdesk@"), 9, "help\u00A0desk@");
    original.replace(original.find("it-team@example.com"), 19, "it@x\u2028y@z");
    WriteFile(file, original);
    const std::string separator =
        "The file " + file +
        " holds the Address \"it@x&#8232;y@z\", which holds a line break: the box "
        "shows it on separate lines. Saved untouched it stays one Address, but once the "
        "box is edited each line is saved as a separate Address.";
    s.prompts.ExpectMessage(separator);
    ShownForwardEditor shown(s.services, sample);
    FormWindow& window = shown.window;
    Type(window, "txtSMTPServer", "mine.example.com");
    auto* addresses = Find<QPlainTextEdit>(window, "txtAddresses");
    addresses->setFocus();
    addresses->moveCursor(QTextCursor::End);
    QTest::keyClick(addresses, Qt::Key_X);
    QTest::keyClick(addresses, Qt::Key_Backspace);
    s.prompts.ExpectMessage("Saved");
    Click(window, "cmdSave");
    const std::string saved = ReadFile(file);
    std::string expected = original;
    expected.replace(expected.find("localhost"), 9, "mine.example.com");
    const std::string separated = "it@x\u2028y@z";
    expected.replace(expected.find(separated), separated.size(), "it@x</Address>\r\n\t\t<Address>y@z");
    EXPECT_EQ(saved, expected);
    s.windows.Expect("frmHistory", [&](Form& form) {
        FormWindow history(form);
        history.show();
        QListWidget* list = Find<QListWidget>(history, "lstBackups");
        ASSERT_EQ(list->count(), 1);
        EXPECT_TRUE(list->item(0)->text().startsWith("helpdesk.forward.xml.~1~    "));
        const QString difference = Find<QPlainTextEdit>(history, "txtDifference")->toPlainText();
        EXPECT_TRUE(difference.contains("\n-\t<SMTPServer>localhost</SMTPServer>"))
            << difference.toStdString();
        EXPECT_TRUE(difference.contains("\n+\t<SMTPServer>mine.example.com</SMTPServer>"));
        EXPECT_TRUE(Find<QPlainTextEdit>(history, "txtDifference")->isReadOnly());
        s.prompts.ExpectMessage("Saved").ExpectMessage(separator);  // the window reads the restored file
        Click(history, "cmdRestore");
        EXPECT_EQ(list->count(), 2);
        Click(history, "cmdEscape");
    });
    Click(window, "cmdHistory");
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_EQ(ReadFile(file + ".~2~"), saved);
    EXPECT_EQ(Find<QLineEdit>(window, "txtSMTPServer")->text(), "localhost");
}

TEST_F(QtWindows, ForwardMessageGreysTheBoxesItsStateDisables) {
    ShownForwardEditor shown(s.services, sample);
    FrmForwardMessage& editor = shown.editor;
    FormWindow& window = shown.window;
    // Disabled boxes are grey, enabled ones white behind black; both colours of each pair are set, so that
    // they read under a dark palette too.
    for (const char* box : {"txtFrom", "txtAddresses"}) {
        const QPalette palette = window.controlWidget(box)->palette();
        EXPECT_EQ(palette.color(QPalette::Active, QPalette::Base), QColor(Qt::white)) << box;
        EXPECT_EQ(palette.color(QPalette::Active, QPalette::Text), QColor(Qt::black)) << box;
        EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Base), QColor(240, 240, 240)) << box;
        EXPECT_LT(palette.color(QPalette::Disabled, QPalette::Text).lightness(), 128) << box;
    }
    QCheckBox* attachment = Find<QCheckBox>(window, "chkSendAsAttachment");
    ASSERT_TRUE(attachment->isChecked());
    const auto widgetsFollowTheLogic = [&] {
        for (const std::string& name : editor.ControlNames()) {
            QWidget* widget = window.controlWidget(name);
            if (widget) {
                EXPECT_EQ(widget->isEnabled(), editor.Enabled(name)) << name;
            }
        }
    };
    widgetsFollowTheLogic();
    EXPECT_FALSE(Find<QCheckBox>(window, "chkPreserveToAddresses")->isEnabled());
    Click(window, "chkSendAsAttachment");
    EXPECT_FALSE(attachment->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(window, "chkPreserveToAddresses")->isEnabled());
    widgetsFollowTheLogic();
}

TEST_F(QtWindows, CustomEditorOpensItsFileInThePlainTextEditor) {
    CCatDisposition disposition = sample.disposition("ArchiveToTape", "archive.disposition.xml",
                                                     "+/dispose/archive.customdisposition.xml");
    FrmCustom editor(s.services);
    editor.OpenOn(DetailedFileOf(disposition));
    FormWindow window(editor);
    window.show();
    // The user's $VISUAL (which tests/actions/custom_editor_test.cpp follows further).
    const char* visual = std::getenv("VISUAL");
    const std::string visualBefore = visual ? visual : "";
    ::setenv("VISUAL", "/bin/true --wait", 1);
    Click(window, "cmdOpenWithNotepad");
    visual ? ::setenv("VISUAL", visualBefore.c_str(), 1) : ::unsetenv("VISUAL");
    ASSERT_EQ(s.launcher.launches.size(), 1u);
    EXPECT_EQ(
        std::tie(s.launcher.launches[0].program, s.launcher.launches[0].arguments),
        std::make_tuple("/bin/true", std::vector<std::string>{
                                         "--wait", sample.file("dispose/archive.customdisposition.xml")}));
    EXPECT_EQ(s.launcher.launches[0].workingDirectory, sample.file("dispose"));
}

// The typical use, end to end through the real windows: main window, mailbox, the dispositions of "Default",
// Add, "ForwardMessage", a new detailed file, filled in and saved, then every window saved on the way out.
TEST_F(QtWindows, TypicalUseWritesTheDetailedFileTheDispositionFileAndTheMasterFile) {
    const std::string masterBefore = ReadFile(sample.master());
    const std::string dispositionsBefore = ReadFile(sample.file("archive.disposition.xml"));
    ShownMainWindow shown(s.services, sample);
    FormWindow& window = shown.window;
    const int archive = RowOf(shown.main, "lstMailboxes", "Archive");
    ASSERT_LT(archive, static_cast<int>(shown.main.Items("lstMailboxes").size()));
    const std::string newFile = sample.file("dispose/escalation.forward.xml");

    s.windows.Expect("frmMailbox", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        Click(editor, "cmdEdit");
        Click(editor, "cmdSave");
    });
    s.windows.Expect("frmDispositions", [&](Form& form) {
        FormWindow dispositions(form);
        dispositions.show();
        EXPECT_EQ(form.Items("lstCategories").front(), "Default");
        EXPECT_EQ(form.Selection("lstCategories"), std::vector<int>{0});
        Click(dispositions, "cmdAdd");  // cancelled
        Click(dispositions, "cmdAdd");
        EXPECT_EQ(form.Items("lstDispositions").back(), "(ForwardMessage) +/dispose/escalation.forward.xml");
        Click(dispositions, "cmdSave");
    });
    // The chooser's Cancel is in sight and adds nothing; Go, its default button, first asks for a type.
    s.windows.Expect("frmChooseType", [&](Form& form) {
        FormWindow chooser(form);
        chooser.show();
        EXPECT_TRUE(Find<QWidget>(chooser, "cmdEscape")->isVisible());
        EXPECT_EQ(Caption(chooser, "cmdEscape"), "Cancel");
        Click(chooser, "cmdEscape");
        EXPECT_TRUE(form.IsClosed());
    });
    s.windows.Expect("frmChooseType", [&](Form& form) {
        FormWindow chooser(form);
        chooser.show();
        EXPECT_TRUE(Find<QPushButton>(chooser, "cmdGo")->isDefault());
        Click(chooser, "cmdGo");  // no type chosen yet
        EXPECT_FALSE(form.IsClosed());
        SelectRow(chooser, "lstDispositionType", RowOf(form, "lstDispositionType", "ForwardMessage"));
        Click(chooser, "cmdGo");
    });
    s.dialogs.AnswerFile(newFile);
    s.windows.Expect("frmForwardMessage", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        EXPECT_EQ(Find<QLineEdit>(editor, "txtFileName")->text(), "+/dispose/escalation.forward.xml");
        Type(editor, "txtFrom", "postvane@example.com");
        Type(editor, "txtSMTPServer", "smtp.example.com");
        QPlainTextEdit* addresses = Find<QPlainTextEdit>(editor, "txtAddresses");
        addresses->setFocus();
        QTest::keyClicks(addresses, "boss@example.com");
        Click(editor, "cmdSave");
        QTest::keyClick(&editor, Qt::Key_Escape);
    });
    // The detailed file and the dispositions file are written; the mailbox is as it was, so the master
    // holds its text already.
    s.prompts.ExpectMessage("Please select a disposition type")
        .ExpectMessage("Saved")
        .ExpectMessage("Saved")
        .ExpectSavedUnchanged(sample.master());
    SelectRow(window, "lstMailboxes", archive);
    Click(window, "cmdEditMailbox");

    EXPECT_EQ(ReadFile(newFile),
              CrLf({
                  "<Disposition>",
                  "\t<From>postvane@example.com</From>",
                  "\t<SMTPServer>smtp.example.com</SMTPServer>",
                  "\t<SMTPPort>25</SMTPPort>",
                  "\t<TlsOption>None</TlsOption>",
                  "\t<Addresses>",
                  "\t\t<Address>boss@example.com</Address>",
                  "\t</Addresses>",
                  "\t<ForwardAsAttachment>1</ForwardAsAttachment>",
                  "\t<SubjectFormat>Forwarded by Postvane - %originalsubject%</SubjectFormat>",
                  "\t<Retries>10</Retries>",
                  "\t<PreserveToAddresses>0</PreserveToAddresses>",
                  "\t<PreserveFromAddress>0</PreserveFromAddress>",
                  "\t<PreserveEnvelopeToAddresses>0</PreserveEnvelopeToAddresses>",
                  "\t<PreserveEnvelopeFromAddress>0</PreserveEnvelopeFromAddress>",
                  "</Disposition>",
                  "",
              }));
    std::string expectedDispositions = dispositionsBefore;
    const std::string endOfDefault = "\t</Default>\r\n";
    expectedDispositions.insert(
        expectedDispositions.find(endOfDefault),
        CrLf({"\t\t<Disposition>", "\t\t\t<Type>ForwardMessage</Type>",
              "\t\t\t<DetailedDispositionFile>+/dispose/escalation.forward.xml</DetailedDispositionFile>",
              "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>"}));
    EXPECT_EQ(ReadFile(sample.file("archive.disposition.xml")), expectedDispositions);
    EXPECT_EQ(ReadFile(sample.master()), masterBefore);
}

// A Monitor element as the monitor file holds it.
std::string MonitorLines(const std::string& className, const std::string& parameter) {
    return CrLf({"\t<Monitor>", "\t\t<ClassName>" + className + "</ClassName>",
                 "\t\t<Parameter>" + parameter + "</Parameter>", "\t</Monitor>"});
}

// The chooser of monitor types, driven through its window: the type's row, then Enter.
std::function<void(Form&)> ChooseInWindow(const std::string& type) {
    return [type](Form& form) {
        FormWindow chooser(form);
        chooser.show();
        EXPECT_EQ(Caption(chooser, "cmdEscape"), "Cancel");
        EXPECT_TRUE(Find<QPushButton>(chooser, "cmdGo")->isDefault());
        SelectRow(chooser, "lstMonitorType", RowOf(form, "lstMonitorType", type));
        QTest::keyClick(&chooser, Qt::Key_Return);
    };
}

// The monitor list from the main window, through the real windows: JMX greys its frame, an entry moves, a
// custom monitor is typed in, a Logger gets a new log configuration file in a folder below the monitor file's
// that is filled in and saved and is moved up, and "Exit and Save Changes" writes exactly that. The Logger's
// file is named against the monitor file, its log file against the Logger's file; the master is not written.
TEST_F(QtWindows, MonitorWindowsFromTheMainWindowWriteTheMonitorAndLogFiles) {
    const std::string before = ReadFile(sample.file("monitor.xml"));
    const std::string masterBefore = ReadFile(sample.master());
    fs::create_directories(sample.file("logging/logs"));
    ShownMainWindow shown(s.services, sample);

    s.windows.Expect("frmMonitor", [&](Form& form) {
        FormWindow monitor(form);
        monitor.show();
        EXPECT_TRUE(Find<QLineEdit>(monitor, "txtFileName")->isReadOnly());
        EXPECT_FALSE(Find<QWidget>(monitor, "cmdEscape")->isVisible());
        QWidget* frame = Find<QWidget>(monitor, "frameJmx");
        EXPECT_TRUE(frame->isEnabled());
        Click(monitor, "chkJmxEnabled");
        EXPECT_FALSE(frame->isEnabled());
        EXPECT_FALSE(Find<QLineEdit>(monitor, "txtHtmlAdaptorPort")->isEnabled());
        Click(monitor, "chkJmxEnabled");
        EXPECT_TRUE(frame->isEnabled());

        SelectRow(monitor, "lstMonitors", 1);
        Click(monitor, "cmdUp");
        EXPECT_EQ(Find<QListWidget>(monitor, "lstMonitors")->currentRow(), 0);
        Click(monitor, "cmdAdd");
        EXPECT_EQ(Find<QListWidget>(monitor, "lstMonitors")->item(5)->text().toStdString(),
                  "+/beeper.cfg(org.example.Beeper)");
        Click(monitor, "cmdAdd");
        Click(monitor, "cmdUp");
        Click(monitor, "cmdSave");
    });
    s.windows.Expect("frmChooseMonitorType", ChooseInWindow("Custom"));
    s.windows.Expect("frmCustomMonitor", [&](Form& form) {
        FormWindow editor(form);
        editor.show();
        Type(editor, "txtClassName", "org.example.Beeper");
        Type(editor, "txtParameter", "+/beeper.cfg");
        Click(editor, "cmdSave");
    });
    s.windows.Expect("frmChooseMonitorType", ChooseInWindow("Logger"));
    s.dialogs.AnswerFile(sample.file("logging/audit.log.xml"));
    s.windows.Expect("frmLog", [&](Form& form) {
        FormWindow log(form);
        log.show();
        EXPECT_EQ(Find<QLineEdit>(log, "txtFileName")->text(), "+/logging/audit.log.xml");
        EXPECT_TRUE(Find<QLineEdit>(log, "txtLogFile")->isReadOnly());
        EXPECT_TRUE(Find<QRadioButton>(log, "optWarning")->isChecked());
        s.dialogs.AnswerFile(sample.file("logging/logs/audit.txt"));
        Click(log, "cmdBrowseLogFile");
        Click(log, "optError");
        EXPECT_FALSE(Find<QRadioButton>(log, "optWarning")->isChecked());
        Click(log, "optNever");
        Click(log, "chkLogToConsole");
        Type(log, "txtOutputFileEncoding", "UTF-8");
        s.prompts.ExpectMessage("Saved");
        Click(log, "cmdSave");
        QTest::keyClick(&log, Qt::Key_Escape);
    });
    s.prompts.ExpectMessage("Saved");
    Click(shown.window, "cmdEditMonitorConfig");

    EXPECT_EQ(ReadFile(sample.file("logging/audit.log.xml")),
              CrLf({"<LogConfig>", "\t<LogFile>+/logs/audit.txt</LogFile>", "\t<LogLevel>Errors</LogLevel>",
                    "\t<LogToConsole>1</LogToConsole>", "\t<LogBackupInterval>Never</LogBackupInterval>",
                    "\t<LogBackupFilesToKeep>14</LogBackupFilesToKeep>",
                    "\t<FileEncoding>UTF-8</FileEncoding>", "</LogConfig>", ""}));
    const std::string log4j = MonitorLines("com.ombrivo.Postvane.monitor.MonitorLog4j", "");
    std::string expected = before;
    expected.erase(expected.find(log4j), log4j.size());
    expected.insert(expected.find("\t<Monitor>"), log4j);
    expected.insert(expected.find("\t<JMX>"),
                    MonitorLines("com.ombrivo.Postvane.monitor.CLogger", "+/logging/audit.log.xml") +
                        MonitorLines("org.example.Beeper", "+/beeper.cfg"));
    EXPECT_EQ(ReadFile(sample.file("monitor.xml")), expected);
    EXPECT_EQ(ReadFile(sample.master()), masterBefore);
}

TEST_F(QtWindows, EmailMonitorAndChartsWindowsWriteWhatIsTypedAndChosen) {
    CMonitorItem email;
    email.MonitorFilePath = sample.file("monitor.xml");
    email.Parameter = "+/alerts.emailmonitor.xml";
    FrmEmailMonitor emailEditor(s.services);
    emailEditor.OpenOn(MonitorFileOf(email));
    {
        FormWindow window(emailEditor);
        window.show();
        Type(window, "txtPort", "465");
        QPlainTextEdit* addresses = Find<QPlainTextEdit>(window, "txtAddresses");
        addresses->setFocus();
        addresses->moveCursor(QTextCursor::End);
        QTest::keyClick(addresses, Qt::Key_Return);
        QTest::keyClicks(addresses, "boss@example.com");
        s.prompts.ExpectMessage("Saved");
        Click(window, "cmdSave");
    }
    const std::string written = ReadFile(sample.file("alerts.emailmonitor.xml"));
    EXPECT_NE(written.find("\t<SMTPPort>465</SMTPPort>\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find(
                  "\t\t<Address>oncall@example.com</Address>\r\n\t\t<Address>boss@example.com</Address>\r\n"),
              std::string::npos)
        << written;

    CMonitorItem charts;
    charts.MonitorFilePath = sample.file("monitor.xml");
    charts.Parameter = "+/charts.reports.xml";
    FrmHistoricalCharts chartsEditor(s.services);
    chartsEditor.OpenOn(MonitorFileOf(charts));
    FormWindow window(chartsEditor);
    window.show();
    fs::create_directories(sample.file("history"));
    s.dialogs.AnswerFolder(sample.file("history"));
    Click(window, "cmdBrowseDataDir");
    EXPECT_EQ(Find<QLineEdit>(window, "txtDataDirectory")->text().toStdString(), "+/history");
    s.prompts.ExpectYesNoCancel("There are unsaved changes, do you wish to save them?", Answer::Yes)
        .ExpectMessage("Saved");
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(chartsEditor.IsClosed());
    EXPECT_EQ(ReadFile(sample.file("charts.reports.xml")),
              CrLf({"<HistoricalCharts>", "\t<OutputDirectory>+/charts/html</OutputDirectory>",
                    "\t<DataDirectory>+/history</DataDirectory>", "</HistoricalCharts>", ""}));
}

}  // namespace
}  // namespace pv::test
