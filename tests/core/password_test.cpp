#include "core/password.h"

#include <gtest/gtest.h>

#include <set>

#include "support/Scripted.h"

namespace pv {
namespace {

using test::ScriptedPrompts;

std::string Printable() {
    std::string text;
    for (int c = 32; c <= 126; ++c) text += static_cast<char>(c);
    return text;
}

TEST(Password, EmptyPasswordIsTheMarkerAlone) {
    ScriptedPrompts prompts;
    EXPECT_EQ(ScramblePassword("", prompts), "7qhw3pzk");
    EXPECT_EQ(UnscramblePassword("7qhw3pzk"), "");
}

TEST(Password, EveryPrintableCharacterHasItsOwnPrintableImage) {
    ScriptedPrompts prompts;
    const std::string clear = Printable();
    const std::string stored = ScramblePassword(clear, prompts);
    ASSERT_EQ(stored.size(), 8 + clear.size());
    EXPECT_EQ(stored.substr(0, 8), "7qhw3pzk");
    const std::string images = stored.substr(8);
    EXPECT_EQ(std::set<char>(images.begin(), images.end()).size(), clear.size());
    for (const char c : images) EXPECT_TRUE(c >= 32 && c <= 126) << int(c);
    EXPECT_NE(images, clear);
    EXPECT_EQ(UnscramblePassword(stored), clear);
    for (const std::string password : {"a", "secret", "p@ss w0rd!", "  ", "7qhw3pzk"}) {
        EXPECT_EQ(UnscramblePassword(ScramblePassword(password, prompts)), password);
    }
}

TEST(Password, StoredFormIsAConstantOfTheFileFormat) {
    // Files written by earlier versions must keep reading back.
    ScriptedPrompts prompts;
    EXPECT_EQ(ScramblePassword("Secret 1!", prompts), "7qhw3pzkd)1G)Zy/~");
}

TEST(Password, ControlCharacterKeepsThePasswordInClear) {
    ScriptedPrompts prompts;
    prompts.ExpectMessage(
        "Password contains out-of-bounds character, it will not be encrypted.  Character=#9");
    EXPECT_EQ(ScramblePassword("ab\tc\x01", prompts), "ab\tc\x01");
}

TEST(Password, AccentedLetterIsReportedByItsCodePoint) {
    ScriptedPrompts prompts;
    prompts.ExpectMessage(
        "Password contains out-of-bounds character, it will not be encrypted.  Character=#233");
    const std::string clear = "caf\xC3\xA9";
    EXPECT_EQ(ScramblePassword(clear, prompts), clear);
    EXPECT_EQ(UnscramblePassword(clear), clear);
    prompts.ExpectMessage(
        "Password contains out-of-bounds character, it will not be encrypted.  Character=#127");
    EXPECT_EQ(ScramblePassword("x\x7F", prompts), "x\x7F");
}

TEST(Password, TextsWithoutTheMarkerAreClearPasswords) {
    EXPECT_EQ(UnscramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword("7qhw3pz"), "7qhw3pz");
    EXPECT_EQ(UnscramblePassword("plain password"), "plain password");
    EXPECT_EQ(UnscramblePassword("x7qhw3pzkabc"), "x7qhw3pzkabc");
    // Characters the table never produces, typed into the file by hand, are kept.
    EXPECT_EQ(UnscramblePassword("7qhw3pzk\t\xC3\xA9"), "\t\xC3\xA9");
}

}  // namespace
}  // namespace pv
