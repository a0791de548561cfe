#include "core/UnfinishedSave.h"

#include <cstdint>
#include <ctime>
#include <string_view>

#include "core/Backups.h"
#include "core/SaveSequence.h"
#include "core/errors.h"
#include "core/platform.h"
#include "core/prompts.h"

namespace pv {

std::string LocalTimeText(int64_t nanoseconds) {
    const std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&seconds, &local) != nullptr)
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

UnfinishedSaveChoice OfferUnfinishedSave(const std::string& path, IPrompts& prompts) {
    const std::optional<platform::UnfinishedSave> save = platform::FindUnfinishedSave(path);
    if (!save) return UnfinishedSaveChoice::None;
    const std::string what =
        "The last save of " + path +
        " did not finish, so the file may be cut short. A complete copy of the text it had "
        "before that save (begun " +
        LocalTimeText(save->started) + ") was kept in " + save->copy + ".";
    const Answer answer = prompts.AskOrTell(
        Message(MessageKind::Question,
                what + " Do you want to put that text back? Yes puts it back, and keeps what "
                       "the file holds now as a numbered backup beside it; No keeps the "
                       "file as it is and deletes the copy; Cancel does neither and leaves "
                       "the file closed.",
                what + " Open the file in the editor to put that text back, or remove the "
                       "copy to keep the file as it is.",
                Place::File(path)));
    try {
        switch (answer) {
            case Answer::Yes:
                // What the file holds now may be more than a cut text: the file may have been saved whole
                // since, under another of its names, which finds no copy. It is kept, and no backup the user
                // keeps is removed for it. Where no backup can be kept beside the file (which is why a copy
                // lies in the state folder) the user is asked, as any save asks, whether to go on without.
                if (!KeepBackupOrAsk(
                        path, BackupPolicy{BackupControl::Numbered, kDefaultBackupSuffix, SIZE_MAX}, prompts,
                        "Do you want to put the copy's text back without keeping a backup of what "
                        "the file holds now?")) {
                    return UnfinishedSaveChoice::Left;
                }
                platform::RestoreUnfinishedSave(*save);
                return UnfinishedSaveChoice::Restored;
            case Answer::No:
                platform::DiscardUnfinishedSave(*save);
                return UnfinishedSaveChoice::Kept;
            default:
                return UnfinishedSaveChoice::Left;
        }
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError(answer == Answer::Yes ? "Error saving=" : "Error=", error));
        return UnfinishedSaveChoice::Left;
    }
}

void RetireUnfinishedSave(const platform::UnfinishedSave& save) {
    try {
        KeepTextAsBackup(save.file, platform::ReadFileBytes(save.copy));
        platform::DiscardUnfinishedSave(save);
    } catch (const AppError& error) {
        std::string why = error.description();
        const std::string_view unwritten = "; the file was not written";
        if (why.ends_with(unwritten)) why.resize(why.size() - unwritten.size());
        throw AppError(error.number(), save.file + " was saved, but the copy " + save.copy +
                                           " that an earlier save of it which did not finish left stays, "
                                           "and will be offered when the file is opened: " +
                                           why);
    }
}

}  // namespace pv
