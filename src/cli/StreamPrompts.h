#pragma once
#include <ostream>
#include <string>
#include <utility>

#include "core/prompts.h"

namespace pv {

// What the tool puts before every line it writes to standard error, so that a script's log tells whose
// message it is.
inline constexpr const char* kToolMessagePrefix = "postvane-config-tool: ";

// Prompts for a run without a display: every message goes to the stream, one per line after `prefix`; a
// report of success only when asked to be verbose; questions are answered No, so that nothing is created or
// written behind the user's back.
class StreamPrompts : public IPrompts {
  public:
    // Whether a save that would lose what the file holds goes ahead (the tool's --allow-loss).
    enum class Losses { Refused, Allowed };

    explicit StreamPrompts(std::ostream& stream, bool verbose = false,
                           std::string prefix = kToolMessagePrefix, Losses losses = Losses::Refused)
        : stream_(stream), verbose_(verbose), prefix_(std::move(prefix)), losses_(losses) {}
    void Show(const Message& message) override {
        if (message.kind == MessageKind::Information) {
            if (verbose_) Say(ToolText(message));
            return;
        }
        Say(Named(message));
        ++messagesShown;
    }
    Answer AskYesNo(const std::string& text, const std::string&) override {
        Say(text + " [answered No]");
        return Answer::No;
    }
    Answer AskYesNoCancel(const std::string& text) override {
        Say(text + " [answered Cancel]");
        return Answer::Cancel;
    }
    Answer AskOrTell(const Message& question) override {
        Show({MessageKind::Error, ToolText(question), {}, question.place});
        return Answer::Cancel;
    }
    // A save that would lose what the file holds is refused, and what it would lose is said; when losses
    // are allowed, it goes ahead and what is lost is said, unless the save rests on a file that was not read.
    Answer AskToSaveDespite(const Loss& loss) override {
        if (losses_ == Losses::Allowed && !loss.unreadFile) {
            Say("Lost by this save (--allow-loss): " + loss.reason);
            return Answer::Yes;
        }
        Say("Not written: " + loss.reason +
            (losses_ == Losses::Allowed
                 ? " --allow-loss writes no file that rests on one not read completely: mend that one first."
                 : ""));
        ++lossesRefused;
        return Answer::No;
    }
    // One line of the tool's own, after the prefix.
    void Say(const std::string& line) { stream_ << prefix_ << line << '\n'; }

    size_t messagesShown = 0;
    size_t lossesRefused = 0;
    // The file a command is loading or saving (its full path), "" when none: a message about it whose words
    // do not name it (a save check's "SMTPServer is missing" knows no file) is printed after the path, as
    // `check` puts the file before it. A message whose place is another file is that file's, and is left as
    // it is.
    std::string fileAtHand;

  private:
    std::string Named(const Message& message) const {
        const std::string& text = ToolText(message);
        if (fileAtHand.empty() || (!message.place.file.empty() && message.place.file != fileAtHand) ||
            text.find(fileAtHand) != std::string::npos)
            return text;
        return fileAtHand + ": " + text;
    }

    std::ostream& stream_;
    bool verbose_;
    std::string prefix_;
    Losses losses_;
};

}  // namespace pv
