#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/message.h"

namespace pv {

class IPrompts;

inline constexpr const char* kSaveChangesQuestion = "There are unsaved changes, do you wish to save them?";
// Before Reload reads the file again over edits: the window stays open, which the closing question leaves
// unsaid.
inline constexpr const char* kReloadQuestion =
    "There are unsaved changes. Do you want to save them before the file is read again? No reads it again "
    "and discards them; Cancel does neither.";

enum class ControlKind { Label, TextBox, CheckBox, Option, Button, List, Frame, Line };

// What a window shows in one control, by the control's name (the widget's objectName).
struct Control {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string text;  // text of a text box, caption of a label, button, check box or option
    std::string tooltip;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    bool readOnly = false;
    bool password = false;  // shows "*" for every character
    bool multiSelect = false;
    std::string group;               // options of one group exclude each other
    std::vector<std::string> items;  // lines of a list
    std::vector<int> selection;      // selected lines, ascending
    // A control of a repeated row ("chkField(3)"): its column ("chkField") and row; -1 for any other.
    std::string column;
    int row = -1;
    // What a screen reader announces for the control where its caption or label cannot tell it apart: a
    // "..." button, or one of two "Edit" buttons. Empty: the caption, or the label that describes it.
    std::string accessibleName;
    // Every caption the logic gives the control in turn ("Advanced Settings", "Basic Settings"), first the
    // one it starts with; empty for a caption that never changes. Its access key is a letter all of them
    // have, so that the key the user learnt stays when the caption changes.
    std::vector<std::string> captions;
    // A list: the button that the Delete key presses ("cmdDelete"); Enter runs the list's double click.
    std::string deleteButton;
    // A list that shows a tree by indenting each line by this many blanks per level (0: a flat list): a
    // screen reader, which reads no blanks, hears each line's level instead.
    int indentPerLevel = 0;
    // A list whose lines are themselves what the window saves (chosen parameters), not a view of records
    // the window keeps elsewhere: undo puts its lines back.
    bool itemsAreValue = false;
};

// A repeated row of controls: the window shows one row of its row layout per row, in a scrollable area;
// the controls of row i are named after their column and the row, "chkField(0)", "chkField(1)", ...
struct RowColumn {
    std::string name;  // "chkField"
    ControlKind kind = ControlKind::Label;
    std::string text;  // caption or text of a fresh row
    std::string tooltip;
};
struct RowSet {
    std::string name;  // "Fields": the view's row layout "rowFields" and its area "rowsFields"
    std::vector<RowColumn> columns;
    int count = 0;
};

// Told about every change the logic makes, so the view can follow. The view applies them without
// raising its own change events, which keeps programmatic changes from echoing back.
class IFormObserver {
  public:
    virtual ~IFormObserver() = default;
    virtual void ControlChanged(const Control& control) = 0;
    virtual void FormClosed() = 0;
    virtual void CaptionChanged(const std::string&) {}
    // The number of rows of a row set changed; the controls of the new rows exist, those of removed rows
    // are gone.
    virtual void RowsChanged(const RowSet&) {}
    // The logic wants the keyboard focus on this control (the field at fault after a check failed).
    virtual void FocusRequested(const std::string&) {}
    // The undo history changed: what Undo and Redo can do, or the typing step ended.
    virtual void HistoryChanged() {}
};

// The behaviour of one window, without any widget: its controls by name, what each click and change does,
// the changed flag and the close question. ui/ binds a Qt window to it by the control names; tests drive it
// directly through the User* calls, exactly as the widgets do.
class Form {
  public:
    Form(std::string kind, std::string caption);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& kind() const { return kind_; }  // "frmMailbox": which window layout shows it
    const std::string& caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    const std::vector<std::string>& ControlNames() const { return order_; }
    bool HasControl(const std::string& name) const { return controls_.count(name) != 0; }
    const Control& control(const std::string& name) const;

    // Text boxes of editors select their whole text when they get the focus; the main window's do not.
    bool selectAllOnFocus() const { return selectAllOnFocus_; }
    const std::string& defaultButton() const { return defaultButton_; }
    const std::string& cancelButton() const { return cancelButton_; }
    // The buttons that Ctrl+S and F5 press, where the window has them.
    const std::string& saveButton() const { return saveButton_; }
    const std::string& reloadButton() const { return reloadButton_; }
    // The button that F1 presses, where the window has it.
    const std::string& helpButton() const { return helpButton_; }

    // Reading the controls.
    const std::string& Text(const std::string& name) const { return control(name).text; }
    bool Checked(const std::string& name) const { return control(name).checked; }
    bool Enabled(const std::string& name) const { return control(name).enabled; }
    bool Visible(const std::string& name) const { return control(name).visible; }
    const std::vector<std::string>& Items(const std::string& name) const { return control(name).items; }
    const std::vector<int>& Selection(const std::string& name) const { return control(name).selection; }

    // Changes made by the program. A text or check change runs the control's change or click handler,
    // as a change typed or clicked by the user does.
    void SetText(const std::string& name, const std::string& text);
    void SetChecked(const std::string& name, bool checked);
    void SetEnabled(const std::string& name, bool enabled);
    void SetVisible(const std::string& name, bool visible);
    void SetItems(const std::string& name, std::vector<std::string> items);
    void SetSelection(const std::string& name, std::vector<int> selection);

    // Repeated rows. Rows added get the columns' fresh texts; rows removed take their controls along.
    void SetRowCount(const std::string& set, int count);
    int RowCount(const std::string& set) const { return rowSet(set).count; }
    const std::vector<RowSet>& RowSets() const { return rowSets_; }
    const RowSet& rowSet(const std::string& set) const;
    // The name of a row's control: "chkField(3)".
    static std::string RowControl(const std::string& column, int row);

    // What the user does, as the view reports it.
    void UserSetText(const std::string& name, const std::string& text);
    void UserClick(const std::string& name);  // buttons, check boxes (toggle), options (select)
    void UserSelect(const std::string& name, std::vector<int> selection);
    void UserDoubleClick(const std::string& name);
    // Whether a double click on the control does anything (Enter on a list does the same).
    bool ActsOnDoubleClick(const std::string& name) const { return doubleClickHandlers_.count(name) != 0; }
    // The close box; returns true when the window closed.
    bool UserRequestClose();
    // The Escape key: presses the cancel button, also when it lies outside the visible area; a window
    // without one is asked to close.
    void UserPressEscape();

    // Puts the keyboard focus on a control; the last such request stays readable for tests.
    void FocusControl(const std::string& name);
    const std::string& requestedFocus() const { return requestedFocus_; }
    // Shows the message of a failed check (a Fault) and puts the focus on the control at fault.
    void ShowFault(IPrompts& prompts, const Message& fault);

    // Closes the window without asking (after the logic decided so).
    void Close();
    bool IsClosed() const { return closed_; }
    // Makes the window usable again before it is shown anew.
    void Reopen() { closed_ = false; }

    bool changed() const { return changed_; }

    // Undo and redo of the window's state, one step per user action: the values of text boxes, check boxes,
    // options and value lists it changed, and the changes of the records the window keeps besides
    // (RecordChange). Consecutive typing in one text box is one step until the user does anything else
    // there or the box loses the keyboard (EndTyping). Going back to where the window was loaded or last
    // saved clears the changed flag; leaving that point sets it.
    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    void UserUndo();
    void UserRedo();
    // The text box whose typing the last step still takes in, or empty.
    const std::string& typingControl() const { return typing_; }
    // The keyboard left the text box: later typing there is a step of its own.
    void EndTyping();
    // The text box `name` is about to undo its own typing from its newest state: should it undo all of it,
    // the typing step is left undone, as it stands now, for Redo to type again.
    void BoxUndoBegins(const std::string& name);

    void SetObserver(IFormObserver* observer) { observer_ = observer; }

    // Declaring the controls and what a click does: the window's constructor, and the groups of controls
    // several windows share (the SMTP settings, the database connection) on the window they join.
    Control& AddControl(const std::string& name, ControlKind kind, const std::string& text = {},
                        const std::string& tooltip = {});
    // A text box and the label that names it, both with the box's tooltip; returns the text box.
    Control& AddLabelledTextBox(const std::string& label, const std::string& caption,
                                const std::string& textBox, const std::string& tooltip);
    void OnClick(const std::string& name, std::function<void()> handler);

  protected:
    Control& mutableControl(const std::string& name);

    void OnChange(const std::string& name, std::function<void()> handler);
    void OnDoubleClick(const std::string& name, std::function<void()> handler);
    void OnSelect(const std::string& name, std::function<void()> handler);
    // Declares a repeated row (no rows yet) and what a click or change in a column's control does.
    void DeclareRows(const std::string& set, std::vector<RowColumn> columns);
    void OnRowClick(const std::string& column, std::function<void(int row)> handler);
    void OnRowChange(const std::string& column, std::function<void(int row)> handler);
    // Marks the window changed on every change of these controls (text, click).
    void TrackChanges(const std::vector<std::string>& names);

    // Asked when the user closes the window; false keeps it open. The default closes.
    virtual bool QueryClose() { return true; }
    // The unsaved-changes question of every editor, asked before anything discards the edits (closing,
    // reloading, opening another file): true to go on. Unchanged goes on; Yes goes on when `save` succeeds,
    // No goes on, Cancel stays.
    bool AskBeforeDiscarding(IPrompts& prompts, const std::string& question,
                             const std::function<bool()>& save);

    // True marks the window changed (the current user action becomes an undo step); false clears the flag
    // without touching the history (a window about to close with its edits discarded).
    void setChanged(bool changed);
    // What the window shows was just read from its file: the history starts anew, nothing is changed.
    void MarkLoaded();
    // What the window shows is now in its file (or its record): undo and redo lead back here unchanged.
    void MarkSaved();
    // The file was written with part of what the window shows (the main window writes its mailboxes while
    // its boxes hold edits not yet saved): no point of the history is what the file holds.
    void MarkFileDiffers();
    // Records a change of what the window keeps outside its controls (a list's records), done by the
    // current user action, as the two ways between the states before and after it. Each refreshes what the
    // window shows of those records; neither may ask anything.
    void RecordChange(std::function<void()> undo, std::function<void()> redo);
    // An undo or redo is setting the controls: a handler those changes run must not act as on a user's.
    bool replaying() const { return replaying_; }
    void setSelectAllOnFocus(bool value) { selectAllOnFocus_ = value; }
    void setDefaultButton(const std::string& name) { defaultButton_ = name; }
    void setCancelButton(const std::string& name) { cancelButton_ = name; }

  private:
    // The value of a control as undo keeps it.
    struct Value {
        std::string text;
        bool checked = false;
        std::vector<std::string> items;
        bool operator==(const Value&) const = default;
    };
    struct ValueChange {
        std::string name;
        Value before;
        Value after;
    };
    struct Step {
        std::vector<ValueChange> values;  // in the order the controls first changed
        std::vector<std::pair<std::function<void()>, std::function<void()>>> changes;
        bool empty() const { return values.empty() && changes.empty(); }
    };
    // A user action: the outermost one gathers what it changed into one step.
    class Action {
      public:
        explicit Action(Form& form, std::string typing = {});
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

      private:
        Form& form_;
        bool outermost_;
    };
    bool Undoable(const Control& control) const;
    Value ValueOf(const Control& control) const;
    // Notes the value of a control before the current action changes it.
    void NoteBefore(const Control& control);
    void EndAction();
    void Replay(const Step& step, bool back);
    void HistoryNotify();

    void Notify(const Control& control);
    RowSet& mutableRowSet(const std::string& set);
    using Handlers = std::unordered_map<std::string, std::vector<std::function<void()>>>;
    using RowHandlers = std::unordered_map<std::string, std::vector<std::function<void(int)>>>;
    void Run(const Handlers& handlers, const std::string& name);
    // The control's own handlers, then those of its column when it belongs to a row.
    void Fire(const Handlers& handlers, const RowHandlers& rowHandlers, const Control& control);

    std::string kind_;
    std::string caption_;
    std::map<std::string, Control> controls_;
    std::vector<std::string> order_;
    Handlers clickHandlers_;
    Handlers changeHandlers_;
    Handlers doubleClickHandlers_;
    Handlers selectHandlers_;
    RowHandlers rowClickHandlers_;
    RowHandlers rowChangeHandlers_;
    std::vector<RowSet> rowSets_;
    IFormObserver* observer_ = nullptr;
    bool changed_ = false;
    // The history: steps_[0, position_) can be undone, the rest redone. clean_ is the position whose state
    // the file holds, or -1 when no position does.
    std::vector<Step> steps_;
    size_t position_ = 0;
    long clean_ = 0;
    std::string typing_;
    // The typing step as it stood when its box began undoing its own typing (BoxUndoBegins).
    std::optional<Step> typedBeforeBoxUndo_;
    // The user action under way: its depth, the step it makes, whether it marked the window changed,
    // loaded or saved it, and the text box it types in.
    int acting_ = 0;
    Step pending_;
    bool marked_ = false;
    bool loadedInAction_ = false;
    bool savedInAction_ = false;
    std::string actionTyping_;
    bool replaying_ = false;
    bool closed_ = false;
    bool selectAllOnFocus_ = true;
    std::string defaultButton_;
    std::string cancelButton_;
    std::string saveButton_;
    std::string reloadButton_;
    std::string helpButton_;
    std::string requestedFocus_;
};

}  // namespace pv
