#pragma once
// Stand-ins for the dialogs, windows and process launching of a run without a display (the command-line
// tool, the screenshot renderer): nothing is chosen, opened or started.
#include <string>
#include <vector>

#include "core/EditorRegistry.h"
#include "core/form.h"
#include "core/services.h"

namespace pv {

class NoDialogs : public IFileDialogs {
  public:
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::string ChooseFolder(const std::string&, const std::string&) override { return std::string(); }
};

class NoWindows : public IWindowHost {
  public:
    void ShowModal(Form& form) override { form.Close(); }
};

class NoLauncher : public IProcessLauncher {
  public:
    bool Launch(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return false;
    }
};

class NoClipboard : public IClipboard {
  public:
    void SetText(const std::string&) override {}
};

// Keeps every message for a report instead of showing it; questions are answered No (Cancel), so that
// nothing is written behind the user's back.
class CollectingPrompts : public IPrompts {
  public:
    // With `keepNotes`, messages of the Information kind are kept too (a check asked to be verbose);
    // otherwise they are no findings.
    explicit CollectingPrompts(bool keepNotes = false) : keepNotes_(keepNotes) {}
    std::vector<Message> messages;
    void Show(const Message& message) override {
        if (message.kind != MessageKind::Information || keepNotes_) messages.push_back(message);
    }
    Answer AskYesNo(const std::string&, const std::string&) override { return Answer::No; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    Answer AskOrTell(const Message& question) override {
        messages.push_back({MessageKind::Error, ToolText(question), {}, question.place});
        return Answer::Cancel;
    }
    // What a save would lose is a failure of the file, as the tool's refusal of it is. With `everyLoss`
    // (where nothing is written: a check) the answer is Yes, so that the save goes on to tell its next loss
    // rather than stopping at the first, as a window's question does.
    Answer AskToSaveDespite(const Loss& loss) override {
        messages.push_back({MessageKind::Error, loss.reason});
        return everyLoss ? Answer::Yes : Answer::No;
    }
    bool everyLoss = false;

  private:
    bool keepNotes_;
};

// Everything a window's logic needs, for a run without a display: the given prompts, and nothing chosen,
// opened or started.
struct HeadlessServices {
    HeadlessServices(const PathContext& paths, IPrompts& prompts, const EditorRegistry& editors = NoEditors())
        : services{paths, prompts, dialogs, windows, launcher, clipboard, editors, settings, review} {}
    NoDialogs dialogs;
    // Nothing of a run without a display is kept.
    MemorySettings settings{false};
    NoWindows windows;
    NoLauncher launcher;
    NoClipboard clipboard;
    NoReview review;
    Services services;
};

}  // namespace pv
