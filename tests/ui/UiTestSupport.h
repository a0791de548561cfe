#pragma once
// Driving a real window in a test: find a control by its objectName, type into it, click it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "actions/FrmForwardMessage.h"
#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmMain.h"
#include "support/FormLookups.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "ui/AccessKeys.h"
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

// Pastes `text` at the end of the box, with Ctrl+V, as a user would.
inline void Paste(QWidget& window, const char* name, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(window, name);
    if (!edit) return;
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// A button's caption as it reads on screen, without the marker of its access key.
inline QString Caption(QWidget& window, const char* name) {
    QAbstractButton* button = Find<QAbstractButton>(window, name);
    return button ? ui::WithoutAccessKey(button->text()) : QString();
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

// The contrast ratio of two colours, as the accessibility guidelines define it (1 to 21).
inline double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A copy of the sample configuration, so that the tests write where nobody minds.
struct SampleCopy {
    SampleCopy() {
        std::filesystem::copy(std::string(POSTVANE_EXAMPLES) + "/config", dir / "config",
                              std::filesystem::copy_options::recursive);
    }
    std::string master() const { return dir / "config/master.xml"; }
    std::string file(const std::string& relative) const { return dir / ("config/" + relative); }
    // A disposition of the sample, as the dispositions editor hands it to a detailed editor.
    CCatDisposition disposition(const std::string& type, const std::string& dispositionFile,
                                const std::string& detailedFile) const {
        CCatDisposition record;
        record.Type = type;
        record.DispositionFilePath = file(dispositionFile);
        record.DetailedDispositionFile = detailedFile;
        return record;
    }
    TempDir dir;
};

// A test on a copy of the sample, with scripted services whose program folder is the copy's folder.
struct OnSampleCopy : ::testing::Test {
    SampleCopy sample;
    ScriptedServices s{sample.dir.path()};
};

// The main window opened on the sample copy and shown.
struct ShownMainWindow {
    ShownMainWindow(Services& services, const SampleCopy& sample) : main(services), window(main) {
        main.Open(sample.master(), sample.dir.path());
        window.show();
    }
    FrmMain main;
    ui::FormWindow window;
};

// The mailbox editor on `record`, with the sample copy's master file, shown.
struct ShownMailboxEditor {
    ShownMailboxEditor(Services& services, const SampleCopy& sample, CMailbox& record)
        : master(Links(sample.master())),
          editor(services, master),
          window((editor.LoadFromObject(record), editor)) {
        window.show();
    }
    static MasterLinks Links(const std::string& masterFile) {
        MasterLinks links;
        links.masterFilePath = masterFile;
        return links;
    }
    // Before the editor reads the master's path from it.
    MasterLinks master;
    FrmMailbox editor;
    ui::FormWindow window;
};

// The Forward Message file of the sample's "Support" mailbox in its editor, shown.
struct ShownForwardEditor {
    ShownForwardEditor(Services& services, const SampleCopy& sample)
        : record(sample.disposition("ForwardMessage", "support.disposition.xml",
                                    "+/dispose/helpdesk.forward.xml")),
          editor(services),
          window((editor.OpenOn(DetailedFileOf(record)), editor)) {
        window.show();
    }
    CCatDisposition record;
    FrmForwardMessage editor;
    ui::FormWindow window;
};

}  // namespace pv::test
