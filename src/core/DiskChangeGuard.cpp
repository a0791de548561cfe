#include "core/DiskChangeGuard.h"

#include <sys/stat.h>

#include <string_view>

#include "core/errors.h"
#include "core/platform.h"
#include "core/prompts.h"

namespace pv {

DiskChangeGuard::Snapshot DiskChangeGuard::Look(const std::string& path) {
    Snapshot snapshot;
    if (platform::FileExists(path)) {
        try {
            platform::ReadFileBytes(path, snapshot);
            return snapshot;
        } catch (const AppError&) {
            snapshot = Snapshot();  // what can be seen without reading it
        }
    }
    struct stat info {};
    if (::stat(platform::NativePath(path).c_str(), &info) != 0) return snapshot;
    snapshot.present = true;
    snapshot.size = static_cast<uint64_t>(info.st_size);
    snapshot.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return snapshot;
}

void DiskChangeGuard::Take(const std::string& path) {
    Take(path, std::nullopt);
}

void DiskChangeGuard::Take(const std::string& path, const std::optional<platform::FileFingerprint>& read) {
    taken_ = true;
    path_ = path;
    snapshot_ = read ? *read : Look(path);
}

DiskCheck DiskChangeGuard::BeforeWrite(const std::string& path, IPrompts& prompts,
                                       const std::function<void()>& reload) {
    if (!taken_ || path != path_) return DiskCheck::Write;
    // The content decides: a time can stay the same over a quick rewrite of the same size, and a file
    // touched or copied over with the same bytes has not changed.
    const Snapshot now = Look(path);
    const bool same = now.present == snapshot_.present &&
                      (!now.present || (now.size == snapshot_.size && now.content == snapshot_.content &&
                                        (now.content != 0 || now.modified == snapshot_.modified)));
    if (same) return DiskCheck::Write;
    const std::string what = now.present ? (snapshot_.present ? "changed" : "created") : "removed";
    switch (prompts.AskYesNoCancel("The file " + path + " has been " + what +
                                   " by another program since this window read it. Do you want "
                                   "to overwrite it with what this window shows? Yes overwrites it; No reads "
                                   "it again, discarding the edits "
                                   "made in this window; Cancel does neither.")) {
        case Answer::Yes:
            return DiskCheck::Write;
        case Answer::No:
            reload();
            return DiskCheck::Reloaded;
        default:
            return DiskCheck::Cancelled;
    }
}

}  // namespace pv
