#include "core/form.h"

#include <algorithm>
#include <stdexcept>

#include "core/prompts.h"
#include "names/Buttons.h"

namespace pv {

// The buttons the keyboard presses are those of the same name in every window that has them.
Form::Form(std::string kind, std::string caption)
    : kind_(std::move(kind)),
      caption_(std::move(caption)),
      cancelButton_(names::Buttons::cmdEscape),
      saveButton_(names::Buttons::cmdSave),
      reloadButton_(names::Buttons::cmdReload),
      helpButton_(names::Buttons::cmdHelp) {}

void Form::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (observer_) observer_->CaptionChanged(caption_);
}

const Control& Form::control(const std::string& name) const {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::logic_error(kind_ + " has no control " + name);
    return found->second;
}

Control& Form::mutableControl(const std::string& name) {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::logic_error(kind_ + " has no control " + name);
    return found->second;
}

Control& Form::AddControl(const std::string& name, ControlKind kind, const std::string& text,
                          const std::string& tooltip) {
    auto [it, inserted] = controls_.try_emplace(name);
    if (!inserted) throw std::logic_error(kind_ + " declares " + name + " twice");
    order_.push_back(name);
    Control& control = it->second;
    control.name = name;
    control.kind = kind;
    control.text = text;
    control.tooltip = tooltip;
    return control;
}

Control& Form::AddLabelledTextBox(const std::string& label, const std::string& caption,
                                  const std::string& textBox, const std::string& tooltip) {
    AddControl(label, ControlKind::Label, caption, tooltip);
    return AddControl(textBox, ControlKind::TextBox, "", tooltip);
}

void Form::Notify(const Control& control) {
    if (observer_) observer_->ControlChanged(control);
}

void Form::Run(const Handlers& handlers, const std::string& name) {
    const auto found = handlers.find(name);
    if (found == handlers.end()) return;
    // Copy: a handler may add handlers while it runs.
    const auto list = found->second;
    for (const auto& handler : list) handler();
}

void Form::Fire(const Handlers& handlers, const RowHandlers& rowHandlers, const Control& control) {
    if (control.row < 0) {
        Run(handlers, control.name);
        return;
    }
    const auto found = rowHandlers.find(control.column);
    if (found == rowHandlers.end()) return;
    const auto list = found->second;
    const int row = control.row;
    for (const auto& handler : list) handler(row);
}

void Form::SetText(const std::string& name, const std::string& text) {
    Control& control = mutableControl(name);
    if (control.text == text) return;
    NoteBefore(control);
    control.text = text;
    Notify(control);
    if (control.kind == ControlKind::TextBox) Fire(changeHandlers_, rowChangeHandlers_, control);
}

void Form::SetChecked(const std::string& name, bool checked) {
    Control& control = mutableControl(name);
    if (control.checked == checked) return;
    NoteBefore(control);
    control.checked = checked;
    Notify(control);
    if (control.kind == ControlKind::Option && checked) {
        for (auto& [otherName, other] : controls_) {
            if (otherName != name && other.kind == ControlKind::Option && other.group == control.group &&
                other.checked) {
                NoteBefore(other);
                other.checked = false;
                Notify(other);
            }
        }
    }
    // As with a click, setting a check box or selecting an option runs its click handler.
    if (control.kind == ControlKind::CheckBox || (control.kind == ControlKind::Option && checked)) {
        Fire(clickHandlers_, rowClickHandlers_, control);
    }
}

void Form::SetEnabled(const std::string& name, bool enabled) {
    Control& control = mutableControl(name);
    if (control.enabled == enabled) return;
    control.enabled = enabled;
    Notify(control);
}

void Form::SetVisible(const std::string& name, bool visible) {
    Control& control = mutableControl(name);
    if (control.visible == visible) return;
    control.visible = visible;
    Notify(control);
}

void Form::SetItems(const std::string& name, std::vector<std::string> items) {
    Control& control = mutableControl(name);
    NoteBefore(control);
    control.items = std::move(items);
    control.selection.clear();
    Notify(control);
}

void Form::SetSelection(const std::string& name, std::vector<int> selection) {
    Control& control = mutableControl(name);
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    selection.erase(
        std::remove_if(selection.begin(), selection.end(),
                       [&](int i) { return i < 0 || i >= static_cast<int>(control.items.size()); }),
        selection.end());
    if (!control.multiSelect && selection.size() > 1) selection.resize(1);
    if (control.selection == selection) return;
    control.selection = std::move(selection);
    Notify(control);
}

void Form::UserSetText(const std::string& name, const std::string& text) {
    const Control& control = this->control(name);
    if (control.readOnly || !control.enabled) return;
    const Action action(*this, control.kind == ControlKind::TextBox ? name : std::string());
    SetText(name, text);
}

void Form::UserClick(const std::string& name) {
    const Control& control = this->control(name);
    if (!control.enabled || !control.visible) return;
    const Action action(*this);
    switch (control.kind) {
        case ControlKind::CheckBox:
            SetChecked(name, !control.checked);
            break;
        case ControlKind::Option:
            if (control.checked) {
                Fire(clickHandlers_, rowClickHandlers_, control);
            } else {
                SetChecked(name, true);
            }
            break;
        default:
            Fire(clickHandlers_, rowClickHandlers_, control);
    }
}

void Form::UserSelect(const std::string& name, std::vector<int> selection) {
    const Action action(*this);
    SetSelection(name, std::move(selection));
    Run(selectHandlers_, name);
}

void Form::UserDoubleClick(const std::string& name) {
    const Action action(*this);
    Run(doubleClickHandlers_, name);
}

bool Form::UserRequestClose() {
    if (closed_) return true;
    const Action action(*this);
    if (QueryClose()) Close();
    return closed_;
}

void Form::UserPressEscape() {
    const Action action(*this);
    if (!cancelButton_.empty() && HasControl(cancelButton_) && control(cancelButton_).enabled) {
        Run(clickHandlers_, cancelButton_);
    } else if (cancelButton_.empty() || !HasControl(cancelButton_)) {
        UserRequestClose();
    }
}

void Form::FocusControl(const std::string& name) {
    control(name);
    requestedFocus_ = name;
    if (observer_) observer_->FocusRequested(name);
}

void Form::ShowFault(IPrompts& prompts, const Message& fault) {
    prompts.Show(fault);
    if (!fault.place.control.empty() && !closed_) FocusControl(fault.place.control);
}

void Form::Close() {
    if (closed_) return;
    closed_ = true;
    if (observer_) observer_->FormClosed();
}

bool Form::AskBeforeDiscarding(IPrompts& prompts, const std::string& question,
                               const std::function<bool()>& save) {
    if (!changed_) return true;
    switch (prompts.AskYesNoCancel(question)) {
        case Answer::Yes:
            return save();
        case Answer::No:
            return true;
        default:
            return false;
    }
}

void Form::OnClick(const std::string& name, std::function<void()> handler) {
    control(name);
    clickHandlers_[name].push_back(std::move(handler));
}

void Form::OnChange(const std::string& name, std::function<void()> handler) {
    control(name);
    changeHandlers_[name].push_back(std::move(handler));
}

void Form::OnDoubleClick(const std::string& name, std::function<void()> handler) {
    control(name);
    doubleClickHandlers_[name].push_back(std::move(handler));
}

void Form::OnSelect(const std::string& name, std::function<void()> handler) {
    control(name);
    selectHandlers_[name].push_back(std::move(handler));
}

std::string Form::RowControl(const std::string& column, int row) {
    return column + "(" + std::to_string(row) + ")";
}

const RowSet& Form::rowSet(const std::string& set) const {
    return const_cast<Form*>(this)->mutableRowSet(set);
}

RowSet& Form::mutableRowSet(const std::string& set) {
    for (RowSet& rows : rowSets_) {
        if (rows.name == set) return rows;
    }
    throw std::logic_error(kind_ + " has no rows " + set);
}

void Form::DeclareRows(const std::string& set, std::vector<RowColumn> columns) {
    for (const RowSet& rows : rowSets_) {
        if (rows.name == set) throw std::logic_error(kind_ + " declares rows " + set + " twice");
    }
    rowSets_.push_back(RowSet{set, std::move(columns), 0});
}

void Form::SetRowCount(const std::string& set, int count) {
    RowSet& rows = mutableRowSet(set);
    count = std::max(count, 0);
    if (rows.count == count) return;
    for (int row = count; row < rows.count; ++row) {
        for (const RowColumn& column : rows.columns) controls_.erase(RowControl(column.name, row));
    }
    for (int row = rows.count; row < count; ++row) {
        for (const RowColumn& column : rows.columns) {
            const std::string name = RowControl(column.name, row);
            auto [it, inserted] = controls_.emplace(name, Control{});
            if (!inserted) throw std::logic_error(kind_ + " declares " + name + " twice");
            Control& control = it->second;
            control.name = name;
            control.kind = column.kind;
            control.text = column.text;
            control.tooltip = column.tooltip;
            control.column = column.name;
            control.row = row;
        }
    }
    rows.count = count;
    if (observer_) observer_->RowsChanged(rows);
}

void Form::OnRowClick(const std::string& column, std::function<void(int row)> handler) {
    rowClickHandlers_[column].push_back(std::move(handler));
}

void Form::OnRowChange(const std::string& column, std::function<void(int row)> handler) {
    rowChangeHandlers_[column].push_back(std::move(handler));
}

void Form::TrackChanges(const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const ControlKind kind = control(name).kind;
        if (kind == ControlKind::TextBox) {
            OnChange(name, [this] { setChanged(true); });
        } else {
            OnClick(name, [this] { setChanged(true); });
        }
    }
}

// Undo and redo. A step keeps the values its action changed, before and after, rather than a snapshot of
// the window: a keystroke in a window of 10,000 mailboxes keeps two texts. The records a window keeps
// besides its controls change through the window's own RecordChange pairs, which touch only what changed.

Form::Action::Action(Form& form, std::string typing) : form_(form), outermost_(form.acting_ == 0) {
    ++form_.acting_;
    if (!outermost_) return;
    form_.pending_ = Step{};
    form_.marked_ = false;
    form_.loadedInAction_ = false;
    form_.savedInAction_ = false;
    form_.actionTyping_ = std::move(typing);
}

Form::Action::~Action() {
    --form_.acting_;
    if (outermost_) form_.EndAction();
}

bool Form::Undoable(const Control& control) const {
    switch (control.kind) {
        case ControlKind::TextBox:
        case ControlKind::Label:
        case ControlKind::CheckBox:
        case ControlKind::Option:
            return true;
        case ControlKind::List:
            return control.itemsAreValue;
        default:
            return false;
    }
}

Form::Value Form::ValueOf(const Control& control) const {
    Value value;
    if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::Option) {
        value.checked = control.checked;
    } else if (control.kind == ControlKind::List) {
        value.items = control.items;
    } else {
        value.text = control.text;
    }
    return value;
}

void Form::NoteBefore(const Control& control) {
    if (acting_ == 0 || replaying_ || !Undoable(control)) return;
    for (const ValueChange& change : pending_.values) {
        if (change.name == control.name) return;
    }
    pending_.values.push_back(ValueChange{control.name, ValueOf(control), {}});
}

void Form::setChanged(bool changed) {
    changed_ = changed;
    if (changed) marked_ = true;
}

void Form::MarkLoaded() {
    steps_.clear();
    position_ = 0;
    clean_ = 0;
    typing_.clear();
    changed_ = false;
    if (acting_ > 0) {
        pending_ = Step{};
        loadedInAction_ = true;
        savedInAction_ = false;
    }
    HistoryNotify();
}

void Form::MarkSaved() {
    changed_ = false;
    typing_.clear();
    if (acting_ > 0) {
        // The action's own step, if it makes one, is part of what was saved.
        savedInAction_ = true;
    } else {
        clean_ = static_cast<long>(position_);
    }
    HistoryNotify();
}

void Form::MarkFileDiffers() {
    clean_ = -1;
    savedInAction_ = false;
    changed_ = true;
    HistoryNotify();
}

void Form::RecordChange(std::function<void()> undo, std::function<void()> redo) {
    if (replaying_) return;
    if (acting_ > 0) {
        pending_.changes.emplace_back(std::move(undo), std::move(redo));
        return;
    }
    // A change the program makes on its own is a step of its own.
    const Action action(*this);
    pending_.changes.emplace_back(std::move(undo), std::move(redo));
}

void Form::EndAction() {
    Step step = std::move(pending_);
    pending_ = Step{};
    if (loadedInAction_) return;
    const size_t positionBefore = position_;
    const long cleanBefore = clean_;
    const std::string typingBefore = typing_;
    // What the action changed, as it stands now; a value changed and changed back is no change.
    std::erase_if(step.values, [this](ValueChange& change) {
        const auto found = controls_.find(change.name);
        if (found == controls_.end()) return true;
        change.after = ValueOf(found->second);
        return change.after == change.before;
    });
    const bool typing = !actionTyping_.empty() && step.changes.empty();
    const bool extends = typing && typing_ == actionTyping_ && position_ == steps_.size() && position_ > 0 &&
                         static_cast<long>(position_) != clean_;
    if (extends) {
        Step& top = steps_.back();
        for (ValueChange& change : step.values) {
            const auto same = std::find_if(top.values.begin(), top.values.end(),
                                           [&](const ValueChange& kept) { return kept.name == change.name; });
            if (same == top.values.end()) {
                top.values.push_back(std::move(change));
            } else {
                same->after = std::move(change.after);
            }
        }
        std::erase_if(top.values, [](const ValueChange& change) { return change.after == change.before; });
        // Typing undone back to where it began leaves no step; by the box's own undo, the step undone, as
        // it stood before that undo began, for Redo to type again.
        if (top.empty()) {
            if (typedBeforeBoxUndo_) {
                top = std::move(*typedBeforeBoxUndo_);
            } else {
                steps_.pop_back();
            }
            --position_;
            typing_.clear();
            changed_ = static_cast<long>(position_) != clean_;
        }
    } else if (!step.changes.empty() || (marked_ && !step.values.empty())) {
        steps_.resize(position_);
        if (clean_ > static_cast<long>(position_)) clean_ = -1;
        steps_.push_back(std::move(step));
        ++position_;
        typing_ = typing ? actionTyping_ : std::string();
        changed_ = static_cast<long>(position_) != clean_;
    } else if (!typing || typing_ != actionTyping_) {
        typing_.clear();
    }
    if (savedInAction_) {
        clean_ = static_cast<long>(position_);
        changed_ = false;
        typing_.clear();
    }
    if (!extends || typing_.empty()) typedBeforeBoxUndo_.reset();
    // Typing that makes no step (a box whose text no save takes) leaves the history alone.
    if (position_ != positionBefore || clean_ != cleanBefore || typing_ != typingBefore) HistoryNotify();
}

void Form::Replay(const Step& step, bool back) {
    replaying_ = true;
    if (back) {
        for (auto change = step.changes.rbegin(); change != step.changes.rend(); ++change) change->first();
    } else {
        for (const auto& change : step.changes) change.second();
    }
    // Twice: a handler that a value's change runs may set another value the step also holds.
    for (int pass = 0; pass < 2; ++pass) {
        const auto apply = [this, back](const ValueChange& change) {
            const auto found = controls_.find(change.name);
            if (found == controls_.end()) return;
            const Value& value = back ? change.before : change.after;
            switch (found->second.kind) {
                case ControlKind::CheckBox:
                case ControlKind::Option:
                    SetChecked(change.name, value.checked);
                    break;
                case ControlKind::List:
                    SetItems(change.name, value.items);
                    break;
                default:
                    SetText(change.name, value.text);
            }
        };
        if (back) {
            std::for_each(step.values.rbegin(), step.values.rend(), apply);
        } else {
            std::for_each(step.values.begin(), step.values.end(), apply);
        }
    }
    replaying_ = false;
}

// A copy of the step is replayed: a handler that runs as a value goes back may load a file, which starts the
// history anew under it.
void Form::UserUndo() {
    typing_.clear();
    typedBeforeBoxUndo_.reset();
    if (position_ == 0) return;
    --position_;
    const Step step = steps_[position_];
    Replay(step, true);
    changed_ = static_cast<long>(position_) != clean_;
    HistoryNotify();
}

void Form::UserRedo() {
    typing_.clear();
    typedBeforeBoxUndo_.reset();
    if (position_ == steps_.size()) return;
    const size_t at = position_;
    const Step step = steps_[at];
    Replay(step, false);
    if (position_ == at && at < steps_.size()) ++position_;
    changed_ = static_cast<long>(position_) != clean_;
    HistoryNotify();
}

void Form::BoxUndoBegins(const std::string& name) {
    if (typing_ == name && position_ == steps_.size() && position_ > 0) typedBeforeBoxUndo_ = steps_.back();
}

void Form::EndTyping() {
    typedBeforeBoxUndo_.reset();
    if (typing_.empty()) return;
    typing_.clear();
    HistoryNotify();
}

void Form::HistoryNotify() {
    if (observer_) observer_->HistoryChanged();
}

}  // namespace pv
