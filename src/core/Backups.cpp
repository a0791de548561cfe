#include "core/Backups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "core/errors.h"
#include "core/platform.h"
#include "core/xml.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// The number of a numbered backup's name, NAME.~N~; 0 when `entry` is none of `name`'s.
int64_t BackupNumber(const std::string& entry, const std::string& name) {
    const std::string prefix = name + ".~";
    if (entry.size() <= prefix.size() + 1 || entry.compare(0, prefix.size(), prefix) != 0 ||
        entry.back() != '~')
        return 0;
    const std::string digits = entry.substr(prefix.size(), entry.size() - prefix.size() - 1);
    // Up to 18 digits: more numbers than saves could ever make, and still one of 64 bits.
    if (digits.empty() || digits.size() > 18 || digits.front() == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    return std::stoll(digits);
}

int64_t ModifiedOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// The numbered backups beside `target`, oldest (lowest number) first.
std::vector<Backup> Numbered(const std::string& target) {
    const std::string folder = platform::ParentFolder(target);
    const std::string name = platform::FileName(target);
    std::vector<Backup> found;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? "/" : folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (const int64_t number = BackupNumber(entry, name)) {
            const std::string path = (folder == "/" ? "" : folder) + "/" + entry;
            if (platform::FileExists(path)) found.push_back({path, number, ModifiedOf(path)});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Backup& a, const Backup& b) { return a.number < b.number; });
    return found;
}

bool SameContent(const std::string& a, const std::string& b) {
    // Sizes first: a master of megabytes is not read twice to learn that it grew.
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0 || first.st_size != second.st_size)
        return false;
    try {
        return platform::ReadFileBytes(a) == platform::ReadFileBytes(b);
    } catch (const AppError&) {
        return false;
    }
}

// Gives a backup of `target` the first numbered name after those of its backups that `place` finds free
// (another save may take a number meanwhile), and returns that name.
std::string TakeNextNumber(const std::string& target, const std::vector<Backup>& numbered,
                           const std::function<bool(const std::string& name)>& place) {
    int64_t number = numbered.empty() ? 1 : numbered.back().number + 1;
    std::string name;
    do {
        name = platform::FileName(target) + ".~" + std::to_string(number++) + "~";
    } while (!place(name));
    return name;
}

}  // namespace

std::optional<BackupControl> ParseBackupControl(const std::string& word) {
    static const std::pair<const char*, BackupControl> kWords[] = {
        {"none", BackupControl::None},         {"off", BackupControl::None},
        {"numbered", BackupControl::Numbered}, {"t", BackupControl::Numbered},
        {"existing", BackupControl::Existing}, {"nil", BackupControl::Existing},
        {"simple", BackupControl::Simple},     {"never", BackupControl::Simple},
    };
    if (word.empty()) return std::nullopt;
    std::optional<BackupControl> found;
    for (const auto& [text, control] : kWords) {
        if (word == text) return control;
        if (std::strncmp(text, word.c_str(), word.size()) == 0) {
            if (found && *found != control) return std::nullopt;  // "n" begins none, numbered, nil, never
            found = control;
        }
    }
    return found;
}

std::string SuffixRefusal(const std::string& suffix) {
    if (suffix.empty()) return "a backup suffix cannot be empty";
    if (suffix.find('/') != std::string::npos) return "a backup suffix cannot hold a \"/\"";
    const std::string lower = platform::AsciiLower(suffix);
    if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".xml") == 0) {
        return "a backup suffix cannot end in \".xml\": the backup would look like a configuration file";
    }
    return std::string();
}

BackupPolicy EditorBackups(const ISettings& settings) {
    BackupPolicy policy;
    policy.control = BackupControl::Numbered;
    std::string kept = TrimXmlSpace(settings.Text(kBackupsKeptKey));
    if (kept.empty()) return policy;
    // Anything but a plain count (a settings file edited by hand), and a count beyond any number of saves,
    // keeps every backup: none is ever removed on a number the editor could not read.
    if (!std::all_of(kept.begin(), kept.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        policy.kept = SIZE_MAX;
        return policy;
    }
    kept.erase(0, std::min(kept.find_first_not_of('0'), kept.size() - 1));
    const size_t number = kept.size() > 18 ? SIZE_MAX : std::stoull(kept);
    if (number == 0) policy.control = BackupControl::None;
    policy.kept = std::max<size_t>(number, 1);
    return policy;
}

std::vector<Backup> BackupsOf(const std::string& path, const std::string& suffix) {
    std::string target;
    try {
        target = platform::FollowedPath(path);
    } catch (const AppError&) {
        return {};
    }
    std::vector<Backup> backups = Numbered(target);
    std::reverse(backups.begin(), backups.end());
    const std::string simple = target + suffix;
    if (!suffix.empty() && platform::FileExists(simple)) backups.push_back({simple, 0, ModifiedOf(simple)});
    return backups;
}

KeptBackup KeepBackup(const std::string& path, const BackupPolicy& policy) {
    KeptBackup kept;
    if (policy.control == BackupControl::None) return kept;
    const std::string target = platform::FollowedPath(path);
    // Nothing to keep of a file not there yet; nor of what is not a regular file (a pipe, a device), which
    // the write itself refuses with its own message.
    if (!platform::FileExists(target)) return kept;
    const std::vector<Backup> numbered = Numbered(target);
    const bool numbers = policy.control == BackupControl::Numbered ||
                         (policy.control == BackupControl::Existing && !numbered.empty());
    if (!numbers) {
        if (const std::string refusal = SuffixRefusal(policy.suffix); !refusal.empty()) {
            throw AppError(kErrFileAccess, "Cannot keep a backup of " + path + ": " + refusal);
        }
        const std::string simple = target + policy.suffix;
        if (!(platform::FileExists(simple) && SameContent(simple, target))) {
            kept.simple_ = platform::StageBackupCopy(path, platform::FileName(simple));
            kept.target_ = target;
            kept.simpleName_ = simple;
        }
        return kept;
    }
    std::vector<Backup> now = numbered;
    if (numbered.empty() || !SameContent(numbered.back().path, target)) {
        TakeNextNumber(target, numbered, [&](const std::string& numberedName) {
            return platform::WriteBackupCopy(path, numberedName);
        });
        now = Numbered(target);
    }
    const size_t limit = std::max<size_t>(policy.kept, 1);
    for (size_t i = 0; i + limit < now.size(); ++i) kept.beyond_.push_back(now[i].path);
    return kept;
}

std::string KeptBackup::Finish() {
    std::string note;
    if (simple_.Staged()) {
        if (const int error = simple_.Place()) {
            // The text before the save is not lost for a name that cannot be replaced (a backup of another
            // owner in a shared folder, one made immutable, a folder of that name): it is kept under the next
            // number, where the History finds it.
            const std::string name = TakeNextNumber(
                target_, Numbered(target_), [&](const std::string& free) { return simple_.PlaceAs(free); });
            note = "The backup of " + target_ + " could not replace " + simpleName_ + " (" +
                   std::strerror(error) + "), so it was kept as " + platform::ParentFolder(target_) + "/" +
                   name + ".";
        }
    }
    for (const std::string& old : beyond_) {
        if (::unlink(old.c_str()) != 0 && errno != ENOENT) {
            throw AppError(kErrFileAccess, "Cannot remove the old backup " + old + ": " +
                                               std::strerror(errno) + "; the file was saved");
        }
    }
    return note;
}

void KeepTextAsBackup(const std::string& path, const std::string& text) {
    const std::string target = platform::FollowedPath(path);
    const std::vector<Backup> numbered = Numbered(target);
    const auto holds = [&text](const std::string& file) {
        try {
            return platform::ReadFileBytes(file) == text;
        } catch (const AppError&) {
            return false;
        }
    };
    if (holds(target) || (!numbered.empty() && holds(numbered.back().path))) return;
    TakeNextNumber(target, numbered,
                   [&](const std::string& name) { return platform::WriteBackupCopy(path, name, &text); });
}

}  // namespace pv
