#pragma once
#include <string>

#include "core/HeadlessServices.h"
#include "core/services.h"

namespace pv {

// What became of a file the tool had an editor load and save.
enum class ResaveOutcome {
    Written,    // the file was rewritten ("Saved" was shown)
    Printed,    // the text was handed back; nothing written
    Missing,    // no such file
    NotRead,    // unreadable or not well-formed (reported): a save would replace it with defaults
    NoRoot,     // well-formed, but without the editor's root element
    Refused,    // a check failed or the write failed (reported)
    NoEditor,   // the kind has no form of its own that reads its file
    WouldDrop,  // the file names entries the editor cannot show (reported): a save would drop them
};

// The window host of a run without a display: where a dispatch would show the file editor it opened on a
// record, the editor's Save is pressed instead (or, with `textOnly`, the text Save would write, with its
// final CR LF, is built after the same checks), then the window is closed. A file the editor could not read
// as its own is never written, nor one whose save would drop entries the editor could not show (with
// `textOnly` the checks still run, so that every message is reported, but no text is handed back).
class ResaveInsteadOfShowing : public IWindowHost {
  public:
    explicit ResaveInsteadOfShowing(std::string* textOnly) : textOnly_(textOnly) {}

    void ShowModal(Form& form) override;

    ResaveOutcome outcome = ResaveOutcome::NoEditor;

  private:
    ResaveOutcome Resave(Form& form);

    std::string* textOnly_;
};

// Everything a dispatch needs to open an editor without a display, with the window host above: nothing is
// chosen or started, and the editor it opens is resaved (or its text built into `textOnly`).
struct ResaveServices {
    ResaveServices(const PathContext& paths, IPrompts& prompts, std::string* textOnly)
        : windows(textOnly), services{paths, prompts, dialogs, windows, launcher, clipboard} {}
    NoDialogs dialogs;
    NoLauncher launcher;
    ResaveInsteadOfShowing windows;
    NoClipboard clipboard;
    Services services;
};

}  // namespace pv
