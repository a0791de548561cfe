#pragma once
#include <QString>
#include <vector>

namespace pv::ui {

// A caption that wants an access key, and how much: rank 0 (a window's buttons) is served before rank 1
// (labels of fields, check boxes), rank 1 before rank 2 (options, which their group's label reaches too).
struct AccessKeyRequest {
    QString caption;
    int rank = 0;
    // The position of the key the caption has had so far (-1: none): it keeps it while it is free, so that
    // the keys of a window do not move when it shows more.
    int kept = -1;
};

// Access keys (Alt+letter) for the captions of one window, so that no two share a key. A command many
// windows share (Save, Delete, ...) takes the key it has in every window first (the first of two captions of
// one command, if a window has two). A destructive command (Delete, leaving a window without saving) has a
// key that no other caption of any window ever takes, so a key learnt in one window never deletes or
// discards in the next. Every other caption prefers the first letters of its words, then its other letters,
// then its digits, never a key of a destructive command, and takes the key it kept or else the best one still
// free; when none is
// free, an earlier caption of the same rank moves to another of its letters if that frees one (so as many
// captions as possible get a key). The result holds, per caption, the position of its key in the caption, or
// -1 for a caption left without one.
std::vector<int> ChooseAccessKeys(const std::vector<AccessKeyRequest>& requests);

// The caption as a widget shows it: a literal "&" doubled, and "&" before the key at `position` (-1: none).
QString WithAccessKey(const QString& caption, int position);

// The caption without the access key marker, as it reads on screen.
QString WithoutAccessKey(const QString& text);

}  // namespace pv::ui
