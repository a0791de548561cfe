#pragma once
#include <QDialog>
#include <QTreeWidget>
#include <vector>

#include "core/SaveReview.h"
#include "core/TextDiff.h"

class QLabel;

namespace pv::ui {

// The difference between two texts, one line a row: the line's number in the old text and in the new, a
// column saying "-" (removed), "+" (added) or nothing, and the line; removed and added lines on a shade of
// red and of green mixed into the palette's base, so that they read under a light and a dark palette alike
// (the colour only repeats what the sign column says). A screen reader hears each row as "removed, old line
// 12: ...". Hunks are separated by a row naming where the next begins. Long lines scroll sideways.
class DiffView : public QTreeWidget {
  public:
    explicit DiffView(QWidget* parent = nullptr);
    void Show(const std::vector<DiffHunk>& hunks);
    // The background of a removed or added line under `palette`.
    static QColor Background(DiffKind kind, const QPalette& palette);
};

// "Review changes": what a save is about to write in one file, with Save and Cancel. Cancel is the default
// and Escape presses it; Ctrl+S (the key that asked for the save) or Alt+S saves.
class ReviewDialog : public QDialog {
  public:
    ReviewDialog(const PendingWrite& write, QWidget* parent);
};

}  // namespace pv::ui
