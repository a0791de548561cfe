#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Backups.h"
#include "core/DiskChangeGuard.h"
#include "core/SaveReview.h"
#include "core/prompts.h"
#include "core/services.h"

namespace pv {

// One file's save, as the window (or the tool) that saves it describes it.
struct FileSave {
    std::string path;  // the file's full path
    // The window's checks, in its order, as they build the whole text (without the final line end that
    // writing adds): nullopt when one failed, which has then said why (a Fault naming its control). An
    // AppError stops the save too, and is shown after "Error saving=".
    std::function<std::optional<std::string>()> text;
    // What the save would leave out of what the file holds, or change of a value the server reads, each
    // asked about in turn; none when it keeps everything.
    std::vector<Loss> losses;
    // What the window knows of the file since it read or wrote it, for the changed-on-disk question; null
    // where nothing was read to compare with. `reload` is the window's No to that question: the file is read
    // again and the edits dropped.
    DiskChangeGuard* disk = nullptr;
    std::function<void()> reload;
    // What the window (or the model it shows) remembers once the file holds the text: that it now shows the
    // file as it is.
    std::function<void()> written;
    // The backup kept of what the file holds before it is replaced (none unless the window or the tool
    // says): a backup that cannot be kept stops the save before anything is written.
    BackupPolicy backup;
    // The text is every byte the file is to hold: no final line end is added (a restored backup).
    bool wholeText = false;
};

enum class SaveOutcome {
    Written,     // the file holds the text now ("Saved" was shown, saying so when it held it already)
    Printed,     // the text was handed back instead of written
    Reloaded,    // the window read the file again instead (No to the changed-on-disk question)
    NotWritten,  // a check failed, the user or the tool declined, or the write failed: each has said why
};

// The loss step of the save: whether the save may go on although it loses what `save.losses` say (a window
// asks each question, the tool refuses unless told to allow it, `check` counts each as a failure). Also run
// alone by a check that builds no text.
bool MayLose(const FileSave& save, IPrompts& prompts);

// The one save of every window and of the tool, in one order: the window's checks build the text; what the
// save would leave out (a window asks, the tool refuses: IPrompts::AskToSaveDespite); with `review`, the
// difference the write would make, shown for Save or Cancel (IReview); the changed-on-disk question; the
// backup of the file's present content (KeepBackup); the write (WriteTextFile, which replaces the file
// atomically); remembering what was written; retiring a copy an earlier unfinished save left
// (RetireUnfinishedSave); "Saved". A file that holds the text already is neither backed up nor written, only
// flushed to the disk with its folder (MakeSaveCertain), and the message says so (the tool's "Unchanged");
// the window takes the file as saved all the same. A write whose folder could not be flushed is no success,
// but the file is taken as the window's own (UncertainSave). A window that writes several files runs it once
// per file. With `printed` the text goes there, with its final line
// end, instead of into the file, and the file on disk is not looked at: the tool's --stdout, --diff and
// --check.
SaveOutcome RunSave(const FileSave& save, IPrompts& prompts, std::string* printed = nullptr,
                    IReview* review = nullptr);
// The backup (KeepBackup) a write of `path` keeps of what the file holds, once the file is known to be
// writable (else AppError, and no backup is made); nullopt when nothing is to be written. A backup that
// cannot be kept stops the tool's write, which says why; a window says why and asks `question`, whose Yes
// writes without one.
std::optional<KeptBackup> KeepBackupOrAsk(const std::string& path, const BackupPolicy& policy,
                                          IPrompts& prompts, const std::string& question);
// A window's save: its prompts, and the review when the user asked for one (ReviewsBeforeSaving).
SaveOutcome RunSave(const FileSave& save, const Services& services);
// `check`'s run of a save, printed into `text`. A save stops at its first failing check, before the losses:
// those are then told all the same, as a resave would refuse on them once the checks pass.
SaveOutcome PrintForCheck(const FileSave& save, IPrompts& prompts, std::string& text);

}  // namespace pv
