#pragma once
#include <ostream>

#include "core/prompts.h"

namespace pv {

// Prompts for a run without a display: every message goes to the stream, one per line; a report of success
// only when asked to be verbose; questions are answered No, so that nothing is created or written behind
// the user's back.
class StreamPrompts : public IPrompts {
  public:
    explicit StreamPrompts(std::ostream& stream, bool verbose = false) : stream_(stream), verbose_(verbose) {}
    void Show(const Message& message) override {
        if (message.kind == MessageKind::Information) {
            if (verbose_) stream_ << ToolText(message) << '\n';
            return;
        }
        stream_ << ToolText(message) << '\n';
        ++messagesShown;
    }
    Answer AskYesNo(const std::string& text, const std::string&) override {
        stream_ << text << " [answered No]\n";
        return Answer::No;
    }
    Answer AskYesNoCancel(const std::string& text) override {
        stream_ << text << " [answered Cancel]\n";
        return Answer::Cancel;
    }
    Answer AskOrTell(const Message& question) override {
        Show({MessageKind::Error, ToolText(question), {}, question.place});
        return Answer::Cancel;
    }
    // A save that would leave out what the file holds is refused, and why is said.
    Answer AskToSaveDespite(const Loss& loss) override {
        stream_ << "Not written: " << loss.reason << '\n';
        return Answer::No;
    }

    size_t messagesShown = 0;

  private:
    std::ostream& stream_;
    bool verbose_;
};

}  // namespace pv
