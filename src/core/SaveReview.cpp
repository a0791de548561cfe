#include "core/SaveReview.h"

#include "core/platform.h"
#include "core/xml.h"

namespace pv {

ShownDifference DifferenceAsRead(std::optional<std::string_view> before,
                                 std::optional<std::string_view> after, size_t context) {
    const std::optional<XmlBytesText> was = DecodeXmlBytes(before.value_or(std::string_view()));
    const std::optional<XmlBytesText> is = DecodeXmlBytes(after.value_or(std::string_view()));
    const std::string_view oldText = was ? std::string_view(was->text) : before.value_or(std::string_view());
    const std::string_view newText = is ? std::string_view(is->text) : after.value_or(std::string_view());
    ShownDifference shown;
    shown.hunks = DiffTexts(oldText, newText, context);
    if (before && after) {
        if (was && is && !before->empty() && !after->empty() && was->encoding != is->encoding)
            shown.changes = EncodingNote(was->encoding, is->encoding);
        if (const std::string lineEnds = LineEndNote(oldText, newText); !lineEnds.empty())
            shown.changes += (shown.changes.empty() ? "" : " ") + lineEnds;
    }
    shown.blanks = BlankNote(shown.hunks);
    return shown;
}

ShownDifference PendingWrite::Shown() const {
    return DifferenceAsRead(before ? std::optional<std::string_view>(*before) : std::nullopt, after);
}

std::vector<DiffHunk> PendingWrite::Hunks(size_t context) const {
    return DiffTexts(before ? *before : std::string(), after, context);
}

std::string PendingWrite::Unified() const {
    if (!Changes()) return {};
    return UnifiedDiff(Hunks(), before ? path : "/dev/null", path);
}

PendingWrite PendingWriteOf(const std::string& path, std::string after) {
    PendingWrite write{path, std::nullopt, std::move(after)};
    // Only a path with nothing at all there is a new file; a folder or a pipe is refused by the read.
    if (platform::PathExists(path)) write.before = platform::ReadFileBytes(path);
    return write;
}

}  // namespace pv
