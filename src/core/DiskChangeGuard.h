#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/platform.h"

namespace pv {

class IPrompts;

// What became of a write the guard was asked about.
enum class DiskCheck {
    Write,      // unchanged since it was read, or the user chose to overwrite it
    Reloaded,   // the user chose to read the file again: the window now shows it, and nothing is written
    Cancelled,  // the user chose neither: nothing is written and the window keeps its edits
};

// What a window knows of the file it shows, so that it can tell before writing it whether another program
// changed it meanwhile: which file it is (device and inode), its size, modification time and content, taken
// when the window read or wrote it.
// Every window that writes a file it has read holds one: the main window, the dispositions editor, the
// monitor configuration window and the file editor engine (the tool's resave holds one in the place of the
// first three); and the History window, for the file as its difference showed it, which a restore replaces.
class DiskChangeGuard {
  public:
    // The question's last sentences, which say what each answer does; a window overwrites the file with what
    // it shows, or reads it again and loses its edits.
    static constexpr const char* kWindowChoices =
        "Do you want to overwrite it with what this window shows? Yes overwrites it; No reads it again, "
        "discarding the edits made in this window; Cancel does neither.";
    // A file removed meanwhile cannot be read again: No does what Cancel does.
    static constexpr const char* kWindowChoicesRemoved =
        "Do you want to write it again with what this window shows? Yes writes it; No and Cancel leave it "
        "removed, and keep the edits made in this window.";
    // A guard that has not taken a file yet, whose question ends with `choices`: the owner's own words for
    // what Yes (write) and No (`reload`) do there. A window's guard asks of a removed file in its own words.
    explicit DiskChangeGuard(std::string choices = kWindowChoices)
        : choices_(std::move(choices)),
          removedChoices_(choices_ == kWindowChoices ? kWindowChoicesRemoved : "") {}
    void SetChoices(std::string choices) {
        choices_ = std::move(choices);
        removedChoices_.clear();
    }

    // After the window wrote `path`, or after a load that could not read it: what is there now. Nothing at
    // that path is remembered as such: a file created since then counts as a change.
    void Take(const std::string& path);
    // After the window's load read `path`: what it read (XmlFile::fingerprint; absent when nothing was
    // there), so that the bytes the window shows are what a later change is measured against. Without a
    // fingerprint (the load could not read the file) the same as Take(path).
    void Take(const std::string& path, const std::optional<platform::FileFingerprint>& read);
    // Before the window writes `path`. When the file is not what was taken (its size or content changed, it
    // was created or removed, or another file was put in its place, by another program; a new time alone is
    // no change), asks whether to overwrite it (Yes), read it again and lose the edits (No: `reload` runs),
    // or do neither (Cancel). A path other than the one taken is written without a question.
    DiskCheck BeforeWrite(const std::string& path, IPrompts& prompts, const std::function<void()>& reload);
    // What BeforeWrite last found at `path` (null when it looked at no file there): the write that follows
    // is made only while the file is still that one.
    const platform::FileFingerprint* Seen(const std::string& path) const {
        return seen_ && path == path_ ? &*seen_ : nullptr;
    }

  private:
    using Snapshot = platform::FileFingerprint;
    static Snapshot Look(const std::string& path);

    std::string choices_;
    // For a file removed meanwhile, when No cannot read it again: the question's words, and No does what
    // Cancel does. Empty: asked as any other change.
    std::string removedChoices_;
    bool taken_ = false;
    std::string path_;
    Snapshot snapshot_;
    std::optional<Snapshot> seen_;
};

}  // namespace pv
