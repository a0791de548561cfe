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
    void ShowMessage(const std::string& text) override {
        stream_ << text << '\n';
        ++messagesShown;
    }
    void ShowInformation(const std::string& text) override {
        if (verbose_) stream_ << text << '\n';
    }
    bool ForWindows() const override { return false; }
    Answer AskYesNo(const std::string& text, const std::string&) override {
        stream_ << text << " [answered No]\n";
        return Answer::No;
    }
    Answer AskYesNoCancel(const std::string& text) override {
        stream_ << text << " [answered Cancel]\n";
        return Answer::Cancel;
    }

    size_t messagesShown = 0;

  private:
    std::ostream& stream_;
    bool verbose_;
};

}  // namespace pv
