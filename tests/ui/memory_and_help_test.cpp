// What the editor remembers between runs, and its help, offscreen: the settings file written and read back,
// windows reopening where they were (and on the screen when that place is gone), the master file box's recent
// files, F1 and the help and About windows.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include "UiTestSupport.h"
#include "core/Backups.h"
#include "core/xml.h"
#include "master/FrmAbout.h"
#include "master/FrmHelp.h"
#include "support/Scripted.h"
#include "ui/QtSettings.h"

namespace pv::test {
namespace {

using ui::FormWindow;

// Answers as `answers` does, and takes the keyboard while it asks, as a message box does.
class ModalPrompts : public IPrompts {
  public:
    explicit ModalPrompts(IPrompts& answers) : answers_(answers) {}
    void Show(const Message& message) override {
        TakeKeyboard();
        answers_.Show(message);
    }
    Answer AskYesNo(const std::string& text, const std::string& title) override {
        TakeKeyboard();
        return answers_.AskYesNo(text, title);
    }
    Answer AskYesNoCancel(const std::string& text) override {
        TakeKeyboard();
        return answers_.AskYesNoCancel(text);
    }

  private:
    static void TakeKeyboard() {
        if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
    }
    IPrompts& answers_;
};

// Remembering nothing forgets what was remembered, not the choices made (no backups), and what another editor
// running on the same file remembered as well; each editor reads the file again before changing a list.
TEST(Memory, SettingsAreWrittenAtOnceReadBackAndRememberingNothingLeavesOnlyThatChoiceAndThePreferences) {
    TempDir temp;
    const QString path = QString::fromStdString(temp / "postvane-config.conf");
    {
        ui::QtSettings other(path);
        ui::QtSettings settings(path);
        settings.SetText(kBackupsKeptKey, "0");
        RememberRecent(other, kRecentMastersKey, "/srv/other.xml");
        settings.SetText(kLastFolderKey, "/srv/cfg");
        RememberRecent(settings, kRecentMastersKey, "/srv/a master.xml");
        RememberRecent(settings, kRecentMastersKey, "/srv/b.xml");
        // A name that is not UTF-8 would be kept as another name: not kept at all.
        RememberRecent(settings, kRecentMastersKey, "/srv/\xE9t\xE9.xml");
    }
    {
        ui::QtSettings settings(path);
        ui::QtSettings other(path);
        EXPECT_EQ(
            std::make_tuple(settings.Keeping(), settings.Text(kLastFolderKey),
                            settings.List(kRecentMastersKey)),
            std::make_tuple(true, std::string("/srv/cfg"),
                            std::vector<std::string>{"/srv/b.xml", "/srv/a master.xml", "/srv/other.xml"}));
        other.SetText(WindowPlaceKey("frmMain"), "1 2 3 4");
        settings.SetKeeping(false);
        settings.SetText(kLastFolderKey, "/for/this/run");
        EXPECT_EQ(std::make_tuple(settings.Text(kLastFolderKey), settings.Text(kBackupsKeptKey)),
                  std::make_tuple(std::string("/for/this/run"), std::string("0")));
        // The other editor follows the choice as it next sets something.
        other.SetText(kLastFolderKey, "/elsewhere");
        EXPECT_FALSE(other.Keeping());
    }
    EXPECT_EQ(ReadFile(temp / "postvane-config.conf"),
              "[General]\nrememberNothing=true\n\n[backups]\nkept=0\n");
    // A settings file that cannot be written is told once, with its path.
    {
        const QString blocked = QString::fromStdString(temp / "postvane-config.conf/inside.conf");
        ui::QtSettings unwritable(blocked);
        std::vector<std::string> told;
        unwritable.TellWhenUnwritable([&](const std::string& file) { told.push_back(file); });
        unwritable.SetText(kLastFolderKey, "/a");
        unwritable.SetText(kLastFolderKey, "/b");
        EXPECT_EQ(told, std::vector<std::string>{blocked.toStdString()});
        EXPECT_EQ(unwritable.Text(kLastFolderKey), "/b");
    }
    ui::QtSettings settings(path);
    EXPECT_EQ(
        std::make_tuple(settings.Keeping(), settings.Text(kLastFolderKey), settings.List(kRecentMastersKey)),
        std::make_tuple(false, std::string(), std::vector<std::string>{}));
    // Nor does Qt's file dialog keep the folders it visited while nothing is kept.
    const auto dialogState = [] { return QSettings(QSettings::UserScope, "QtProject").fileName(); };
    EXPECT_TRUE(dialogState().startsWith("/dev/null/")) << dialogState().toStdString();
    settings.SetKeeping(true);
    EXPECT_FALSE(dialogState().startsWith("/dev/null/"));
    settings.SetText(kLastFolderKey, "/kept");
    EXPECT_EQ(ReadFile(temp / "postvane-config.conf"), "[General]\nlastFolder=/kept\n\n[backups]\nkept=0\n");

    // A value written by hand that Qt reads as a list or as another kind of value is no count, not an unset
    // one: every backup is kept rather than all but the default ten.
    for (const auto& [written, read] :
         {std::pair<std::string, std::string>{"1,000", "1, 000"}, {"@Rect(1 2 3 4)", "@QRect"}}) {
        WriteFile(temp / "by-hand.conf", "[backups]\nkept=" + written + "\n");
        const ui::QtSettings byHand(QString::fromStdString(temp / "by-hand.conf"));
        EXPECT_EQ(std::make_tuple(byHand.Text(kBackupsKeptKey), EditorBackups(byHand).kept),
                  std::make_tuple(read, SIZE_MAX));
    }
}

TEST(Memory, AWindowReopensWhereItWasClosedAndOnTheScreenWhenThatPlaceIsGone) {
    TempDir temp;
    ScriptedServices s(temp.path());
    MemorySettings memory;
    FormWindow::RememberPlacesIn(&memory);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        FrmAbout about(s.services, "");
        FormWindow window(about);
        window.show();
        window.setGeometry(screen.x() + 30, screen.y() + 40, 420, 300);
        window.hide();
    }
    const std::string kept = memory.Text(WindowPlaceKey("frmAbout"));
    EXPECT_EQ(kept, PlaceText({screen.x() + 30, screen.y() + 40, 420, 300}));
    {
        FrmAbout about(s.services, "");
        FormWindow window(about);
        window.show();
        EXPECT_EQ(window.geometry(), QRect(screen.x() + 30, screen.y() + 40, 420, 300));
    }
    // Kept on a screen to the right that is no longer there, larger than this one.
    memory.SetText(WindowPlaceKey("frmAbout"), PlaceText({screen.right() + 500, 10, 5000, 300}));
    FrmAbout about(s.services, "");
    FormWindow window(about);
    window.show();
    const QRect room =
        screen.adjusted(0, 0, -FormWindow::frameAllowance().width(), -FormWindow::frameAllowance().height());
    EXPECT_TRUE(room.contains(window.geometry()))
        << window.geometry().x() << "," << window.geometry().width();
    EXPECT_EQ(window.geometry().width(), room.width());
    FormWindow::RememberPlacesIn(nullptr);
}

TEST(Memory, TheMasterFileBoxOffersTheRecentMastersAndF1OpensTheHelp) {
    SampleCopy sample;
    ScriptedServices s(sample.dir.path());
    // A master far down a long path, opened once, is on the list too: the window still narrows as far as
    // its controls allow, rather than to the width of the longest name ever opened.
    const std::string deep = sample.file(std::string(120, 'd') + "/" + std::string(120, 'e') + "/m.xml");
    std::filesystem::create_directories(std::filesystem::path(deep).parent_path());
    std::filesystem::copy_file(sample.master(), deep);
    RememberRecent(s.settings, kRecentMastersKey, deep);
    const std::string other = sample.file("other master.xml");
    std::filesystem::copy_file(sample.master(), other);
    RememberRecent(s.settings, kRecentMastersKey, other);
    ModalPrompts prompts(s.prompts);
    Services services{s.services.paths, prompts,   s.dialogs,  s.windows, s.launcher,
                      s.clipboard,      s.editors, s.settings, s.review};
    ShownMainWindow shown(services, sample);
    shown.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    auto* box = Find<QComboBox>(shown.window, "txtMasterConfig");
    const int longest = box->fontMetrics().horizontalAdvance(QString::fromStdString(deep));
    EXPECT_LT(box->minimumSizeHint().width(), longest / 4);
    EXPECT_EQ(box->lineEdit()->text().toStdString(), sample.master());
    // A path longer than the box shows its end, the file's name.
    EXPECT_EQ(box->lineEdit()->cursorPosition(), box->lineEdit()->text().size());
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(std::make_tuple(box->itemText(0).toStdString(), box->itemText(1).toStdString(),
                              box->itemText(2).toStdString()),
              std::make_tuple(sample.master(), other, deep));
    // With a change unsaved, Return on the box chooses nothing; choosing a line asks once, about leaving
    // the open file.
    Click(shown.window, "cmdMoreLess");
    Click(shown.window, "chkOnePass");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
    QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    s.prompts.VerifyAllUsed();
    // The box shows the name as a master chosen in the dialog is shown: below the program's folder, "./".
    EXPECT_EQ(std::make_tuple(box->lineEdit()->text().toStdString(), box->itemText(0).toStdString(),
                              box->itemText(1).toStdString()),
              std::make_tuple(std::string("./config/other master.xml"), other, sample.master()));

    s.windows.Expect("frmHelp", [](Form& help) { help.UserClick("cmdEscape"); });
    QTest::keyClick(&shown.window, Qt::Key_F1);
    EXPECT_EQ(s.windows.shown, std::vector<std::string>{"frmHelp"});
}

TEST(Memory, TheHelpIsShownRendered) {
    TempDir temp;
    WriteFile(temp / "share/postvane-config/README.md",
              "## Using the editor\nOpen **the master** file.\n\n## The command-line tool\n- `check`\n");
    ScriptedServices s(temp / "bin");
    FrmHelp help(s.services);
    FormWindow helpWindow(help);
    helpWindow.show();
    EXPECT_EQ(Find<QTextBrowser>(helpWindow, "txtHelp")->toPlainText().toStdString(),
              "Using the editor\nOpen the master file.\nThe command-line tool\ncheck");
    EXPECT_EQ(helpWindow.windowTitle().toStdString(), "PostvaneConfig Help");
}

}  // namespace
}  // namespace pv::test
