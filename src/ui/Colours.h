#pragma once

class QStyle;
class QWidget;

namespace pv::ui {

// The colour rule of text boxes, on every box inside `root`: enabled ones in the palette's colours (white
// behind black in a light palette), disabled ones on a grey of their own. Both colours of each pair are set,
// so a box stays readable under any palette.
void ApplyColourRule(QWidget* root);

// The platform's style, with options whose ring and dot are drawn in the palette's text colours, so that
// where an option is and whether it is selected reads under a light and a dark palette alike (the ring
// stands out from the window by at least 3:1), and check boxes outlined in the ring's colour. One for the
// whole program, never destroyed.
QStyle* OptionStyle();

}  // namespace pv::ui
