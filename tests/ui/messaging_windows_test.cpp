// The windows of the messaging dispositions, offscreen: added from the dispositions editor, filled in through
// their widgets, saved, and the files compared byte for byte.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

#include "UiTestSupport.h"
#include "actions/FrmCopyToIMAPFolder.h"
#include "core/MasterLinks.h"
#include "core/password.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmDispositions.h"
#include "monitoring/MonitorEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv::test {
namespace {

namespace fs = std::filesystem;
using ui::FormWindow;

// The scenario's configuration copied into a temporary folder, with a "dispose" folder beside it.
struct ScenarioFolder {
    ScenarioFolder() {
        fs::copy(TestData("actions/scenario"), dir.path(), fs::copy_options::recursive);
        fs::create_directories(dir / "dispose/rules/backup");
        fs::create_directories(dir / "dispose/mail");
        links.masterFilePath = dir / "master.xml";
        links.dispositionTypes[0] = "+/dispositionTypes.xml";
        links.categoryDefinitions[0] = "+/categoryDefinitions.xml";
    }
    std::string file(const std::string& relative) const { return dir / relative; }
    TempDir dir;
    MasterLinks links;
};

std::string Disposition(const std::string& type, const std::string& file) {
    return CrLf({"\t\t<Disposition>", "\t\t\t<Type>" + type + "</Type>",
                 "\t\t\t<DetailedDispositionFile>" + file + "</DetailedDispositionFile>",
                 "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>"});
}

TEST(QtMessagingWindows, EachTypeIsAddedThroughTheChooserCreatedFilledAndSaved) {
    ScenarioFolder folder;
    ScriptedServices s(folder.dir.path());
    FrmDispositions dispositions(s.services, folder.links);
    ASSERT_TRUE(dispositions.LoadFromFile("+/messaging.disposition.xml", folder.links.masterFilePath));
    FormWindow window(dispositions);
    window.show();

    // One disposition of `type`: the chooser, a new file in the editor's first step, then `fill`.
    const auto add = [&](const std::string& type, const std::string& editorKind, const std::string& newFile,
                         const std::function<void(FormWindow&)>& fill) {
        s.windows.Expect("frmChooseType", [&, type](Form& form) {
            FormWindow chooser(form);
            chooser.show();
            SelectRow(chooser, "lstDispositionType", RowOf(form, "lstDispositionType", type));
            Click(chooser, "cmdGo");
        });
        s.dialogs.AnswerFile(folder.file(newFile));
        s.windows.Expect(editorKind, [&, fill](Form& form) {
            FormWindow editor(form);
            editor.show();
            EXPECT_EQ(ReadFile(folder.file(newFile)), "<Disposition>\r\n</Disposition>\r\n");
            fill(editor);
            s.prompts.ExpectMessage("Saved");
            Click(editor, "cmdSave");
            QTest::keyClick(&editor, Qt::Key_Escape);
            EXPECT_TRUE(form.IsClosed());
        });
        Click(window, "cmdAdd");
    };
    add("MoveToSubfolder", "frmMoveToSubfolder", "dispose/resolved.movetosubfolder.xml",
        [](FormWindow& editor) {
            Type(editor, "txtSubfolder", "Resolved");
            Click(editor, "chkMarkAsUnread");
        });
    add("CopyToIMAPFolder", "frmCopyToIMAPFolder", "dispose/archive.copytoimapfolder.xml",
        [](FormWindow& editor) {
            Type(editor, "txtHost", "imap.example.org");
            Click(editor, "chkImaps");
            Type(editor, "txtDomain", "");
            Type(editor, "txtUser", "archiver");
            Type(editor, "txtAlias", "");
            Type(editor, "txtPassword", "Pa55 word!");
            Type(editor, "txtSubfolder", "Archive");
        });
    add("RuleUpdate", "frmRuleUpdate", "dispose/vendor.ruleupdate.xml", [&](FormWindow& editor) {
        Type(editor, "txtDirectory", QString::fromStdString(folder.file("dispose/rules")));
        Type(editor, "txtBackupDirectory", "+/rules/backup");
        Click(editor, "chkRestart");
    });
    add("WriteRFC822File", "frmWriteToRFC822", "dispose/all.writerfc822.xml", [&](FormWindow& editor) {
        Type(editor, "txtDirectory", QString::fromStdString(folder.file("dispose/mail")));
        Type(editor, "txtNumSubfolders", "3");
    });
    EXPECT_EQ(dispositions.Items("lstDispositions").size(), 4u);
    s.prompts.ExpectMessage("Saved");
    Click(window, "cmdSave");

    EXPECT_EQ(ReadFile(folder.file("messaging.disposition.xml")),
              "<Dispositions>\r\n\t<Default>\r\n" +
                  Disposition("MoveToSubfolder", "+/dispose/resolved.movetosubfolder.xml") +
                  Disposition("CopyToIMAPFolder", "+/dispose/archive.copytoimapfolder.xml") +
                  Disposition("RuleUpdate", "+/dispose/vendor.ruleupdate.xml") +
                  Disposition("WriteRFC822File", "+/dispose/all.writerfc822.xml") +
                  CrLf({"\t</Default>", "\t<Support>", "\t</Support>", "</Dispositions>", ""}));
    EXPECT_EQ(ReadFile(folder.file("dispose/resolved.movetosubfolder.xml")),
              CrLf({"<Disposition>", "\t<Subfolder>Resolved</Subfolder>",
                    "\t<PutMessageGUIDInSubject>0</PutMessageGUIDInSubject>",
                    "\t<MarkAsUnread>1</MarkAsUnread>", "</Disposition>", ""}));
    EXPECT_EQ(ReadFile(folder.file("dispose/archive.copytoimapfolder.xml")),
              CrLf({"<Disposition>", "\t<Host>imap.example.org</Host>", "\t<Port>-1</Port>",
                    "\t<Protocol>imaps</Protocol>", "\t<User>archiver</User>",
                    "\t<Password>" + ScramblePassword("Pa55 word!", s.prompts) + "</Password>",
                    "\t<Subfolder>Archive</Subfolder>",
                    "\t<PutMessageGUIDInSubject>0</PutMessageGUIDInSubject>", "</Disposition>", ""}));
    EXPECT_EQ(ReadFile(folder.file("dispose/vendor.ruleupdate.xml")),
              CrLf({"<Disposition>", "\t<Directory>+/rules</Directory>",
                    "\t<BackupDirectory>+/rules/backup</BackupDirectory>", "\t<Restart>0</Restart>",
                    "</Disposition>", ""}));
    EXPECT_EQ(ReadFile(folder.file("dispose/all.writerfc822.xml")),
              CrLf({"<Disposition>", "\t<RootDirectory>+/mail</RootDirectory>",
                    "\t<NumberOfSubfolderLevels>3</NumberOfSubfolderLevels>",
                    "\t<FieldName>MessageObject</FieldName>", "</Disposition>", ""}));
}

TEST(QtMessagingWindows, CopyToIMAPFolderTabsInReadingOrderAndEscapeAsksFirst) {
    ScenarioFolder folder;
    ScriptedServices s(folder.dir.path());
    const std::string original = "<Disposition><Host>h</Host><User>u</User></Disposition>";
    WriteFile(folder.file("dispose/c.copytoimapfolder.xml"), original);
    CCatDisposition record;
    record.Type = "CopyToIMAPFolder";
    record.DispositionFilePath = folder.file("messaging.disposition.xml");
    record.DetailedDispositionFile = "+/dispose/c.copytoimapfolder.xml";
    FrmCopyToIMAPFolder editor(s.services);
    editor.OpenOn(DetailedFileOf(record));
    FormWindow window(editor);
    window.show();
    QApplication::setActiveWindow(&window);

    Find<QLineEdit>(window, "txtHost")->setFocus();
    std::vector<std::string> order;
    for (int i = 0; i < 10; ++i) {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"txtHost", "txtPort", "chkImaps", "txtDomain", "txtUser",
                                               "txtAlias", "txtPassword", "txtSubfolder",
                                               "chkPutMessageGUIDInSubject", "cmdReload"}));

    // An Alt key that no control takes types nothing: Alt+X is no "x" at the end of the server's name.
    auto* host = Find<QLineEdit>(window, "txtHost");
    host->setFocus();
    QTest::keyClick(host, Qt::Key_End);
    QTest::keyClick(host, Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(host, Qt::Key_2);
    EXPECT_EQ(host->text(), "h2");
    QTest::keyClick(host, Qt::Key_Backspace);
    EXPECT_FALSE(editor.changed());
    // The access key of the box that has the focus selects its text, as it does coming from another box:
    // what is typed next replaces it.
    QApplication::processEvents();
    host->deselect();
    const auto labels = window.findChildren<QLabel*>();
    const auto hostLabel =
        std::find_if(labels.begin(), labels.end(), [&](QLabel* label) { return label->buddy() == host; });
    ASSERT_NE(hostLabel, labels.end());
    const QString caption = (*hostLabel)->text();
    const qsizetype marked = caption.indexOf(QLatin1Char('&'));
    ASSERT_TRUE(marked >= 0 && marked + 1 < caption.size());
    QTest::keyClick(host, Qt::Key(caption[marked + 1].toUpper().unicode()), Qt::AltModifier);
    QApplication::processEvents();
    QTest::keyClick(host, Qt::Key_Z);
    EXPECT_EQ(host->text(), "z");
    QTest::keyClick(host, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(host->text(), "h");

    Type(window, "txtSubfolder", "Sent");
    s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Cancel);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(editor.IsClosed());
    s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(editor.IsClosed());
    EXPECT_EQ(ReadFile(folder.file("dispose/c.copytoimapfolder.xml")), original);
}

}  // namespace
}  // namespace pv::test
