#pragma once
#include <QDialog>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/form.h"

class QLineEdit;

namespace pv::ui {

// Selects the whole text of a text box; the editors' text boxes do it when they receive the focus.
void SelectAllText(QLineEdit* textBox);

// A window built from its .ui layout and bound to its logic by control name. This is the one binding of the
// program: every window is a FormWindow over a pv::Form.
//
// The path of one click: QPushButton::clicked -> Form::UserClick("cmdSave") -> the logic's handler (checks,
// builds the text, WriteTextFile) -> Form::Set*() for anything it shows -> IFormObserver::ControlChanged ->
// FormWindow applies it to the widget with its signals blocked, so programmatic changes never echo back.
class FormWindow : public QDialog, private pv::IFormObserver {
public:
    explicit FormWindow(pv::Form& form, QWidget* parent = nullptr);
    ~FormWindow() override;

    pv::Form& form() { return form_; }
    // The widget bound to a control, or null.
    QWidget* controlWidget(const std::string& name) const;
    // Controls of the logic that the layout lacks (a test checks there are none).
    const std::vector<std::string>& missingControls() const { return missing_; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ControlChanged(const pv::Control& control) override;
    void FormClosed() override;
    void CaptionChanged(const std::string& caption) override;
    void RowsChanged(const pv::RowSet& rows) override;

    void Bind(const pv::Control& control, QWidget* widget);
    void Apply(const pv::Control& control, QWidget* widget);
    void UpdateContainers();
    // Instantiates the row layout "row<set>" once per row into the area "rows<set>" (a scroll area, or a
    // widget with a box layout), and removes the rows beyond the count.
    void LayOutRows(const pv::RowSet& rows);
    void FitHeight();

    pv::Form& form_;
    std::unordered_map<std::string, QWidget*> widgets_;
    std::vector<std::string> missing_;
    // Containers named "frame..." that are not controls themselves: shown while any control in them is.
    std::vector<QWidget*> containers_;
    // The row widgets of each row set, in row order.
    std::unordered_map<std::string, std::vector<QWidget*>> rowWidgets_;
};

}  // namespace pv::ui
