// The keyboard and the dialogs as users of a desktop expect them, driven with real key presses offscreen:
// lists answer Enter, Delete and the arrows, Ctrl+S and F5 press Save and Reload, a failed check puts the
// focus on the field at fault, folding keeps the height the user chose, child windows and message boxes
// are modal dialogs with the icon of their kind, and access keys never change a caption.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <map>

#include "UiTestSupport.h"
#include "actions/FrmForwardMessage.h"
#include "core/MasterLinks.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmDispositions.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmCustomMonitor.h"
#include "support/Scripted.h"
#include "ui/AccessKeys.h"
#include "ui/QtServices.h"

namespace pv::test {
namespace {

using DesktopConventions = OnSampleCopy;

using ui::FormWindow;

void Activate(QWidget& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Enter presses the button that has the keyboard, as Space does: on Cancel it is Cancel's, which asks about
// the edit, not the default button's, which would keep it.
TEST_F(DesktopConventions, EnterPressesTheFocusedButtonNotTheDefaultOne) {
    CMonitorItem entry;
    entry.ClassName = "com.example.Pager";
    FrmCustomMonitor editor(s.services);
    editor.PassMonitorObject(entry);
    FormWindow window(editor);
    window.show();
    Activate(window);
    Type(window, "txtClassName", "com.example.Typo");
    QWidget* cancel = window.controlWidget("cmdCancel");
    cancel->setFocus();
    s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Cancel);
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_FALSE(editor.IsClosed());
    EXPECT_EQ(entry.ClassName, "com.example.Pager");
}

// A list shows an entry on one line: a line break in a mailbox's name is a blank there, as in the mailbox
// editor's box, not a second line cut off under the first. A control of the writing direction in a name is
// shown by its code, in the list and in a message that names the mailbox, so that it can neither turn the
// rest of the line around nor hide; the editor's box keeps the name exactly.
TEST_F(DesktopConventions, AListShowsALineBreakInANameAsABlankAndADirectionControlByItsCode) {
    std::string master = ReadFile(sample.master());
    master.replace(master.find("<Name>Sales</Name>"), 18, "<Name>Sa&#10;les</Name>");
    master.replace(master.find("<Name>Support</Name>"), 20, "<Name>Support&#x202E;team</Name>");
    WriteFile(sample.master(), master);
    ShownMainWindow shown(s.services, sample);
    const auto* list = Find<QListWidget>(shown.window, "lstMailboxes");
    std::vector<std::string> lines;
    for (int row = 0; row < list->count(); ++row) lines.push_back(list->item(row)->text().toStdString());
    EXPECT_EQ(lines, (std::vector<std::string>{"Support<U+202E>team", "Sa les", "Billing", "Archive",
                                               "Local Drop", "Bulk Drop"}));

    std::string named;
    s.windows.Expect("frmMailbox", [&](Form& form) {
        FormWindow editor(form);
        named = Find<QLineEdit>(editor, "txtMailboxName")->text().toStdString();
        form.UserSetText("txtUser", "a\001b");
        form.UserClick("cmdSave");
    });
    s.prompts.ExpectMessageStartingWith("Error saving=1002:");
    shown.main.UserSelect("lstMailboxes", {0});
    shown.main.UserClick("cmdEditMailbox");
    EXPECT_EQ(named, "Support\u202Eteam");
    ASSERT_FALSE(s.prompts.shown.empty());
    std::string text;
    QTimer::singleShot(0, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text().toStdString();
            box->close();
        }
    });
    ui::QtPrompts().ShowMessage(s.prompts.shown.back());
    EXPECT_EQ(text,
              "Error saving=1002:The value of User of mailbox \"Support<U+202E>team\" cannot be saved: its "
              "character 2 is U+0001, a character that an XML file cannot hold. Nothing was written.");
    // A window's title may carry a file's name, as the History window's does.
    Form history("frmHistory", "History of Support\u202Eteam.xml");
    EXPECT_EQ(FormWindow(history).windowTitle().toStdString(), "History of Support<U+202E>team.xml");
}

TEST_F(DesktopConventions, TheMailboxListAnswersTheArrowsEnterDeleteTabCtrlSAndF5) {
    ShownMainWindow shown(s.services, sample);
    FormWindow& window = shown.window;
    Activate(window);
    auto* list = Find<QListWidget>(window, "lstMailboxes");
    // The list is where the main window's work starts; a focused list always has a selected line.
    EXPECT_EQ(window.focusWidget(), list);
    QApplication::processEvents();
    EXPECT_EQ(shown.main.Selection("lstMailboxes"), std::vector<int>{0});

    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(shown.main.Selection("lstMailboxes"), std::vector<int>{1});
    // Tab goes on to the next control, one only: the button after it is Add, and Space would press it.
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "cmdEditMailbox");
    list->setFocus();

    std::string edited;
    s.windows.Expect("frmMailbox", [&](Form& form) {
        edited = form.Text("txtMailboxName");
        form.UserClick("cmdCancel");
    });
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(edited, shown.main.Items("lstMailboxes")[1]);
    // The key the mailbox Edit shows opens the mailbox as Enter does (a button's key clicks it a moment
    // later).
    const QString editCaption = Find<QPushButton>(window, "cmdEditMailbox")->text();
    ASSERT_EQ(editCaption.count('&'), 1);
    const QChar editKey = editCaption[editCaption.indexOf('&') + 1].toUpper();
    std::string opened;
    s.windows.Expect("frmMailbox", [&](Form& form) {
        opened = form.Text("txtMailboxName");
        form.UserClick("cmdCancel");
    });
    QTest::keyClick(list, Qt::Key(editKey.unicode()), Qt::AltModifier);
    QTest::qWait(200);
    EXPECT_EQ(opened, edited);

    s.prompts.ExpectYesNo(
        "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\n"
        "Mailbox to remove: \"" +
            edited + "\"",
        Answer::No, kConfirmDeleteTitle);
    QTest::keyClick(list, Qt::Key_Delete);

    s.prompts.ExpectSavedUnchanged(sample.master());
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);

    // The keys of the controls always shown are the same whether the window opened folded or not, and
    // stay when it folds or unfolds; the fold button's key is a letter both its captions have.
    const auto keyed = [](FormWindow& shownWindow) {
        std::string keys;
        const QWidget* area = shownWindow.findChild<QWidget*>("frameAdvanced");
        for (QWidget* widget : shownWindow.findChildren<QWidget*>()) {
            const auto* label = qobject_cast<QLabel*>(widget);
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const QString text = label ? label->text() : button ? button->text() : QString();
            const int at = text.indexOf(QRegularExpression("&[^&]"));
            if (area->isAncestorOf(widget) || at < 0) continue;
            const QString caption =
                widget->objectName() == "cmdMoreLess" ? "(fold)" : ui::WithoutAccessKey(text);
            keys += caption.toStdString() + " Alt+" + text[at + 1].toUpper().toLatin1() + "\n";
        }
        return keys;
    };
    const std::string alwaysShown =
        "Master Configuration File name: Alt+C\nReload Alt+R\nSave Alt+S\nMonitoring/Logging Config File: Alt+F\n"
        "Edit Alt+E\nHistory… Alt+Y\nMailboxes: Alt+L\nEdit Alt+I\nAdd Alt+A\nDelete Alt+D\nOverview Alt+V\n"
        "(fold) Alt+N\nReview changes before saving Alt+B\nRemember nothing between runs Alt+W\nHelp Alt+H\n"
        "About Alt+O\n";
    EXPECT_EQ(keyed(window), alwaysShown);
    Click(window, "cmdMoreLess");
    EXPECT_EQ(keyed(window), alwaysShown);
    {
        // The next run opens unfolded, as this one was left.
        ShownMainWindow unfolded(s.services, sample);
        EXPECT_EQ(Caption(unfolded.window, "cmdMoreLess"), "Basic Settings");
        EXPECT_EQ(keyed(unfolded.window), alwaysShown);
        Click(unfolded.window, "cmdMoreLess");
        EXPECT_EQ(keyed(unfolded.window), alwaysShown);
        Click(unfolded.window, "cmdMoreLess");
    }
    // F5 reloads: a pending edit of the One Pass box is gone, once the user said not to keep it.
    const bool onePass = shown.main.Checked("chkOnePass");
    Click(window, "chkOnePass");
    EXPECT_TRUE(shown.main.changed());
    s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_FALSE(shown.main.changed());
    EXPECT_EQ(shown.main.Checked("chkOnePass"), onePass);
}

// The category list shows the tree by indenting its lines; a screen reader, which reads no blanks, hears
// each category's level.
TEST_F(DesktopConventions, TheCategoryListTellsAScreenReaderTheLevelOfEachCategory) {
    FrmMain main(s.services);
    main.Open(sample.master(), sample.dir.path());
    FrmDispositions dispositions(s.services, main);
    ASSERT_TRUE(dispositions.LoadFromFile("+/billing.disposition.xml", main.FullPathToMasterConfig()));
    FormWindow window(dispositions);
    window.show();
    auto* list = Find<QListWidget>(window, "lstCategories");
    // The levels are given when an assistive tool starts listening, here after the list was filled.
    EXPECT_FALSE(list->item(3)->data(Qt::AccessibleTextRole).isValid());
    QAccessible::setActive(true);
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(list)->tableInterface();
    ASSERT_NE(table, nullptr);
    std::vector<std::string> heard;
    for (int row = 0; row < list->count(); ++row)
        heard.push_back(table->cellAt(row, 0)->text(QAccessible::Name).toStdString());
    EXPECT_EQ(heard,
              (std::vector<std::string>{"Default, level 1", "Support, level 2", "SupportUrgent, level 3",
                                        "SupportUrgentOutage, level 4", "Sales, level 2",
                                        "SalesLeads, level 3", "Billing, level 2", "BillingInvoices, level 3",
                                        "BillingInvoicesOverdue, level 4", "Junk, level 2"}));
    EXPECT_EQ(list->item(3)->text(), "      SupportUrgentOutage");

    // Every line is as wide as the widest, so a deep one is shown whole, with a scroll bar, rather than cut
    // to the first's width.
    list->setFixedWidth(120);
    QApplication::processEvents();
    const QFontMetrics metrics(list->font());
    EXPECT_GE(list->visualItemRect(list->item(8)).width(),
              metrics.horizontalAdvance(list->item(8)->text()));  // "      BillingInvoicesOverdue"
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    // Typing finds a line by its name after the indentation; the same letter again goes on to the next.
    list->setFocus();
    QTest::keyClicks(list, "billingi");
    EXPECT_EQ(dispositions.Selection("lstCategories"), std::vector<int>{7});
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(list, "s");
    EXPECT_EQ(dispositions.Selection("lstCategories"), std::vector<int>{1});
    QTest::keyClicks(list, "s");
    EXPECT_EQ(dispositions.Selection("lstCategories"), std::vector<int>{2});
}

TEST_F(DesktopConventions, AFailedCheckPutsTheFocusOnTheFieldAtFault) {
    CMailbox record;
    record.sName = "Support";
    record.sProtocol = "imap";
    ShownMailboxEditor shown(s.services, sample, record);
    FrmMailbox& editor = shown.editor;
    FormWindow& window = shown.window;
    Activate(window);
    Type(window, "txtThreads", "two");
    s.prompts.ExpectMessage("Threads must be numeric");
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(window.focusWidget(), window.controlWidget("txtThreads"));
    EXPECT_FALSE(editor.IsClosed());
    // Escape, or the window's close button, asks whether to keep the edits; a No leaves the record as it was.
    Type(window, "txtThreads", "2");
    Type(window, "txtSubfolder", "INBOX.sub");
    const char* keep = "There are unsaved changes, do you wish to keep them?";
    s.prompts.ExpectYesNoCancel(keep, Answer::Cancel);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(editor.IsClosed());
    s.prompts.ExpectYesNoCancel(keep, Answer::No);
    window.close();
    EXPECT_TRUE(editor.IsClosed());
    EXPECT_EQ(std::make_pair(record.nThreads, record.sSubfolder),
              std::make_pair(CMailbox().nThreads, std::string()));

    // In a file editor, the checks of the engine do the same.
    ShownForwardEditor shownForward(s.services, sample);
    FrmForwardMessage& forward = shownForward.editor;
    FormWindow& forwardWindow = shownForward.window;
    Activate(forwardWindow);
    Type(forwardWindow, "txtPort", "");
    Type(forwardWindow, "txtFrom", "relay@example.com");
    s.prompts.ExpectMessage("Port is missing");
    Click(forwardWindow, "cmdSave");
    EXPECT_EQ(forwardWindow.focusWidget(), forwardWindow.controlWidget("txtPort"));
    EXPECT_EQ(forward.requestedFocus(), "txtPort");
}

// Ctrl+Z in a text box undoes its own typing first, then the window's steps in order, wherever the focus
// is; Ctrl+Shift+Z and Ctrl+Y redo them. Undone back to what was loaded, the window is unchanged.
TEST_F(DesktopConventions, CtrlZUndoesTheTypingInTheBoxFirstThenTheWindowsStepsInOrder) {
    CMailbox record;
    record.sName = "Support";
    record.sProtocol = "imap";
    record.sHost = "mail.example.com";
    ShownMailboxEditor shown(s.services, sample, record);
    FrmMailbox& editor = shown.editor;
    FormWindow& window = shown.window;
    Activate(window);
    QAction* undo = window.findChild<QAction*>("actUndo");
    QAction* redo = window.findChild<QAction*>("actRedo");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };

    Click(window, "optPops");
    ASSERT_TRUE(editor.Checked("optPops"));
    EXPECT_TRUE(undo->isEnabled());
    QLineEdit* host = Find<QLineEdit>(window, "txtHost");
    Type(window, "txtHost", "pop.example.com");
    ASSERT_EQ(editor.Text("txtHost"), "pop.example.com");
    // The box's own typing first, keystroke by keystroke as the box keeps it; the option stays.
    for (int presses = 0; host->isUndoAvailable() && presses < 40; ++presses)
        press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(host->text(), "mail.example.com");
    EXPECT_EQ(editor.Text("txtHost"), "mail.example.com");
    EXPECT_TRUE(editor.Checked("optPops"));
    // So undone, the typing is a step undone: Redo types it again, whole, and Undo takes it back.
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(std::make_tuple(host->text(), editor.Text("txtHost")),
              std::make_tuple(QString("pop.example.com"), std::string("pop.example.com")));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(std::make_tuple(host->text(), editor.Checked("optPops")),
              std::make_tuple(QString("mail.example.com"), true));

    // Typed again and left: the window's steps, in order, from the next box.
    Type(window, "txtHost", "pop.example.com");
    press(Qt::Key_Tab, Qt::NoModifier);
    ASSERT_NE(QApplication::focusWidget(), host);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(host->text(), "mail.example.com");
    EXPECT_TRUE(editor.Checked("optPops"));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(editor.Checked("optIMAP"));
    EXPECT_TRUE(Find<QRadioButton>(window, "optIMAP")->isChecked());
    EXPECT_FALSE(editor.changed());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());

    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(Find<QRadioButton>(window, "optPops")->isChecked());
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(host->text(), "pop.example.com");
    EXPECT_EQ(editor.Text("txtHost"), "pop.example.com");
    EXPECT_TRUE(editor.changed());
    EXPECT_FALSE(redo->isEnabled());
}

TEST_F(DesktopConventions, ARecordWithAnUnknownProtocolShowsNoOptionSelectedUntilOneIsPicked) {
    MasterLinks master;
    master.masterFilePath = sample.master();
    CMailbox record;
    record.sProtocol = "smoke-signals";
    FrmMailbox editor(s.services, master);
    s.prompts.ExpectMessage("Unknown protocol=smoke-signals");
    editor.LoadFromObject(record);
    FormWindow window(editor);
    window.show();
    Activate(window);
    for (const char* name :
         {"optPOP", "optPops", "optIMAP", "optImaps", "optMaildir", "optHighperfMaildir"}) {
        EXPECT_FALSE(Find<QRadioButton>(window, name)->isChecked()) << name;
    }
    // The group is one Tab stop, on its first option; the arrows then pick the next one.
    auto* first = Find<QRadioButton>(window, "optPOP");
    EXPECT_TRUE(first->focusPolicy() & Qt::TabFocus);
    Click(window, "optPOP");
    EXPECT_TRUE(editor.Checked("optPOP"));
    QTest::keyClick(first, Qt::Key_Right);
    EXPECT_TRUE(editor.Checked("optPops"));
    EXPECT_TRUE(Find<QRadioButton>(window, "optPops")->isChecked());
    EXPECT_FALSE(first->isChecked());
    // Clicking the selected option keeps it selected, on screen as in the logic.
    Click(window, "optPops");
    EXPECT_TRUE(Find<QRadioButton>(window, "optPops")->isChecked());
    EXPECT_TRUE(editor.Checked("optPops"));
}

// A child window is a modal dialog of the window on top, and closing it or a box over it gives the keyboard
// back to the control below.
TEST_F(DesktopConventions, AChildWindowIsAModalDialogOfTheWindowOnTopAndGivesTheKeyboardBack) {
    ShownMainWindow shown(s.services, sample);
    Activate(shown.window);
    QWidget* list = shown.window.controlWidget("lstMailboxes");
    list->setFocus();
    FrmMailbox editor(s.services, shown.main);
    // What the dialog is, seen while it is open (it is gone once ShowModal returns).
    QWidget* host = nullptr;
    QWidget* parent = nullptr;
    QWindow* transientParent = nullptr;
    Qt::WindowFlags flags;
    QTimer::singleShot(0, [&] {
        host = QApplication::activeModalWidget();
        if (!host) return;
        parent = host->parentWidget();
        transientParent = host->windowHandle()->transientParent();
        flags = host->windowFlags();
        // The window gets the focus while it is open; a box over it, closed, gives the focus back to it.
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        ui::QtPrompts().ShowMessage("Threads must be numeric");
        EXPECT_TRUE(QTest::qWaitForWindowActive(host));
        editor.UserClick("cmdCancel");
    });
    ASSERT_EQ(ui::WindowToOwnDialogs(), &shown.window);
    ui::QtWindowHost().ShowModal(editor);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(std::make_tuple(parent, transientParent, flags & Qt::WindowType_Mask),
              std::make_tuple(static_cast<QWidget*>(&shown.window), shown.window.windowHandle(), Qt::Dialog));
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    EXPECT_EQ(QApplication::focusWidget(), list);
}

TEST_F(DesktopConventions, TheMainWindowOffersTheCopyOfAnUnfinishedSaveAndYesPutsItBack) {
    ui::QtPrompts boxes;
    Services services{s.services.paths, boxes,     s.dialogs,           s.windows, s.launcher,
                      s.clipboard,      s.editors, s.services.settings, s.review};
    const std::string whole = ReadFile(sample.master());
    const std::string copy = sample.master() + ".before-save";
    WriteFile(copy, whole);
    WriteFile(sample.master(), whole.substr(0, 40));
    QString asked;
    QTimer::singleShot(0, [&asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            box->button(QMessageBox::Yes)->click();
        }
    });
    ShownMainWindow shown(services, sample);
    EXPECT_TRUE(
        asked.startsWith(QString::fromStdString("The last save of " + sample.master() + " did not finish")))
        << asked.toStdString();
    EXPECT_EQ(ReadFile(sample.master()), whole);
    EXPECT_FALSE(std::filesystem::exists(copy));
    auto* list = Find<QListWidget>(shown.window, "lstMailboxes");
    EXPECT_EQ(list->count(), static_cast<int>(shown.main.mailboxes().Keys().size()));
    EXPECT_GT(list->count(), 0);
}

TEST_F(DesktopConventions, MessageBoxesCarryTheIconOfTheirKind) {
    ui::QtPrompts prompts;
    const auto iconOf = [](const std::function<void()>& show) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&icon] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                icon = box->icon();
                box->close();
            }
        });
        show();
        return icon;
    };
    EXPECT_EQ(iconOf([&] { prompts.ShowMessage("Threads must be numeric"); }), QMessageBox::Warning);
    EXPECT_EQ(iconOf([&] { prompts.ShowInformation("Saved"); }), QMessageBox::Information);
    EXPECT_EQ(iconOf([&] { prompts.AskYesNo("File does not exist, do you want to create it?", kAppTitle); }),
              QMessageBox::Question);
    EXPECT_EQ(iconOf([&] { prompts.AskYesNoCancel(kSaveChangesQuestion); }), QMessageBox::Question);

    // A habitual Enter answers what changes nothing: No where Yes drops or overwrites what the file holds;
    // Cancel where No may drop something too, as in the questions only a window asks (another program's
    // change, a save without a backup, the copy of an unfinished save).
    const auto enter = [](const std::function<Answer()>& ask) {
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
        });
        return ask();
    };
    EXPECT_EQ(
        enter([&] {
            return prompts.AskToSaveDespite(
                {"The file f.xml holds what this window does not keep, and a save would leave it out: the "
                 "element A/B. Do you want to save anyway?",
                 "The file f.xml holds ..."});
        }),
        Answer::No);
    EXPECT_EQ(
        enter([&] {
            return prompts.AskOrTell({MessageKind::Question,
                                      "The file f.xml has been changed by another program since this "
                                      "window read it. Do you want to overwrite it with what this window "
                                      "shows? Yes overwrites it; No reads it again, discarding the edits "
                                      "made in this window; Cancel does neither.",
                                      "The file f.xml has been changed by another program since it was "
                                      "read, so it was not written: that change is kept."});
        }),
        Answer::Cancel);
}

// A file dialog's filters show the pattern that applies, once, whatever the description already names.
TEST_F(DesktopConventions, FileFiltersShowTheirPatternOnce) {
    ScriptedPrompts prompts;
    ui::QtFileDialogs dialogs(prompts);
    // The filters the dialog offers, one a line.
    const auto shownFilters = [&](const std::string& filter) {
        QStringList shown;
        QTimer::singleShot(0, [&shown] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                shown = dialog->nameFilters();
                dialog->reject();
            }
        });
        FileDialogRequest request;
        request.title = "Open";
        request.filter = filter;
        EXPECT_EQ(dialogs.ChooseOpenFile(request), std::nullopt);
        return shown.join("\n").toStdString();
    };
    EXPECT_EQ(shownFilters(
                  "Disposition config files(*.disposition.xml)|*.disposition.xml|All xml files(*.xml)|*.xml"),
              "Disposition config files (*.disposition.xml)\nAll xml files (*.xml)");
    EXPECT_EQ(shownFilters("Master config files(*.master.xml)|*master.xml"),
              "Master config files (*master.xml)");
    EXPECT_EQ(shownFilters("*.txt|*.txt"), "*.txt");
}

// The captions stay the logic's: a "&" in one is shown as it is, and the key marker comes off again.
TEST_F(DesktopConventions, AccessKeysGoToMeaningfulLettersAndLeaveCaptionsAsTheyAre) {
    const std::vector<int> keys = ui::ChooseAccessKeys(
        {{"Save", 0}, {"Exit and Discard Changes", 0}, {"Subfolder:", 1}, {"Send & Receive", 1}, {"S", 1}});
    EXPECT_EQ(keys, (std::vector<int>{0, 1, 1, 7, -1}));  // S, x (leaving without saving), u, R; no "S"
    EXPECT_EQ(ui::WithAccessKey("Send & Receive", 7), "Send && &Receive");
    EXPECT_EQ(ui::WithoutAccessKey("Send && &Receive"), "Send & Receive");
    // A caption whose letters are taken gets one from an earlier caption of its rank that can move.
    EXPECT_EQ(ui::ChooseAccessKeys({{"Ab", 1}, {"A", 1}}), (std::vector<int>{1, 0}));
    // A caption that changes takes a letter all its captions have (a, not B); one always shown is served
    // before one in a folding area, whatever their order.
    EXPECT_EQ(ui::ChooseAccessKeys({{"Basic Settings", 0, -1, {"Advanced Settings", "Basic Settings"}},
                                    {"Brush", 1},
                                    {"Mine", 1, -1, {}, true},
                                    {"Mode", 1}}),
              (std::vector<int>{1, 0, 1, 0}));
}

}  // namespace
}  // namespace pv::test
