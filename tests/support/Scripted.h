#pragma once
// Scripted stand-ins for the message boxes, file dialogs, child windows and process launching, so that
// window logic runs in tests without widgets. Each records what happened and answers from a queue; a
// message nobody expected, a wrong text, or an answer left unused fails the test.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/EditorRegistry.h"
#include "core/form.h"
#include "core/services.h"
#include "editors/Editors.h"

namespace pv::test {

class ScriptedPrompts : public IPrompts {
  public:
    ~ScriptedPrompts() override;

    // Expectations, in the order the messages must come.
    ScriptedPrompts& ExpectMessage(const std::string& text);
    // What a window's save says when the file at `path` held its text already, and nothing was written.
    ScriptedPrompts& ExpectSavedUnchanged(const std::string& path);
    // What a window's save asks when another program `how` ("changed", "removed") the file since it was read.
    ScriptedPrompts& ExpectChangedMeanwhile(const std::string& path, Answer answer,
                                            const std::string& how = "changed");
    // A message whose text starts with `prefix` (for texts that carry an error description).
    ScriptedPrompts& ExpectMessageStartingWith(const std::string& prefix);
    ScriptedPrompts& ExpectYesNo(const std::string& text, Answer answer,
                                 const std::string& title = kAppTitle);
    ScriptedPrompts& ExpectYesNoCancel(const std::string& text, Answer answer);
    ScriptedPrompts& ExpectYesNoCancelStartingWith(const std::string& prefix, Answer answer);

    void Show(const Message& message) override;
    Answer AskYesNo(const std::string& text, const std::string& title) override;
    Answer AskYesNoCancel(const std::string& text) override;

    // Everything shown so far, in order.
    std::vector<std::string> shown;
    // Fails the test when expectations are left; called by the destructor too.
    void VerifyAllUsed();

  private:
    struct Expected {
        enum Kind { Message, YesNo, YesNoCancel } kind;
        std::string text;
        bool prefixOnly = false;
        std::string title;
        Answer answer = Answer::Ok;
    };
    Answer Take(Expected::Kind kind, const std::string& text, const std::string& title);
    std::deque<Expected> queue_;
};

class ScriptedDialogs : public IFileDialogs {
  public:
    ~ScriptedDialogs() override;
    // The next file dialog answers with this full path; nullopt cancels it.
    ScriptedDialogs& AnswerFile(std::optional<std::string> path);
    ScriptedDialogs& AnswerFolder(const std::string& folder);

    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::string ChooseFolder(const std::string& title, const std::string& startFolder) override;

    std::vector<FileDialogRequest> requests;
    std::vector<std::string> folderTitles;
    std::vector<std::string> folderStarts;
    void VerifyAllUsed();

  private:
    std::deque<std::optional<std::string>> files_;
    std::deque<std::string> folders_;
};

class ScriptedWindows : public IWindowHost {
  public:
    ~ScriptedWindows() override;
    // The next modal window must be of this kind; the script drives it and must close it.
    ScriptedWindows& Expect(const std::string& kind, std::function<void(Form&)> script);
    void ShowModal(Form& form) override;

    std::vector<std::string> shown;
    // How many windows are open now, one over the other (the window a test drives itself not counted).
    int open = 0;
    void VerifyAllUsed();

  private:
    struct Expected {
        std::string kind;
        std::function<void(Form&)> script;
    };
    std::deque<Expected> queue_;
};

class ScriptedLauncher : public IProcessLauncher {
  public:
    bool result = true;
    // The answers of the next launches, in turn; `result` answers once they are used up.
    std::deque<bool> results;
    struct Launch_ {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDirectory;
    };
    std::vector<Launch_> launches;
    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& workingDirectory) override {
        launches.push_back({program, arguments, workingDirectory});
        if (results.empty()) return result;
        const bool answer = results.front();
        results.pop_front();
        return answer;
    }
};

// Keeps what was put on the clipboard.
class ScriptedClipboard : public IClipboard {
  public:
    std::vector<std::string> copied;
    void SetText(const std::string& text) override { copied.push_back(text); }
};

// Answers the reviews of saves in turn: each must be of the file expected, and may check what it shows.
class ScriptedReview : public IReview {
  public:
    ~ScriptedReview() override;
    ScriptedReview& Expect(const std::string& path, bool accept,
                           std::function<void(const PendingWrite&)> check = nullptr);
    bool Accept(const PendingWrite& write) override;

    // Every difference reviewed so far, in order (PendingWrite::Unified).
    std::vector<std::string> shown;
    void VerifyAllUsed();

  private:
    struct Expected {
        std::string path;
        bool accept;
        std::function<void(const PendingWrite&)> check;
    };
    std::deque<Expected> queue_;
};

// All of them together, with a program directory of the test's choosing, and the program's editors (a copy,
// in which a test may put stand-ins).
struct ScriptedServices {
    explicit ScriptedServices(const std::string& programDirectory)
        : services{PathContext(programDirectory),
                   prompts,
                   dialogs,
                   windows,
                   launcher,
                   clipboard,
                   editors,
                   settings,
                   review} {}
    ScriptedPrompts prompts;
    ScriptedDialogs dialogs;
    ScriptedWindows windows;
    ScriptedLauncher launcher;
    ScriptedClipboard clipboard;
    EditorRegistry editors = BuiltInEditors();
    MemorySettings settings;
    ScriptedReview review;
    Services services;
};

}  // namespace pv::test
