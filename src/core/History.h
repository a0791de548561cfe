#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/Backups.h"
#include "core/DiskChangeGuard.h"
#include "core/form.h"
#include "core/services.h"

namespace pv {

// What the history of a window's file needs of the window.
struct HistoryLinks {
    std::string path;  // the file the window saves
    // Whether the window holds edits not saved yet, which a restore would discard.
    std::function<bool()> unsaved;
    // Reads the file again into the window, asking nothing (the restore has asked).
    std::function<void()> reload;
};

// The "History…" window of a file: its backups, newest first, with the time each was kept; for the one
// chosen, the difference from it to the file as it is now; "Restore" puts the backup's content back into
// the file through a window's save sequence, so that what it replaces is kept as a backup in turn, the review
// shows it when the user asked for one, and a change another program made after the difference was shown is
// asked about; it asks first when the window has unsaved edits, and then reloads the window.
class FrmHistory : public Form {
  public:
    FrmHistory(Services& services, HistoryLinks links);
    const std::vector<Backup>& backups() const { return backups_; }

  private:
    void ShowBackups(const std::string& selected);
    void ShowDifference();
    void Restore();

    Services& services_;
    HistoryLinks links_;
    std::vector<Backup> backups_;
    // The file as the difference last read it.
    DiskChangeGuard disk_;
};

// Declares the History button of a window that saves a file and opens the file's history when it is
// clicked; `links` says, at that moment, which file and how the window reloads it.
void AddHistoryButton(Form& form, Services& services, std::function<HistoryLinks()> links);

}  // namespace pv
