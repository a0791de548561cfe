#pragma once
#include <QString>
#include <QStringList>
#include <vector>

namespace pv::ui {

// A caption that wants an access key, and how much: rank 0 (a window's buttons) is served before rank 1
// (labels of fields, check boxes), rank 1 before rank 2 (options, which their group's label reaches too).
struct AccessKeyRequest {
    QString caption;
    int rank = 0;
    // The position of the key the caption has had so far (-1: none): it keeps it while it is free, so that
    // the other keys of a window do not move when one of its captions changes.
    int kept = -1;
    // Every caption the control shows in turn, first the one it starts with (empty: the caption never
    // changes): the key is a letter they all have, preferred as in the first, so it survives the change.
    QStringList captions{};
    // Whether the control is in an area the window folds: such captions are served after every caption
    // that is always shown, which so take their best letters first.
    bool folds = false;
};

// Access keys (Alt+letter) for the captions of one window, so that no two share a key. A command many
// windows share (Save, Delete, ...) takes the key it has in every window first (the first of two captions of
// one command, if a window has two). A destructive command (Delete, leaving a window without saving) has a
// key that no other caption of any window ever takes, so a key learnt in one window never deletes or
// discards in the next. Every other caption prefers the first letters of its words, then its other letters,
// then its digits, never a key of a destructive command, and takes the key it kept or else the best one still
// free; when none is free, an earlier caption of the same rank moves to another of its letters if that frees
// one (so as many captions as possible get a key). The captions are served in a fixed order (those
// always shown, then those of folding areas; buttons, then labels, then options; then as given), whatever is
// shown at the time, so a window's keys are the same however it was opened. The result holds, per caption,
// the position of its key in the caption, or -1 for a caption left without one.
std::vector<int> ChooseAccessKeys(const std::vector<AccessKeyRequest>& requests);

// The caption as a widget shows it: a literal "&" doubled, and "&" before the key at `position` (-1: none).
QString WithAccessKey(const QString& caption, int position);

// The caption without the access key marker, as it reads on screen.
QString WithoutAccessKey(const QString& text);

}  // namespace pv::ui
