#include "core/SaveReview.h"

#include "core/platform.h"

namespace pv {

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
