#pragma once
// What the binding reads from a window's layout: the order in which a user reads its widgets, which field
// a label describes, and what kind of widget something is.
#include <QString>
#include <vector>

class QLabel;
class QLayout;
class QWidget;

namespace pv::ui {

// A widget where the user enters or picks a value: what a label describes.
bool IsField(const QWidget* widget);
// A text box, multi-line text or spin box: what the colour rule of text boxes covers.
bool IsTextInput(const QWidget* widget);
bool IsReadOnlyText(const QWidget* widget);
// A field the user can change (a check box or option too): where typing or choosing starts.
bool IsEditableField(const QWidget* widget);
bool HasLetterOrDigit(const QString& text);
// A button, label or group box: a widget that shows a caption of the logic.
bool ShowsCaption(const QWidget* widget);
// The caption such a widget shows, with its access key marker.
QString CaptionShown(const QWidget* widget);

// The widgets of a layout and of the containers in it, in reading order: a grid row by row, a form row by
// row, a box in its order; the content of a scroll area where it stands.
void WalkLayout(const QLayout* layout, std::vector<QWidget*>& out);
// `widget` itself, then what its layout holds when it is a container.
void WalkWidget(QWidget* widget, std::vector<QWidget*>& out);

// The field a label describes, from where the layout puts it: the cell to its right, else the one below;
// in a box, the next item; in a form, its row's field. A group box of options is described as a whole.
// Null for a label that describes nothing (a unit after a field, a paragraph of text).
QWidget* FieldDescribedBy(QLabel* label);

// A label's caption as an accessible name: without the colon that ends it.
QString NameFromCaption(QString caption);

}  // namespace pv::ui
