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
    if (::stat(path.c_str(), &info) != 0) return snapshot;
    snapshot.present = true;
    snapshot.device = static_cast<uint64_t>(info.st_dev);
    snapshot.inode = static_cast<uint64_t>(info.st_ino);
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
    seen_.reset();
}

DiskCheck DiskChangeGuard::BeforeWrite(const std::string& path, IPrompts& prompts,
                                       const std::function<void()>& reload) {
    if (!taken_ || path != path_) return DiskCheck::Write;
    // The file and its content decide: a time can stay the same over a quick rewrite of the same size, and a
    // file touched or copied over with the same bytes has not changed; but another file put in its place
    // (renamed over it, or a link to another file) is another file, whatever it holds. The guard's own
    // saves replace the file too, and the window takes the new one after each.
    const Snapshot now = Look(path);
    seen_ = now;
    const bool sameFile = now.device == snapshot_.device && now.inode == snapshot_.inode;
    const bool sameText = now.size == snapshot_.size && now.content == snapshot_.content &&
                          (now.content != 0 || now.modified == snapshot_.modified);
    if (now.present == snapshot_.present && (!now.present || (sameFile && sameText))) return DiskCheck::Write;
    const std::string what = !now.present         ? "removed by another program"
                             : !snapshot_.present ? "created by another program"
                             : sameText ? "replaced by another program with another file of the same content"
                                        : "changed by another program";
    // The tool asks nothing: it says the file was left as the other program wrote it.
    const std::string since = "The file " + path + " has been " + what;
    const bool noReload = !now.present && !removedChoices_.empty();
    switch (prompts.AskOrTell(Message(
        MessageKind::Question,
        since + " since this window read it. " + (noReload ? removedChoices_ : choices_),
        since + " since it was read, so it was not written: that change is kept.", Place::File(path)))) {
        case Answer::Yes:
            return DiskCheck::Write;
        case Answer::No:
            if (noReload) return DiskCheck::Cancelled;
            reload();
            return DiskCheck::Reloaded;
        default:
            return DiskCheck::Cancelled;
    }
}

}  // namespace pv
