#include "core/History.h"

#include "core/SaveReview.h"
#include "core/SaveSequence.h"
#include "core/TextDiff.h"
#include "core/UnfinishedSave.h"
#include "core/errors.h"
#include "core/platform.h"
#include "names/History.h"
#include "names/frmHistory.h"

namespace pv {
using namespace names::frmHistory;

namespace {

std::string BackupLine(const Backup& backup) {
    return platform::FileName(backup.path) + "    " + LocalTimeText(backup.modified);
}

// A restore replaces what the difference showed; a change made since then is one the user has not seen.
// Whether Yes keeps it depends on the backups setting, which may keep none.
std::string RestoreChoices(bool keepsBackup) {
    return std::string("Do you want to restore the chosen backup over it? Yes restores it, ") +
           (keepsBackup ? "keeping what the file holds now as a backup"
                        : "and what the file holds now is lost, since the backups setting keeps none") +
           "; No shows the difference from the file as it is now, restoring nothing; Cancel does neither.";
}

}  // namespace

FrmHistory::FrmHistory(Services& services, HistoryLinks links)
    : Form(frmHistory, "History of " + platform::FileName(links.path)),
      services_(services),
      links_(std::move(links)),
      disk_(RestoreChoices(true)) {
    AddControl(lblBackups, ControlKind::Label, "Backups of " + links_.path + ", newest first:");
    AddControl(lstBackups, ControlKind::List, {},
               "The backups kept of the file, with the time each was kept");
    AddControl(lblDifference, ControlKind::Label, "Difference from the backup to the file as it is now:");
    Control& difference = AddControl(txtDifference, ControlKind::TextBox);
    difference.readOnly = true;
    difference.accessibleName = "Difference from the backup to the file";
    AddControl(cmdRestore, ControlKind::Button, "Restore",
               "Puts the chosen backup's content back into the file; what the file holds now is kept as a "
               "backup");
    AddControl(cmdEscape, ControlKind::Button, "Close");
    setSelectAllOnFocus(false);
    OnSelect(lstBackups, [this] { ShowDifference(); });
    OnClick(cmdRestore, [this] { Restore(); });
    OnClick(cmdEscape, [this] { Close(); });
    ShowBackups(std::string());
}

void FrmHistory::ShowBackups(const std::string& selected) {
    backups_ = BackupsOf(links_.path);
    std::vector<std::string> lines;
    int line = 0;
    for (const Backup& backup : backups_) {
        if (backup.path == selected) line = static_cast<int>(lines.size());
        lines.push_back(BackupLine(backup));
    }
    SetItems(lstBackups, lines);
    SetSelection(lstBackups, backups_.empty() ? std::vector<int>() : std::vector<int>{line});
    ShowDifference();
}

void FrmHistory::ShowDifference() {
    const std::vector<int>& selection = Selection(lstBackups);
    SetEnabled(cmdRestore, !selection.empty());
    if (selection.empty()) {
        SetText(txtDifference, backups_.empty() ? "No backup of " + links_.path + " has been kept." : "");
        return;
    }
    const Backup& backup = backups_[static_cast<size_t>(selection.front())];
    try {
        const std::string before = platform::ReadFileBytes(backup.path);
        const bool present = platform::FileExists(links_.path);
        platform::FileFingerprint read;
        const std::string after = present ? platform::ReadFileBytes(links_.path, read) : std::string();
        disk_.Take(links_.path, read);
        const ShownDifference shown =
            DifferenceAsRead(before, present ? std::optional<std::string_view>(after) : std::nullopt);
        std::string notes = shown.changes;
        if (!shown.blanks.empty()) notes += (notes.empty() ? "" : " ") + shown.blanks;
        // Bytes that differ in their encoding alone hold the same text: said, with no line to show.
        SetText(txtDifference,
                shown.hunks.empty() && notes.empty()
                    ? "The file holds what this backup holds."
                    : (notes.empty() ? "" : notes + "\n") +
                          UnifiedDiff(shown.hunks, backup.path, present ? links_.path : "/dev/null"));
    } catch (const AppError& error) {
        // No difference was shown, so whatever the file holds now is what a restore replaces.
        disk_.Take(links_.path);
        SetText(txtDifference, error.description());
    }
}

void FrmHistory::Restore() {
    const std::vector<int>& selection = Selection(lstBackups);
    if (selection.empty()) return;
    const Backup backup = backups_[static_cast<size_t>(selection.front())];
    if (links_.unsaved && links_.unsaved() &&
        services_.prompts.AskYesNo("The window has changes to " + links_.path +
                                   " that were not saved; restoring the backup discards them. Restore " +
                                   platform::FileName(backup.path) + " anyway?") != Answer::Yes) {
        return;
    }
    std::string content;
    try {
        content = platform::ReadFileBytes(backup.path);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
        return;
    }
    FileSave save;
    save.path = links_.path;
    save.text = [&content]() -> std::optional<std::string> { return std::move(content); };
    save.wholeText = true;
    save.backup = EditorBackups(services_.settings);
    disk_.SetChoices(RestoreChoices(save.backup.control != BackupControl::None));
    save.disk = &disk_;
    save.reload = [this, &backup] { ShowBackups(backup.path); };
    if (RunSave(save, services_) != SaveOutcome::Written) return;
    if (links_.reload) links_.reload();
    // The list now holds the backup of what the restore replaced too.
    ShowBackups(backup.path);
}

void AddHistoryButton(Form& form, Services& services, std::function<HistoryLinks()> links) {
    using names::History::cmdHistory;
    form.AddControl(cmdHistory, ControlKind::Button, "History…",
                    "Shows the backups kept of the file, what each differs from it, and restores one");
    form.OnClick(cmdHistory, [&services, links = std::move(links)] {
        HistoryLinks now = links();
        if (now.path.empty()) {
            services.prompts.ShowMessage("No configuration file has been chosen");
            return;
        }
        FrmHistory window(services, std::move(now));
        services.windows.ShowModal(window);
    });
}

}  // namespace pv
