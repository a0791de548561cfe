#include "ui/DiffView.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/QtText.h"

namespace pv::ui {
namespace {

enum Column { kOld, kNew, kSign, kText };

QString Number(size_t line) {
    return line == 0 ? QString() : QString::number(line);
}

// A line as the view shows it: a TAB as four blanks (every file indents with them), or as an arrow and three
// blanks where some line changes only in its blanks; and a carriage return that does not end every line as a
// visible sign, so that a line end changed from LF to CR LF shows.
QString Shown(const std::string& text, bool carriageReturnsEveryLine, bool tabsSeen) {
    std::string line = text;
    if (carriageReturnsEveryLine && line.ends_with('\r')) line.pop_back();
    QString shown = Q(line);
    shown.replace(QLatin1Char('\t'), tabsSeen ? QStringLiteral("\u2192   ") : QStringLiteral("    "));
    shown.replace(QLatin1Char('\r'), QChar(0x21B5));
    return shown;
}

}  // namespace

DiffView::DiffView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("treeDiff");
    setAccessibleName("Changes");
    setColumnCount(4);
    setHeaderLabels({"Old", "New", "", "Line"});
    headerItem()->setData(kSign, Qt::AccessibleTextRole, QStringLiteral("Change"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

QColor DiffView::Background(DiffKind kind, const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor tint = kind == DiffKind::Removed ? QColor(220, 40, 40) : QColor(30, 170, 60);
    // A quarter of the tint: light enough under a light palette, dark enough under a dark one, for the
    // palette's text to keep a contrast of 4.5:1 and more.
    const float share = 0.25F;
    return QColor::fromRgbF(base.redF() * (1 - share) + tint.redF() * share,
                            base.greenF() * (1 - share) + tint.greenF() * share,
                            base.blueF() * (1 - share) + tint.blueF() * share);
}

void DiffView::Show(const std::vector<DiffHunk>& hunks) {
    clear();
    bool carriageReturns = true;
    for (const DiffHunk& hunk : hunks) {
        for (const DiffRow& row : hunk.rows) {
            if (row.endsLine && !row.text.ends_with('\r')) carriageReturns = false;
        }
    }
    const bool tabsSeen = !BlankNote(hunks).empty();
    QList<QTreeWidgetItem*> items;
    QTreeWidgetItem* firstLine = nullptr;
    for (const DiffHunk& hunk : hunks) {
        if (hunks.size() > 1 || hunk.oldStart > 1 || hunk.newStart > 1) {
            auto* place = new QTreeWidgetItem();
            const QString where = QStringLiteral("Lines %1 to %2 of the file as it is, %3 to %4 as saved")
                                      .arg(hunk.oldStart)
                                      .arg(hunk.oldStart + (hunk.oldCount == 0 ? 0 : hunk.oldCount - 1))
                                      .arg(hunk.newStart)
                                      .arg(hunk.newStart + (hunk.newCount == 0 ? 0 : hunk.newCount - 1));
            place->setText(kText, where);
            place->setFlags(Qt::ItemIsEnabled);
            QFont italic = font();
            italic.setItalic(true);
            place->setFont(kText, italic);
            items.append(place);
        }
        for (const DiffRow& row : hunk.rows) {
            auto* item = new QTreeWidgetItem();
            item->setText(kOld, Number(row.oldLine));
            item->setText(kNew, Number(row.newLine));
            item->setTextAlignment(kOld, Qt::AlignRight);
            item->setTextAlignment(kNew, Qt::AlignRight);
            QString line = Shown(row.text, carriageReturns, tabsSeen);
            if (!row.endsLine) line += QStringLiteral("  (no line end)");
            item->setText(kText, line);
            QString spoken;
            if (row.kind == DiffKind::Same) {
                spoken = QStringLiteral("unchanged, line %1").arg(row.newLine);
            } else {
                const bool removed = row.kind == DiffKind::Removed;
                item->setText(kSign, removed ? QStringLiteral("-") : QStringLiteral("+"));
                item->setData(kSign, Qt::AccessibleTextRole,
                              removed ? QStringLiteral("removed") : QStringLiteral("added"));
                spoken = removed ? QStringLiteral("removed, old line %1").arg(row.oldLine)
                                 : QStringLiteral("added, new line %1").arg(row.newLine);
                for (int column = kOld; column <= kText; ++column) {
                    item->setData(column, Qt::BackgroundRole, Background(row.kind, palette()));
                    item->setData(column, Qt::ForegroundRole, palette().color(QPalette::Text));
                }
            }
            item->setData(kText, Qt::AccessibleTextRole, spoken + ": " + line);
            items.append(item);
            if (!firstLine) firstLine = item;
        }
    }
    addTopLevelItems(items);
    // The keyboard starts on the first line, not on the row that says where the lines are; nothing is
    // selected, so that no line's colour is hidden by the selection's.
    if (firstLine) setCurrentItem(firstLine, 0, QItemSelectionModel::NoUpdate);
}

ReviewDialog::ReviewDialog(const PendingWrite& write, QWidget* parent) : QDialog(parent) {
    setObjectName("dlgReviewChanges");
    setWindowTitle("Review changes");
    auto* layout = new QVBoxLayout(this);
    const ShownDifference shown = write.Shown();
    const std::vector<DiffHunk>& hunks = shown.hunks;
    size_t removed = 0, added = 0;
    for (const DiffHunk& hunk : hunks) {
        for (const DiffRow& row : hunk.rows) {
            removed += row.kind == DiffKind::Removed ? 1 : 0;
            added += row.kind == DiffKind::Added ? 1 : 0;
        }
    }
    const auto lines = [](size_t count) {
        return QString::number(count) + (count == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
    };
    // A change of encoding or line ends is said before the difference, which cannot show it.
    std::string lineEnds = shown.changes;
    if (!shown.blanks.empty())
        lineEnds += (lineEnds.empty() ? "" : " ") + shown.blanks + " A TAB shows as \"\u2192\".";
    const QString what =
        write.before
            ? QStringLiteral("Saving changes %1 (%2 removed, %3 added)")
                      .arg(Q(write.path), lines(removed), lines(added)) +
                  (lineEnds.empty() ? QString() : ". " + Q(lineEnds.substr(0, lineEnds.size() - 1))) + ":"
            : QStringLiteral("Saving creates %1 (%2):").arg(Q(write.path), lines(added));
    auto* summary = new QLabel(what, this);
    summary->setObjectName("lblReviewSummary");
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary);
    auto* view = new DiffView(this);
    view->Show(hunks);
    summary->setBuddy(view);
    layout->addWidget(view, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton("&Save", QDialogButtonBox::AcceptRole);
    save->setObjectName("cmdSave");
    QPushButton* cancel = buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("cmdCancel");
    // Enter, pressed out of habit, writes nothing: the user turned the review on to look first.
    save->setAutoDefault(false);
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* again = new QShortcut(QKeySequence::Save, this);
    connect(again, &QShortcut::activated, this, &QDialog::accept);
    layout->addWidget(buttons);
    view->setFocus();
    resize(900, 560);
}

}  // namespace pv::ui
