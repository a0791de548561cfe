#include "support/Scripted.h"

#include <gtest/gtest.h>

#include "core/DiskChangeGuard.h"

namespace pv::test {

ScriptedPrompts::~ScriptedPrompts() {
    VerifyAllUsed();
}

void ScriptedPrompts::VerifyAllUsed() {
    for (const auto& expected : queue_) ADD_FAILURE() << "expected message never shown: " << expected.text;
    queue_.clear();
}

ScriptedPrompts& ScriptedPrompts::ExpectMessage(const std::string& text) {
    queue_.push_back({Expected::Message, text, false, kAppTitle, Answer::Ok});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::ExpectSavedUnchanged(const std::string& path) {
    return ExpectMessage("Saved: " + path + " held this text already, so it was not written again.");
}

ScriptedPrompts& ScriptedPrompts::ExpectChangedMeanwhile(const std::string& path, Answer answer,
                                                         const std::string& how) {
    return ExpectYesNoCancel(
        "The file " + path + " has been " + how + " by another program since this window read it. " +
            (how == "removed" ? DiskChangeGuard::kWindowChoicesRemoved : DiskChangeGuard::kWindowChoices),
        answer);
}

ScriptedPrompts& ScriptedPrompts::ExpectMessageStartingWith(const std::string& prefix) {
    queue_.push_back({Expected::Message, prefix, true, kAppTitle, Answer::Ok});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::ExpectYesNo(const std::string& text, Answer answer,
                                              const std::string& title) {
    queue_.push_back({Expected::YesNo, text, false, title, answer});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::ExpectYesNoCancel(const std::string& text, Answer answer) {
    queue_.push_back({Expected::YesNoCancel, text, false, kAppTitle, answer});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::ExpectYesNoCancelStartingWith(const std::string& prefix, Answer answer) {
    queue_.push_back({Expected::YesNoCancel, prefix, true, kAppTitle, answer});
    return *this;
}

Answer ScriptedPrompts::Take(Expected::Kind kind, const std::string& text, const std::string& title) {
    shown.push_back(text);
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected message: " << text;
        return kind == Expected::Message ? Answer::Ok : Answer::Cancel;
    }
    const Expected expected = queue_.front();
    queue_.pop_front();
    const bool textMatches = expected.prefixOnly ? text.rfind(expected.text, 0) == 0 : text == expected.text;
    EXPECT_TRUE(textMatches) << "message: " << text << "\nexpected: " << expected.text;
    EXPECT_EQ(expected.kind, kind) << "wrong kind of box for: " << text;
    EXPECT_EQ(expected.title, title) << "wrong title for: " << text;
    if (kind == Expected::Message) return Answer::Ok;
    return expected.answer;
}

void ScriptedPrompts::Show(const Message& message) {
    // A success shown as a warning would carry the warning icon, and the tool would print it on every run.
    if (message.text == "Saved" && message.kind != MessageKind::Information) {
        ADD_FAILURE() << "\"Saved\" reports a success: show it with ShowInformation";
    }
    Take(Expected::Message, WindowText(message), kAppTitle);
}

Answer ScriptedPrompts::AskYesNo(const std::string& text, const std::string& title) {
    return Take(Expected::YesNo, text, title);
}

Answer ScriptedPrompts::AskYesNoCancel(const std::string& text) {
    return Take(Expected::YesNoCancel, text, kAppTitle);
}

ScriptedDialogs::~ScriptedDialogs() {
    VerifyAllUsed();
}

void ScriptedDialogs::VerifyAllUsed() {
    if (!files_.empty()) ADD_FAILURE() << files_.size() << " file dialog answer(s) never used";
    if (!folders_.empty()) ADD_FAILURE() << folders_.size() << " folder dialog answer(s) never used";
    files_.clear();
    folders_.clear();
}

ScriptedDialogs& ScriptedDialogs::AnswerFile(std::optional<std::string> path) {
    files_.push_back(std::move(path));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerFolder(const std::string& folder) {
    folders_.push_back(folder);
    return *this;
}

std::optional<std::string> ScriptedDialogs::ChooseOpenFile(const FileDialogRequest& request) {
    requests.push_back(request);
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << request.title;
        return std::nullopt;
    }
    auto answer = files_.front();
    files_.pop_front();
    return answer;
}

std::string ScriptedDialogs::ChooseFolder(const std::string& title, const std::string& startFolder) {
    folderTitles.push_back(title);
    folderStarts.push_back(startFolder);
    if (folders_.empty()) {
        ADD_FAILURE() << "unexpected folder dialog: " << title;
        return std::string();
    }
    auto answer = folders_.front();
    folders_.pop_front();
    return answer;
}

ScriptedWindows::~ScriptedWindows() {
    VerifyAllUsed();
}

void ScriptedWindows::VerifyAllUsed() {
    for (const auto& expected : queue_) ADD_FAILURE() << "expected window never opened: " << expected.kind;
    queue_.clear();
}

ScriptedWindows& ScriptedWindows::Expect(const std::string& kind, std::function<void(Form&)> script) {
    queue_.push_back({kind, std::move(script)});
    return *this;
}

void ScriptedWindows::ShowModal(Form& form) {
    shown.push_back(form.kind());
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected window: " << form.kind();
        form.Close();
        return;
    }
    Expected expected = std::move(queue_.front());
    queue_.pop_front();
    EXPECT_EQ(expected.kind, form.kind());
    EXPECT_FALSE(form.IsClosed()) << form.kind() << " was shown after it had closed";
    ++open;
    expected.script(form);
    --open;
    if (!form.IsClosed()) {
        ADD_FAILURE() << "the script left " << form.kind() << " open";
        form.Close();
    }
}

ScriptedReview::~ScriptedReview() {
    VerifyAllUsed();
}

void ScriptedReview::VerifyAllUsed() {
    for (const auto& expected : queue_) ADD_FAILURE() << "expected review never shown: " << expected.path;
    queue_.clear();
}

ScriptedReview& ScriptedReview::Expect(const std::string& path, bool accept,
                                       std::function<void(const PendingWrite&)> check) {
    queue_.push_back({path, accept, std::move(check)});
    return *this;
}

bool ScriptedReview::Accept(const PendingWrite& write) {
    shown.push_back(write.Unified());
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected review of " << write.path;
        return false;
    }
    Expected expected = std::move(queue_.front());
    queue_.pop_front();
    EXPECT_EQ(expected.path, write.path);
    if (expected.check) expected.check(write);
    return expected.accept;
}

}  // namespace pv::test
