#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextDiff.h"

namespace pv {

// A difference as it is shown to a reader: each side's bytes decoded as the reader reads its file (UTF-16,
// a declared single-byte encoding, Windows-1252), so that only what the text changes shows; bytes it cannot
// decode are compared as they are.
struct ShownDifference {
    std::vector<DiffHunk> hunks;
    // What the rows cannot show, in sentences: a change of encoding, of line ends or of byte-order mark; ""
    // when none, or when a side is not there.
    std::string changes;
    // Said when some line changes only in its blanks (see BlankNote); "" when none does.
    std::string blanks;
};
// `before` and `after` are the bytes of each side; nullopt for a file that is not there, compared as empty.
ShownDifference DifferenceAsRead(std::optional<std::string_view> before,
                                 std::optional<std::string_view> after, size_t context = 3);

// What a save is about to do to one file: the bytes there now and the bytes that will replace them.
struct PendingWrite {
    std::string path;
    std::optional<std::string> before;  // nullopt: no file is there yet
    std::string after;                  // the whole text written, with its final line end

    bool Changes() const { return !before || *before != after; }
    // The changes, with `context` unchanged lines around each.
    std::vector<DiffHunk> Hunks(size_t context = 3) const;
    // The changes as the review shows them, the text of each side decoded (DifferenceAsRead).
    ShownDifference Shown() const;
    // As diff -u shows it, of the bytes (so that patch applies it to the file), both headers naming the file
    // ("/dev/null" for one not there yet); "" when the save changes nothing.
    std::string Unified() const;
};

// Reads what is at `path` now, to compare with `after`. A file that is there but cannot be read throws
// AppError: its difference cannot be shown, so it is not written either.
PendingWrite PendingWriteOf(const std::string& path, std::string after);

// The review of a save before anything is written: shows what it changes and says whether to go on. The
// editor shows a window with the difference and Save and Cancel; the tests script the answers.
class IReview {
  public:
    virtual ~IReview() = default;
    // True to write (Save), false to write nothing (Cancel). Asked only of a save that changes the file.
    virtual bool Accept(const PendingWrite& write) = 0;
};

// Where nobody can be asked (a run without a display): nothing is written behind anybody's back.
class NoReview : public IReview {
  public:
    bool Accept(const PendingWrite&) override { return false; }
};

}  // namespace pv
