#include "core/TextDiff.h"

#include <algorithm>
#include <dtl/dtl.hpp>
#include <unordered_map>

namespace pv {
namespace {

// Each line with its line feed, so that a last line without one differs from the same line with one.
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

// One step of the edit script: where it stands in each text (for an added line, the old lines before it; for
// a removed one, the new lines before it).
struct Step {
    DiffKind kind;
    size_t oldIndex;
    size_t newIndex;
};

// The edit script of the lines between the common beginning and end. Lines that one text has and the other
// has nowhere can only be removed or added: they are set aside before the library compares the rest, so that
// a text rewritten throughout (every line end changed) costs one pass instead of the square of its length,
// as GNU diff does with the lines it calls confusing.
void ScriptOfMiddle(const std::vector<std::string_view>& oldLines,
                    const std::vector<std::string_view>& newLines, size_t first, size_t oldEnd, size_t newEnd,
                    std::vector<Step>& steps) {
    // One number per distinct line (the library compares numbers), and how often each text uses it.
    std::unordered_map<std::string_view, long long> ids;
    std::vector<std::pair<size_t, size_t>> uses;
    const auto number = [&](const std::vector<std::string_view>& lines, size_t end, bool old) {
        std::vector<long long> numbers;
        numbers.reserve(end - first);
        for (size_t i = first; i < end; ++i) {
            const auto [found, added] = ids.try_emplace(lines[i], static_cast<long long>(uses.size()));
            if (added) uses.emplace_back(0, 0);
            ++(old ? uses[found->second].first : uses[found->second].second);
            numbers.push_back(found->second);
        }
        return numbers;
    };
    const std::vector<long long> oldNumbers = number(oldLines, oldEnd, true);
    const std::vector<long long> newNumbers = number(newLines, newEnd, false);
    std::vector<long long> oldIds, newIds;
    std::vector<size_t> oldAt, newAt;  // the line each compared number stands for
    for (size_t i = 0; i < oldNumbers.size(); ++i) {
        if (uses[oldNumbers[i]].second == 0) continue;
        oldIds.push_back(oldNumbers[i]);
        oldAt.push_back(first + i);
    }
    for (size_t i = 0; i < newNumbers.size(); ++i) {
        if (uses[newNumbers[i]].first == 0) continue;
        newIds.push_back(newNumbers[i]);
        newAt.push_back(first + i);
    }

    size_t oldNext = first, newNext = first;
    const auto removeUpTo = [&](size_t end) {
        for (; oldNext < end; ++oldNext) steps.push_back({DiffKind::Removed, oldNext, newNext});
    };
    const auto addUpTo = [&](size_t end) {
        for (; newNext < end; ++newNext) steps.push_back({DiffKind::Added, oldNext, newNext});
    };
    if (!oldIds.empty() && !newIds.empty()) {
        dtl::Diff<long long> diff(oldIds, newIds);
        diff.compose();
        size_t oldCompared = 0, newCompared = 0;
        for (const auto& [id, info] : diff.getSes().getSequence()) {
            if (info.type == dtl::SES_COMMON) {
                removeUpTo(oldAt[oldCompared++]);
                addUpTo(newAt[newCompared++]);
                steps.push_back({DiffKind::Same, oldNext++, newNext++});
            } else if (info.type == dtl::SES_DELETE) {
                removeUpTo(oldAt[oldCompared++] + 1);
            } else {
                addUpTo(newAt[newCompared++] + 1);
            }
        }
    }
    removeUpTo(oldEnd);
    addUpTo(newEnd);
}

// Removed lines first in every run of changes, as diff -u shows them, whatever order the lines set aside and
// the library's script interleaved them in.
void RemovalsFirst(std::vector<Step>& steps) {
    auto runStart = steps.begin();
    while (runStart != steps.end()) {
        if (runStart->kind == DiffKind::Same) {
            ++runStart;
            continue;
        }
        const auto runEnd =
            std::find_if(runStart, steps.end(), [](const Step& step) { return step.kind == DiffKind::Same; });
        // Each removed line then stands before every added line of the run, each added one after every
        // removed one.
        const size_t oldBefore = runStart->oldIndex;
        const size_t newBefore = runStart->newIndex;
        const auto firstAdded = std::stable_partition(
            runStart, runEnd, [](const Step& step) { return step.kind == DiffKind::Removed; });
        const size_t oldAfter = oldBefore + static_cast<size_t>(firstAdded - runStart);
        for (auto step = runStart; step != firstAdded; ++step) step->newIndex = newBefore;
        for (auto step = firstAdded; step != runEnd; ++step) step->oldIndex = oldAfter;
        runStart = runEnd;
    }
}

DiffRow RowOf(const Step& step, const std::vector<std::string_view>& oldLines,
              const std::vector<std::string_view>& newLines) {
    std::string_view line = step.kind == DiffKind::Added ? newLines[step.newIndex] : oldLines[step.oldIndex];
    DiffRow row;
    row.kind = step.kind;
    if (step.kind != DiffKind::Added) row.oldLine = step.oldIndex + 1;
    if (step.kind != DiffKind::Removed) row.newLine = step.newIndex + 1;
    row.endsLine = line.ends_with('\n');
    if (row.endsLine) line.remove_suffix(1);
    row.text = std::string(line);
    return row;
}

std::string Range(size_t start, size_t count) {
    return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

}  // namespace

std::vector<DiffHunk> DiffTexts(std::string_view before, std::string_view after, size_t context) {
    const std::vector<std::string_view> oldLines = LinesOf(before);
    const std::vector<std::string_view> newLines = LinesOf(after);
    // The common beginning and end are most of a configuration file saved with a few changes: they are
    // matched in one pass, and only what lies between is compared.
    size_t first = 0;
    while (first < oldLines.size() && first < newLines.size() && oldLines[first] == newLines[first]) ++first;
    size_t oldEnd = oldLines.size(), newEnd = newLines.size();
    while (oldEnd > first && newEnd > first && oldLines[oldEnd - 1] == newLines[newEnd - 1]) {
        --oldEnd;
        --newEnd;
    }
    if (first == oldEnd && first == newEnd) return {};

    std::vector<Step> steps;
    ScriptOfMiddle(oldLines, newLines, first, oldEnd, newEnd, steps);
    RemovalsFirst(steps);

    // Hunks: from `context` lines before a change to `context` lines after the last change that lies within
    // twice the context of the one before it. The common beginning and end are counted, never listed whole.
    const size_t leadIn = std::min(context, first);
    const size_t leadOut = std::min(context, oldLines.size() - oldEnd);
    std::vector<Step> all;
    all.reserve(leadIn + steps.size() + leadOut);
    for (size_t i = first - leadIn; i < first; ++i) all.push_back({DiffKind::Same, i, i});
    all.insert(all.end(), steps.begin(), steps.end());
    for (size_t i = 0; i < leadOut; ++i) all.push_back({DiffKind::Same, oldEnd + i, newEnd + i});

    std::vector<DiffHunk> hunks;
    size_t index = 0;
    while (index < all.size()) {
        const auto change = std::find_if(all.begin() + static_cast<std::ptrdiff_t>(index), all.end(),
                                         [](const Step& step) { return step.kind != DiffKind::Same; });
        if (change == all.end()) break;
        size_t start = static_cast<size_t>(change - all.begin());
        start = start - std::min(context, start);
        start = std::max(start, index);
        size_t end = static_cast<size_t>(change - all.begin()) + 1;  // after the last change so far
        for (size_t i = end; i < all.size(); ++i) {
            if (all[i].kind == DiffKind::Same) {
                const size_t unchanged = i - end + 1;
                if (unchanged > context && unchanged - context > context) break;
                continue;
            }
            end = i + 1;
        }
        const size_t stop = end + std::min(context, all.size() - end);
        DiffHunk hunk;
        for (size_t i = start; i < stop; ++i) {
            hunk.rows.push_back(RowOf(all[i], oldLines, newLines));
            if (all[i].kind != DiffKind::Added) ++hunk.oldCount;
            if (all[i].kind != DiffKind::Removed) ++hunk.newCount;
        }
        hunk.oldStart = all[start].oldIndex + (hunk.oldCount > 0 ? 1 : 0);
        hunk.newStart = all[start].newIndex + (hunk.newCount > 0 ? 1 : 0);
        hunks.push_back(std::move(hunk));
        index = stop;
    }
    return hunks;
}

std::string UnifiedDiff(const std::vector<DiffHunk>& hunks, const std::string& oldName,
                        const std::string& newName) {
    if (hunks.empty()) return {};
    // A name with a blank ends in a TAB, as patch reads a name up to the first blank otherwise.
    const auto header = [](const char* mark, const std::string& name) {
        return mark + name + (name.find(' ') == std::string::npos ? "\n" : "\t\n");
    };
    std::string text = header("--- ", oldName) + header("+++ ", newName);
    for (const DiffHunk& hunk : hunks) {
        text += "@@ -" + Range(hunk.oldStart, hunk.oldCount) + " +" + Range(hunk.newStart, hunk.newCount) +
                " @@\n";
        for (const DiffRow& row : hunk.rows) {
            text += row.kind == DiffKind::Same ? ' ' : row.kind == DiffKind::Removed ? '-' : '+';
            text += row.text;
            text += '\n';
            if (!row.endsLine) text += "\\ No newline at end of file\n";
        }
    }
    return text;
}

namespace {

// How a text ends its lines: "CR LF", "LF" or "CR" when all alike, "mixed", or "" without any.
std::string LineEnds(std::string_view text) {
    size_t crlf = 0, lf = 0, cr = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (text[i] == '\n') {
            ++lf;
        }
    }
    const int kinds = (crlf > 0) + (lf > 0) + (cr > 0);
    if (kinds == 0) return {};
    if (kinds > 1) return "mixed";
    return crlf > 0 ? "CR LF" : lf > 0 ? "LF" : "CR";
}

}  // namespace

std::string LineEndNote(std::string_view before, std::string_view after) {
    std::string note;
    const std::string was = LineEnds(before);
    const std::string is = LineEnds(after);
    if (!was.empty() && !is.empty() && was != is) {
        note = "The line ends change from " + was + " to " + is +
               ", so lines whose text is the same show as removed and added again.";
    }
    // A byte-order mark is no character a reader sees: its line would look the same on both sides.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    const bool markBefore = before.starts_with(kMark);
    if (!before.empty() && !after.empty() && markBefore != after.starts_with(kMark)) {
        note += std::string(note.empty() ? "" : " ") +
                (markBefore ? "The byte-order mark at the start is left out"
                            : "A byte-order mark is added at the start") +
                ", so the first line shows as removed and added again.";
    }
    return note;
}

std::string EncodingNote(std::string_view was, std::string_view is) {
    return "The encoding changes from " + std::string(was) + " to " + std::string(is) + ".";
}

std::string BlankNote(const std::vector<DiffHunk>& hunks) {
    const auto withoutLineEnd = [](std::string_view line) {
        return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
    };
    const auto withoutBlanks = [](std::string_view line) {
        std::string kept;
        kept.reserve(line.size());
        for (const char c : line) {
            if (c != ' ' && c != '\t') kept += c;
        }
        return kept;
    };
    for (const DiffHunk& hunk : hunks) {
        // Each removed line by its text without blanks, against the added lines of the same hunk.
        std::unordered_map<std::string, std::string_view> removed;
        for (const DiffRow& row : hunk.rows) {
            if (row.kind == DiffKind::Removed)
                removed.emplace(withoutBlanks(withoutLineEnd(row.text)), withoutLineEnd(row.text));
        }
        for (const DiffRow& row : hunk.rows) {
            if (row.kind != DiffKind::Added) continue;
            const auto found = removed.find(withoutBlanks(withoutLineEnd(row.text)));
            if (found != removed.end() && found->second != withoutLineEnd(row.text)) {
                return "Some lines change only in their blanks (TABs against spaces, or blanks at their "
                       "ends).";
            }
        }
    }
    return {};
}

}  // namespace pv
