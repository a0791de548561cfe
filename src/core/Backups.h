#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "core/platform.h"

namespace pv {

// Which backup a save keeps of the file it replaces, in the words of GNU's --backup and VERSION_CONTROL.
enum class BackupControl {
    None,      // none, off: no backup
    Numbered,  // numbered, t: NAME.~N~, N one more than the highest there
    Existing,  // existing, nil: numbered when the file has numbered backups, else simple
    Simple,    // simple, never: NAME followed by the suffix, replaced by each save
};

inline constexpr const char* kDefaultBackupSuffix = "~";

struct BackupPolicy {
    BackupControl control = BackupControl::None;
    std::string suffix = kDefaultBackupSuffix;  // of a simple backup
    // The numbered backups a file keeps; older ones go first. At least 1.
    size_t kept = kBackupsKeptDefault;
    bool operator==(const BackupPolicy&) const = default;
};

// The control a word names ("numbered", "t", "existing", "nil", "simple", "never", "none", "off"), or any
// unambiguous beginning of one, as GNU takes them; nullopt for anything else.
std::optional<BackupControl> ParseBackupControl(const std::string& word);
// Why a suffix cannot be used, or "": it must be one name's ending (no "/"), not empty, and must not make a
// backup of NAME.xml end in ".xml", where a pattern that selects configuration files would take it.
std::string SuffixRefusal(const std::string& suffix);

// The editor's backups: numbered, `backups/kept` of them per file (kBackupsKeptDefault when it is not set,
// none when it is 0, all of them when it is no count).
BackupPolicy EditorBackups(const ISettings& settings);

// One backup of a file, beside it.
struct Backup {
    std::string path;
    int64_t number = 0;    // N of NAME.~N~; 0 for the simple backup
    int64_t modified = 0;  // when it was written (it keeps the time the save made it), ns since 1970
    bool operator==(const Backup&) const = default;
};
// The backups of the file at `path` (links followed, for the backups lie beside the file itself): its
// numbered ones, newest first, then its simple one (NAME + `suffix`) when there is one.
std::vector<Backup> BackupsOf(const std::string& path, const std::string& suffix = kDefaultBackupSuffix);

// A backup kept before a save. What would take an earlier backup away (the oldest numbered backups beyond
// the limit, the simple backup the new one replaces) waits for Finish, once the file is written: a save
// that fails leaves every backup there was as it was.
class KeptBackup {
  public:
    // Throws AppError naming the backup that could not be removed or named; the file is saved by then.
    // Returns what to tell when the simple backup could not replace the one before and was kept under the
    // next number instead ("" otherwise).
    std::string Finish();

  private:
    friend KeptBackup KeepBackup(const std::string& path, const BackupPolicy& policy);
    std::vector<std::string> beyond_;  // the oldest numbered backups, beyond the limit once this one is kept
    platform::StagedBackup simple_;    // the simple backup, until it replaces the one before
    std::string target_;               // the file it is of, links followed
    std::string simpleName_;           // the backup it replaces
};

// Keeps the present content of the file at `path` as the policy says, before a save replaces it: beside
// the file, with its owner, group, permissions and access lists, complete before it has its name. Nothing
// when the file does not exist yet, or when the newest backup already holds its content (a save whose
// write failed made it). Throws AppError naming the backup when it cannot be kept: the save must then not
// write.
KeptBackup KeepBackup(const std::string& path, const BackupPolicy& policy);
// Keeps `text` as the next numbered backup of the file at `path` (NAME.~N~, as above), whatever backups the
// file is set to have and without removing any of them: a text the user may still want that the file no
// longer holds. Nothing when the file or its newest numbered backup holds it already. Throws as KeepBackup.
void KeepTextAsBackup(const std::string& path, const std::string& text);

}  // namespace pv
