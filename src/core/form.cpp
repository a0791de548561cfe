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
    control.text = text;
    Notify(control);
    if (control.kind == ControlKind::TextBox) Fire(changeHandlers_, rowChangeHandlers_, control);
}

void Form::SetChecked(const std::string& name, bool checked) {
    Control& control = mutableControl(name);
    if (control.checked == checked) return;
    control.checked = checked;
    Notify(control);
    if (control.kind == ControlKind::Option && checked) {
        for (auto& [otherName, other] : controls_) {
            if (otherName != name && other.kind == ControlKind::Option && other.group == control.group &&
                other.checked) {
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
    SetText(name, text);
}

void Form::UserClick(const std::string& name) {
    const Control& control = this->control(name);
    if (!control.enabled || !control.visible) return;
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
    SetSelection(name, std::move(selection));
    Run(selectHandlers_, name);
}

void Form::UserDoubleClick(const std::string& name) {
    Run(doubleClickHandlers_, name);
}

bool Form::UserRequestClose() {
    if (closed_) return true;
    if (QueryClose()) Close();
    return closed_;
}

void Form::UserPressEscape() {
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
            OnChange(name, [this] { changed_ = true; });
        } else {
            OnClick(name, [this] { changed_ = true; });
        }
    }
}

}  // namespace pv
