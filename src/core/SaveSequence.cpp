#include "core/SaveSequence.h"

#include <functional>
#include <string_view>
#include <utility>

#include "core/UnfinishedSave.h"
#include "core/errors.h"
#include "core/platform.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {

bool MayLose(const FileSave& save, IPrompts& prompts) {
    bool may = true;
    for (const Loss& loss : save.losses) {
        if (prompts.AskToSaveDespite(loss) == Answer::Yes) continue;
        may = false;
        // A window's No ends its questions; the tool, which asks none, tells every loss, so that mending
        // what it said is not followed by a refusal for the next.
        if (!prompts.TellsEveryLoss()) break;
    }
    return may;
}

SaveOutcome PrintForCheck(const FileSave& save, IPrompts& prompts, std::string& text) {
    const SaveOutcome outcome = RunSave(save, prompts, &text);
    if (outcome != SaveOutcome::Printed) MayLose(save, prompts);
    return outcome;
}

// A file that cannot be written is said to be so before any backup is made: a save that fails keeps no copy
// of the file as it stays. A backup that cannot be kept (a folder the user may not create files in, a file of
// an owner the backup cannot be given) stops the save: the tool says so and writes nothing; a window asks
// whether to write without one, No being the answer that writes nothing, since a file in such a folder could
// otherwise never be written from the editor at all.
std::optional<KeptBackup> KeepBackupOrAsk(const std::string& path, const BackupPolicy& policy,
                                          IPrompts& prompts, const std::string& question) {
    platform::CheckWritable(path);
    try {
        return KeepBackup(path, policy);
    } catch (const AppError& error) {
        std::string why = error.description();
        const std::string_view unwritten = "; the file was not written";
        if (why.ends_with(unwritten)) why.resize(why.size() - unwritten.size());
        const Answer answer =
            prompts.AskOrTell(Message(MessageKind::Question, why + ".\n\n" + question,
                                      FormatError("Error saving=", error), Place::File(path)));
        if (answer != Answer::Yes) return std::nullopt;
        return KeptBackup();
    }
}

// Whether the file's bytes are already those the save would write. One byte more than those is read at
// most: a master of megabytes that grew is not read whole to learn so.
bool HoldsAlready(const std::string& path, const std::string& text, bool wholeText) {
    const std::string_view ending = wholeText ? "" : "\r\n";
    if (!platform::FileExists(path)) return false;
    const std::string bytes = platform::ReadFileBytes(path, text.size() + ending.size() + 1);
    return bytes.size() == text.size() + ending.size() && bytes.starts_with(text) && bytes.ends_with(ending);
}

SaveOutcome RunSave(const FileSave& save, IPrompts& prompts, std::string* printed, IReview* review) {
    std::optional<platform::UnfinishedSave> earlier;
    std::optional<KeptBackup> backup;
    bool unchanged = false;  // the file held the text already, and nothing was written
    // The file holds the text, but a power failure may still undo that: said in the place of "Saved".
    std::optional<platform::UncertainSave> uncertain;
    try {
        std::optional<std::string> text = save.text();
        if (!text) return SaveOutcome::NotWritten;
        if (!MayLose(save, prompts)) return SaveOutcome::NotWritten;
        if (printed) {
            // Moved, not copied: a master of thousands of mailboxes is megabytes of text.
            *printed = std::move(*text);
            if (!save.wholeText) *printed += "\r\n";
            return SaveOutcome::Printed;
        }
        // The review comes after the questions that may stop the save, so that only a save that would
        // happen is shown, and before the changed-on-disk question, so that a change another program makes
        // while the user reads the difference is still caught before the write.
        if (review) {
            const PendingWrite write = PendingWriteOf(save.path, save.wholeText ? *text : *text + "\r\n");
            if (write.Changes() && !review->Accept(write)) return SaveOutcome::NotWritten;
        }
        if (save.disk) {
            switch (save.disk->BeforeWrite(save.path, prompts, save.reload)) {
                case DiskCheck::Write:
                    break;
                case DiskCheck::Reloaded:
                    return SaveOutcome::Reloaded;
                case DiskCheck::Cancelled:
                    return SaveOutcome::NotWritten;
            }
        }
        // Here the old text is still on disk and the new one in hand: whatever must see both before a file
        // is replaced belongs here, once for every window and the tool.
        // A file that holds these bytes already is left alone: rewriting it would keep a backup identical to
        // it, which pushes the backup of the text before the last real change out of the limit (with one
        // kept, deletes it) and fills the History with empty differences. The file as it is now is what
        // counts, not what the window read: a change another program made has been asked about above.
        unchanged = HoldsAlready(save.path, *text, save.wholeText);
        if (!unchanged) {
            backup = KeepBackupOrAsk(save.path, save.backup, prompts,
                                     "Do you want to save the file without keeping a backup?");
            if (!backup) return SaveOutcome::NotWritten;
            // Looked for before the write: a file replaced gets another inode, which names a copy kept in the
            // state folder.
            earlier = platform::FindUnfinishedSave(save.path);
            const platform::FileFingerprint* seen = save.disk ? save.disk->Seen(save.path) : nullptr;
            try {
                if (save.wholeText) {
                    platform::ReplaceFileAtomically(save.path, *text, seen);
                } else {
                    platform::ReplaceFileAtomically(save.path, *text + "\r\n", seen);
                }
            } catch (const platform::UncertainSave& error) {
                uncertain = error;
            }
        } else {
            // Held already, maybe since a save of this window whose folder could not be flushed: "Saved" is
            // said of a text that outlasts a power failure.
            platform::MakeSaveCertain(save.path);
        }
        // The file holds this window's text even when that is not certain yet: the window's next save is no
        // overwrite of another program's change. The window keeps its edits then, so that saving again
        // makes the text certain.
        if (save.disk) save.disk->Take(save.path);
        if (save.written && !uncertain) save.written();
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Error saving=", error));
        return SaveOutcome::NotWritten;
    }
    // The file holds a complete save now, so a copy an earlier unfinished save left must not be offered as
    // its last save at the next open, where Yes would put the older text over this one; and the backups
    // this save pushed out of the limit, or the simple backup its own replaces, can go.
    const auto afterTheWrite = [&prompts](const std::function<void()>& step) {
        try {
            step();
        } catch (const AppError& error) {
            prompts.ShowMessage(FormatError("Error=", error));
        }
    };
    if (earlier) afterTheWrite([&] { RetireUnfinishedSave(*earlier); });
    if (backup) {
        afterTheWrite([&] {
            if (const std::string note = backup->Finish(); !note.empty())
                prompts.Show(Message(MessageKind::Warning, note, note, Place::File(save.path)));
        });
    }
    if (uncertain) {
        prompts.ShowMessage(FormatError("Error saving=", *uncertain));
        return SaveOutcome::NotWritten;
    }
    // A window's user learns that the file holds what the window shows, and why History has no new backup;
    // "Saved" alone would tell the tool's -v reader that the file was written, and a script that it changed.
    if (unchanged) {
        prompts.Show(Message(MessageKind::Information,
                             "Saved: " + save.path + " held this text already, so it was not written again.",
                             "Unchanged", Place::File(save.path)));
    } else {
        prompts.ShowInformation("Saved");
    }
    return SaveOutcome::Written;
}

SaveOutcome RunSave(const FileSave& save, const Services& services) {
    return RunSave(save, services.prompts, nullptr,
                   ReviewsBeforeSaving(services.settings) ? &services.review : nullptr);
}

}  // namespace pv
