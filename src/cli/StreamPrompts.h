#pragma once
#include <cctype>
#include <ostream>
#include <string>
#include <string_view>
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
            // "Saved" and "Unchanged" name their file, so that a log of many resaves says which was which.
            if (verbose_) Say(Named(message));
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
    // Each refused loss is said; allowed, a loss is said as lost only until one is refused.
    bool TellsEveryLoss() const override { return losses_ == Losses::Refused; }
    // One line of the tool's own, after the prefix.
    void Say(const std::string& line) { stream_ << prefix_ << line << '\n'; }

    size_t messagesShown = 0;
    size_t lossesRefused = 0;
    // The file a command is loading or saving (its full path), "" when none: a message about it whose words
    // do not name it is printed after the path, as `check` puts the file before it. Neither a save check's
    // "SMTPServer is missing" nor a load's "Threads=2.5 (written as 2)" names its file, and a message that
    // names another file or folder (the log file's missing folder) still says nothing of which file was
    // being loaded or saved. A message in another file that no control of this one names (a catalogue it
    // reads) is that file's, and is printed after that file's path unless it names it.
    std::string fileAtHand;

  private:
    std::string Named(const Message& message) const {
        const std::string& text = ToolText(message);
        const Place& place = message.place;
        const bool inAnotherFile = !place.file.empty() && place.file != fileAtHand && place.control.empty();
        // A message placed in another file is that file's: named, as check names it, where its words do not.
        if (inAnotherFile) return NamesFile(text, place.file) ? text : place.file + ": " + text;
        if (fileAtHand.empty() || NamesFile(text, fileAtHand)) return text;
        return fileAtHand + ": " + text;
    }

    // Whether `text` holds `path` as a name of its own: not the start of a longer one (the backup "FILE~",
    // "FILE.bak", a folder's "FILE/x") nor the end of one.
    static bool NamesFile(const std::string& text, const std::string& path) {
        const auto inName = [&text](size_t at) {
            if (at >= text.size()) return false;
            const char c = text[at];
            // A full stop ends a sentence unless a name goes on after it.
            if (c == '.')
                return at + 1 < text.size() && !std::isspace(static_cast<unsigned char>(text[at + 1]));
            return std::isalnum(static_cast<unsigned char>(c)) ||
                   std::string_view("_-~/\\").find(c) != std::string_view::npos;
        };
        for (size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + 1)) {
            if ((at == 0 || !inName(at - 1)) && !inName(at + path.size())) return true;
        }
        return false;
    }

    std::ostream& stream_;
    bool verbose_;
    std::string prefix_;
    Losses losses_;
};

}  // namespace pv
