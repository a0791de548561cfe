#pragma once
#include <QDialog>
#include <QProxyStyle>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/form.h"

class QLineEdit;
class QScrollArea;

namespace pv::ui {

// Selects the whole text of a text box; the editors' text boxes do it when they receive the focus.
void SelectAllText(QLineEdit* textBox);

// The platform's style, with "*" as the character a password box shows.
class PasswordStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

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
    // The widget of a control of a repeated row ("chkField(40)"), made if need be and scrolled into view;
    // null when there is no such row.
    QWidget* rowControlWidget(const std::string& name);
    // Controls of the logic that the layout lacks (a test checks there are none).
    const std::vector<std::string>& missingControls() const { return missing_; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void ControlChanged(const pv::Control& control) override;
    void FormClosed() override;
    void CaptionChanged(const std::string& caption) override;
    void RowsChanged(const pv::RowSet& rows) override;

    void Bind(const pv::Control& control, QWidget* widget);
    void Apply(const pv::Control& control, QWidget* widget);
    void ClickedCheckable(const std::string& name, QWidget* widget);
    void UpdateContainers();
    // Rows of a row set: the row layout "row<set>" instantiated once per row into the scroll area
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
    void PlaceRows(RowArea& area);
    // Where Tab (or Shift+Tab) goes from `from`, with the rows in their area's place.
    QWidget* TabTarget(QWidget* from, bool next);
    // The next tab stop from `from` along the focus chain, entering a row area where it stands.
    QWidget* OutsideRows(QWidget* from, bool next);
    void FitHeight();

    pv::Form& form_;
    std::unordered_map<std::string, QWidget*> widgets_;
    std::vector<std::string> missing_;
    // Containers named "frame..." that are not controls themselves: shown while any control in them is.
    std::vector<QWidget*> containers_;
    std::vector<RowArea> rowAreas_;
};

}  // namespace pv::ui
