#pragma once
#include <cstdint>
#include <string>

namespace pv {

class IPrompts;
namespace platform {
struct UnfinishedSave;
}

// A moment (nanoseconds since 1970) in local time to the second, as "2026-12-08 14:05:09": when a save
// began, when a backup was made.
std::string LocalTimeText(int64_t nanoseconds);

// What became of a file whose last save in place did not finish (platform::FindUnfinishedSave): the file may
// be cut short, and a complete copy of the text it had before was kept.
enum class UnfinishedSaveChoice {
    None,      // no save of the file was left unfinished: read it as usual
    Restored,  // the copy's text is back in the file and the copy is gone: read it
    Kept,      // the user keeps the file as it is and the copy is gone: read it
    Left,      // the file and the copy stay as they are: a window reads nothing, the tool fails (exit 1)
};

// The first step of opening a file, before it is read. When its last save did not finish, a window's user
// is asked whether to put the copy's text back: Yes restores it, No keeps the file as it is and removes the
// copy, Cancel does neither. The tool asks nothing: it names the file and the copy and leaves both. A
// restore or removal that fails is reported and leaves both.
UnfinishedSaveChoice OfferUnfinishedSave(const std::string& path, IPrompts& prompts);

// After a save of the file has finished, a copy an earlier save that did not finish left says no longer
// that the file may be cut: its text is kept as the next numbered backup (KeepTextAsBackup) and the copy
// removed, so that the next open does not offer to put it back over the save. Throws AppError naming the
// file and the copy when either cannot be done; the copy then stays.
void RetireUnfinishedSave(const platform::UnfinishedSave& save);

}  // namespace pv
