#pragma once
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

enum class DiffKind { Same, Removed, Added };

// One line of a comparison, as a view shows it beside its numbers in the old and the new text.
struct DiffRow {
    size_t oldLine = 0;  // from 1; 0 for a line only the new text has
    size_t newLine = 0;  // from 1; 0 for a line only the old text has
    DiffKind kind = DiffKind::Same;
    std::string text;      // the line without its line feed: a carriage return before it stays
    bool endsLine = true;  // false for a last line that no line feed ends
    bool operator==(const DiffRow&) const = default;
};

// Changes that lie close together, with the unchanged lines around them.
struct DiffHunk {
    size_t oldStart = 0;  // the first old line of the hunk; with no old line, the one before it (0: none)
    size_t oldCount = 0;
    size_t newStart = 0;
    size_t newCount = 0;
    std::vector<DiffRow> rows;
    bool operator==(const DiffHunk&) const = default;
};

inline constexpr size_t kWholeText = std::numeric_limits<size_t>::max();

// Every change between two texts, with up to `context` unchanged lines before and after each (kWholeText:
// every line), changes whose context meets sharing a hunk; none when the texts are the same. Lines end at a
// line feed only, so a line that gained or lost a carriage return is a change. In each run of changes the
// removed lines come before the added ones.
std::vector<DiffHunk> DiffTexts(std::string_view before, std::string_view after, size_t context = 3);

// The unified diff of the hunks, as diff -u and patch know it: "--- oldName" and "+++ newName" (a name is
// taken as it is: "/dev/null" for a file that is not there), "@@ -l,s +l,s @@" before each hunk, lines after
// " ", "-" or "+" with their carriage returns, and "\ No newline at end of file" after a last line without
// one. "" for no hunks.
std::string UnifiedDiff(const std::vector<DiffHunk>& hunks, const std::string& oldName,
                        const std::string& newName);

// A sentence for a reader of the difference when the two texts end their lines differently ("LF" against
// "CR LF", "CR" or "mixed"): every line then shows as changed, though its text may be the same; and one when
// only one of them begins with a byte-order mark, which changes a first line that looks the same. "" when
// neither is so (or a text is empty).
std::string LineEndNote(std::string_view before, std::string_view after);

// A sentence for a reader of a difference between texts decoded from two encodings (as "UTF-16LE" and
// "UTF-8"): a change the rows, showing text, do not show.
std::string EncodingNote(std::string_view was, std::string_view is);

// A sentence for a reader of the difference when a line changes only in its blanks (TABs against spaces, or
// blanks at its end), which look alike on screen; "" when none does. A change of line end alone is
// LineEndNote's.
std::string BlankNote(const std::vector<DiffHunk>& hunks);

}  // namespace pv
