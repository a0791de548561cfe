#pragma once

class QWidget;

namespace pv::ui {

// The colour rule of text boxes, on every box inside `root`: enabled ones in the palette's colours (white
// behind black in a light palette), disabled ones on a grey of their own. Both colours of each pair are set,
// so a box stays readable under any palette.
void ApplyColourRule(QWidget* root);

}  // namespace pv::ui
