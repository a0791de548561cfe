#pragma once
#include <QAccessible>
#include <QDialog>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Settings.h"
#include "core/form.h"

class QAbstractButton;
class QAction;
class QAbstractScrollArea;
class QButtonGroup;
class QLabel;
class QListWidget;
class QScrollArea;

namespace pv::ui {

// A window built from its .ui layout and bound to its logic by control name. This is the one binding of the
// program: every window is a FormWindow over a pv::Form.
//
// The path of one click: QPushButton::clicked -> Form::UserClick("cmdSave") -> the logic's handler (checks,
// builds the text, WriteTextFile) -> Form::Set*() for anything it shows -> IFormObserver::ControlChanged ->
// FormWindow applies it to the widget with its signals blocked, so programmatic changes never echo back.
//
// What every window gets from here, without code of its own, one idea per file: FormWindow.cpp binds each
// control to its widget and makes a window with a parent a modal dialog of it; RowAreas.cpp makes repeated
// rows as they come into view; WindowSizing.cpp keeps the window within its screen, scrolling its content
// rather than growing past it, and opens where it was last closed; Keyboard.cpp makes labels the buddies and
// accessible names of their fields, gives captions access keys that do not clash, Tab the reading order, an
// option group one Tab stop, the first field the first focus, lists Enter and Delete, Save, Reload and Help
// Ctrl+S, F5 and F1; Colours.cpp keeps text boxes readable under light and dark palettes.
class FormWindow : public QDialog, private pv::IFormObserver, private QAccessible::ActivationObserver {
  public:
    // Without a parent: the main window, a top-level window of its own. With one: a modal dialog of it.
    explicit FormWindow(pv::Form& form, QWidget* parent = nullptr);
    ~FormWindow() override;

    pv::Form& form() { return form_; }
    // The widget bound to a control, or null; a control of a part not made yet has its part made.
    QWidget* controlWidget(const std::string& name);
    // The widget of a control of a repeated row ("chkField(40)"), made if need be and scrolled into view;
    // null when there is no such row.
    QWidget* rowControlWidget(const std::string& name);
    // Controls of the logic that the layout lacks (a test checks there are none); the window's parts are made
    // first, so that theirs are looked for too.
    const std::vector<std::string>& missingControls();
    // The label that describes a widget, or null.
    QLabel* labelOf(const QWidget* field) const;
    // The room a window manager's frame and title bar take around a window; a window's size stays within
    // its screen's available area less this.
    static QSize frameAllowance();
    // Every window opens where it was last closed, in its size, fitted to the screens there are now, when
    // `settings` is given (the editor's); without (tests, screenshots) each opens as its layout says.
    static void RememberPlacesIn(pv::ISettings* settings);

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    // The binding (FormWindow.cpp).
    void ControlChanged(const pv::Control& control) override;
    void FormClosed() override;
    void CaptionChanged(const std::string& caption) override;
    void RowsChanged(const pv::RowSet& rows) override;
    void FocusRequested(const std::string& name) override;
    void HistoryChanged() override;
    void Bind(const pv::Control& control, QWidget* widget);
    // Binds the control to the widget of its name; false when the window has none (yet).
    bool BindByName(const std::string& name);
    // The widget bound to a control, or null (a control of a part not made yet too).
    QWidget* BoundWidget(const std::string& name) const;
    // Notes the containers and row areas among `root`'s widgets.
    void AdoptWidgets(const QWidget* root);
    // Parts: a window's layout may leave an area folded away at first to a layout of its own
    // ("frmMain_frameAdvanced" into the window's empty "frameAdvanced"), made the first time one of its
    // controls is shown or asked for, so that a window opens without building what it does not show. Makes
    // every part not made yet, binds its controls and gives them the logic's state.
    void MakeParts();
    void Apply(const pv::Control& control, QWidget* widget);
    void ApplyOption(const pv::Control& control, QAbstractButton* option);
    void ClickedCheckable(const std::string& name, QWidget* widget);
    // Shows the "frame..." containers that hold a shown control (only those around `changed`, if given).
    void UpdateContainers(const QWidget* changed = nullptr);
    // Runs what the user did; the window follows the logic's changes once the action is over.
    void Act(const std::function<void()>& action);
    // The logic shows or hides controls: the window notes how it looked, and when the logic is done
    // (EndBatch) resizes by the height of what folded in or out, and reassigns access keys if need be.
    void BeginBatch();
    void EndBatch();
    void PressIfUsable(const std::string& button);

    // Repeated rows (RowAreas.cpp): the row layout "row<set>" instantiated once per row into the scroll area
    // "rows<set>". The area is as high as all rows; a row's widgets are made when it first comes near the
    // visible part, in row order, so that a window with thousands of rows opens as fast as one with a few.
    struct RowArea {
        std::string set;
        QScrollArea* scroll = nullptr;
        QWidget* content = nullptr;
        int rowHeight = 0;
        std::vector<QWidget*> rows;  // the rows made so far, from the first
    };
    void LayOutRows(const pv::RowSet& rows);
    // Makes the rows up to `lastRow` (or up to a screenful below the visible part when -1).
    void MakeRows(RowArea& area, int lastRow = -1);
    QWidget* MakeRow(RowArea& area, int row);
    void PlaceRow(RowArea& area, int row);
    // The area whose viewport or content `watched` is has been resized: its rows follow.
    void RowAreaResized(QObject* watched);
    // Cuts a row's caption short where its column is narrower than it.
    void FitRowCaption(const pv::Control& control, QWidget* widget);
    // Where Tab (or Shift+Tab) goes from `from`, with the rows in their area's place.
    QWidget* TabTarget(QWidget* from, bool next);
    // The next tab stop from `from` along the focus chain, entering a row area where it stands.
    QWidget* OutsideRows(QWidget* from, bool next);
    // The first tab stop of the rows from `row` on (or back from it), making them as they are reached.
    QWidget* StopInRows(RowArea& area, int row, bool next);

    // Fitting the screen (WindowSizing.cpp). Moves the layout into the content, and makes the scroll area
    // that fills the window and is to take it, so a window taller than its screen scrolls.
    QScrollArea* WrapInScrollArea();
    // Notes the lists, multi-line boxes and row areas among `root`'s widgets that give way to a low screen.
    void NoteYieldingBoxes(const QWidget* root);
    // The place kept for this window (RememberPlacesIn), taken when it is first shown and kept when hidden.
    void RestorePlace();
    void KeepPlace();
    QSize Room() const;
    // The content's preferred (or least) height, its layouts made to account for what is shown now.
    int ContentHeight(bool least);
    void ResizeTo(QSize size);
    void UpdateMinimumSize();
    // On a screen lower than the layout as designed, the boxes that scroll by themselves give up the height
    // they were designed with, down to a few lines, before the whole window has to scroll.
    void GiveWayToScreen(int roomHeight);
    // After an area folded in or out: the window grows or shrinks by the height it took.
    void Refold();

    // The keyboard and screen readers (Keyboard.cpp): buddies, accessible names, access keys, tab order,
    // option-group Tab stops, shortcuts, and what lists do with Enter and Delete.
    void ArrangeKeyboard();
    // The part of it that follows the window's widgets: Tab order, buddies, option-group stops, access keys.
    void ArrangeFocus();
    // A label becomes the buddy of the field it describes, which it names for a screen reader.
    void DescribeField(QLabel* label);
    void NameField(QLabel* label);
    // The same for the labels of a repeated row once it is made.
    void ArrangeRow(QWidget* row);
    void ChooseAccessKeys();
    void ApplyCaption(const pv::Control& control, QWidget* widget);
    std::vector<QWidget*> VisualOrder() const;
    QButtonGroup* GroupOf(const pv::Control& control, QWidget* widget);
    void UpdateGroupTabStop(QButtonGroup* group);
    // Gives each line of a list that shows a tree by indenting its lines a name that says its level.
    void AnnounceLevels(QListWidget* list, int indentPerLevel);
    // Typing in an indented list finds the next line whose text, after its indentation, starts so.
    void FindTypedLine(QListWidget* list, const QString& typed);
    void WriteLevels(QListWidget* list, int indentPerLevel);
    // An assistive tool began (or stopped) listening: the levels that waited for one are given.
    void accessibilityActiveChanged(bool active) override;
    std::unordered_map<QListWidget*, int> unannounced_;  // lists whose levels wait for a listener
    std::unordered_map<const QListWidget*, std::vector<std::string>> listItems_;  // what each list was given
    // The widget that gets the focus when the window opens.
    QWidget* FirstField() const;
    // Selects a text when it gets the focus, keeps a selected line in a focused list, and runs what Enter
    // and Delete do on a list; true when the event is used up.
    bool KeyboardEvent(QObject* watched, QEvent* event);
    // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in a text box: its own typing first, then the window's history; true
    // when the event is used up.
    bool UndoKey(QWidget* box, QEvent* event);
    void EnsureListSelection(const std::string& name);

    pv::Form& form_;
    // Undo and Redo of the window's history, with their shortcuts, enabled while there is something to do.
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    std::unordered_map<std::string, QWidget*> widgets_;
    std::unordered_map<const QWidget*, std::string> names_;
    // What was typed in an indented list so far, and when last.
    QString typedInList_;
    qint64 typedInListAt_ = 0;
    std::vector<std::string> missing_;
    // The parts not made yet (their empty widget and layout), and the controls that wait for them.
    struct Part {
        QWidget* holder;
        std::function<void(QWidget*)> setup;
    };
    std::vector<Part> parts_;
    std::vector<std::string> pending_;
    bool built_ = false;  // the constructor is done: a part made from now on is arranged on its own
    // Containers named "frame..." that are not controls themselves: shown while any control in them is.
    std::vector<QWidget*> containers_;
    std::vector<RowArea> rowAreas_;
    std::map<std::string, QButtonGroup*> groups_;
    // Label -> the field it describes.
    std::unordered_map<const QWidget*, QWidget*> buddies_;
    // Widget -> the position of its access key in its caption (-1: none).
    std::unordered_map<const QWidget*, int> accessKeys_;
    // Widget -> the caption its key was chosen for: a key stays with its caption while the window changes.
    std::unordered_map<const QWidget*, QString> keyCaptions_;

    QWidget* content_ = nullptr;
    // The lists, multi-line boxes and row areas with a designed minimum height above their fewest lines,
    // with that height and that of their fewest lines.
    struct Yielding {
        QAbstractScrollArea* box;
        int designed;
        int least;
    };
    std::vector<Yielding> yielding_;
    // The height the user chose (or the layout wanted), before the screen limits it; folding an area in or
    // out adds or takes its height from this, so folding back returns to exactly the same height.
    int wantedHeight_ = 0;
    QSize requestedSize_;
    int acting_ = 0;
    int adjusting_ = 0;  // the window itself is changing its size
    bool batch_ = false;
    int heightBefore_ = 0;
    std::vector<bool> hiddenBefore_;
    bool shownOnce_ = false;
};

}  // namespace pv::ui
