#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pv {

// What the editor remembers between runs for the user's convenience: the masters opened lately, where each
// window stood, the folder a file dialog was last used in. Never which file opens at start, never anything
// written to the server's files. Keys are plain words ("recentMasters", "window/frmMain").
class ISettings {
  public:
    virtual ~ISettings() = default;
    // "" (or no lines) when nothing is kept under the key.
    virtual std::string Text(const std::string& key) const = 0;
    virtual void SetText(const std::string& key, const std::string& value) = 0;
    virtual std::vector<std::string> List(const std::string& key) const = 0;
    virtual void SetList(const std::string& key, const std::vector<std::string>& values) = 0;
    // Whether what is set outlasts this run. Turned off, everything remembered so far is forgotten, and only
    // that choice and the preferences (IsPreference) are kept; what is set afterwards lasts until the program
    // ends, but for a preference, which is kept as before.
    virtual bool Keeping() const = 0;
    virtual void SetKeeping(bool keep) = 0;
    // False where nothing can ever be kept (a run with --no-settings): SetKeeping(true) does nothing.
    virtual bool CanKeep() const = 0;
};

// Settings held for this run only: what `--no-settings` gives the editor (constructed unable to keep), and
// the store the tests look into.
class MemorySettings : public ISettings {
  public:
    explicit MemorySettings(bool canKeep = true) : keeping_(canKeep), canKeep_(canKeep) {}
    std::string Text(const std::string& key) const override;
    void SetText(const std::string& key, const std::string& value) override;
    std::vector<std::string> List(const std::string& key) const override;
    void SetList(const std::string& key, const std::vector<std::string>& values) override;
    bool Keeping() const override { return keeping_; }
    void SetKeeping(bool keep) override;
    bool CanKeep() const override { return canKeep_; }
    // Every key with its value (a list's lines joined by line ends), for a test to compare whole.
    std::map<std::string, std::string> Everything() const;

  private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::vector<std::string>> lists_;
    bool keeping_;
    bool canKeep_;
};

inline constexpr const char* kRecentMastersKey = "recentMasters";
inline constexpr const char* kLastFolderKey = "lastFolder";
// "shown" while the main window's advanced area is unfolded.
inline constexpr const char* kAdvancedShownKey = "mainWindow/advanced";
// A window's place (PlaceText), after its layout's name: "window/frmMailbox".
inline std::string WindowPlaceKey(const std::string& window) {
    return "window/" + window;
}
inline constexpr size_t kRecentMastersKept = 10;
// The numbered backups the editor keeps of each file it saves (core/Backups.h): a count, 0 for none.
inline constexpr const char* kBackupsKeptKey = "backups/kept";
inline constexpr size_t kBackupsKeptDefault = 10;
// "on" while every save first shows what it changes, for Save or Cancel; off unless the user chose it.
inline constexpr const char* kReviewBeforeSavingKey = "reviewBeforeSaving";
inline bool ReviewsBeforeSaving(const ISettings& settings) {
    return settings.Text(kReviewBeforeSavingKey) == "on";
}
inline void SetReviewBeforeSaving(ISettings& settings, bool review) {
    settings.SetText(kReviewBeforeSavingKey, review ? "on" : "");
}

// Whether `key` holds a choice the user made (how many backups to keep, whether to review saves) rather than
// something remembered for convenience: "Remember nothing between runs" forgets the latter only, since a
// choice undone by it would quietly turn backups back on.
inline bool IsPreference(const std::string& key) {
    return key == kBackupsKeptKey || key == kReviewBeforeSavingKey;
}

// Puts `path` first in the list under `key`, without repeating it, keeping at most `kept` entries.
void RememberRecent(ISettings& settings, const std::string& key, const std::string& path,
                    size_t kept = kRecentMastersKept);
// Takes `path` out of the list under `key`.
void ForgetRecent(ISettings& settings, const std::string& key, const std::string& path);

// A window's place on the desktop, in screen pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// "x y width height", as a window's place is kept.
std::string PlaceText(const Rect& place);
// The place a text of PlaceText holds; nullopt for anything else (an edited or damaged settings file).
std::optional<Rect> ParsePlace(const std::string& text);

// Where a window kept at `saved` opens on the screens there are now (their available areas, the first the
// primary): on the screen it overlaps most (else the primary), no larger than that screen, moved inside it,
// so a window kept on a larger or a removed screen opens whole and within reach.
Rect FitPlace(const Rect& saved, const std::vector<Rect>& screens);

}  // namespace pv
