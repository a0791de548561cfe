#pragma once
#include <string>
#include <vector>

#include "core/message.h"

namespace pv {

inline constexpr const char* kAppTitle = "PostvaneConfig";
inline constexpr const char* kConfirmDeleteTitle = "Confirm Delete";

enum class Answer { Ok, Yes, No, Cancel };

// What a save would leave out of what the file holds, asked about before anything is written.
struct Loss {
    // What a window asks (Yes saves anyway); "" where the window said so when it loaded the file, and saves
    // without asking again.
    std::string question;
    // Why the tool refuses: it prints "Not written: " and this.
    std::string reason;
    // The save rests on a file that was not read completely (the file itself, or a catalogue it depends on):
    // what it would lose is not known, so the tool refuses it even when told to allow losses.
    bool unreadFile = false;
};

// Every message box of the program goes through this interface: the windows show real boxes, the
// command-line tool prints to standard error, `check` collects the messages, and tests script the answers.
class IPrompts {
  public:
    virtual ~IPrompts() = default;
    // A message in an OK-only box with the application's title and the icon of its kind (information for a
    // report of success such as "Saved", a warning otherwise), in a window's words; the tool prints it in its
    // own words, a report of success only when asked to be verbose.
    virtual void Show(const Message& message) = 0;
    // Yes/No question; returns Answer::Yes or Answer::No.
    virtual Answer AskYesNo(const std::string& text, const std::string& title = kAppTitle) = 0;
    // Yes/No/Cancel question with the application's title.
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
    // A Yes/No/Cancel question that only a window asks: the tool, which asks nothing, says the question's own
    // words for it (what is the matter and what to do instead) as an error, and takes Cancel. Its Yes
    // overwrites or goes without a backup, and its No may drop something too: a window's Enter answers
    // Cancel.
    virtual Answer AskOrTell(const Message& question) { return AskYesNoCancel(WindowText(question)); }
    // Whether a save goes on although it leaves out what `loss` says: a window asks its question (Yes
    // without one); the tool refuses and says why.
    virtual Answer AskToSaveDespite(const Loss& loss) {
        return loss.question.empty() ? Answer::Yes : AskYesNo(loss.question);
    }

    // Whether a refused loss is followed by the others a save would cause (the tool, which asks nothing), or
    // ends the questions (a window, where No is the user's answer to the save).
    virtual bool TellsEveryLoss() const { return false; }

    // What went wrong or needs attention, about no place in particular.
    void ShowMessage(const std::string& text) { Show({MessageKind::Error, text}); }
    // A report of success.
    void ShowInformation(const std::string& text) { Show({MessageKind::Information, text}); }
};

// The reports of a reading away from the window, kept to be shown by it. A question cannot wait for its
// answer there: it is noted, answered Cancel, and the window reads again on its own thread, asking it.
class RecordingPrompts : public IPrompts {
  public:
    std::vector<Message> said;
    bool asked = false;
    void Show(const Message& message) override { said.push_back(message); }
    Answer AskYesNo(const std::string&, const std::string&) override { return Asked(); }
    Answer AskYesNoCancel(const std::string&) override { return Asked(); }

  private:
    Answer Asked() {
        asked = true;
        return Answer::Cancel;
    }
};

}  // namespace pv
