#include "core/encoding.h"

#include <gtest/gtest.h>

#include "core/ConfigFile.h"
#include "core/xml.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

TEST(Encoding, Windows1252BytesAndUtf8Faults) {
    EXPECT_EQ(Windows1252ToUtf8("\x80 \x9F \xA0 \xFF"), "\xE2\x82\xAC \xC5\xB8 \xC2\xA0 \xC3\xBF");
    // Unassigned bytes keep their C1 code points rather than disappearing.
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");
    // Forms UTF-8 forbids are stray bytes too: overlong, surrogate, beyond U+10FFFF, cut short.
    EXPECT_EQ(FirstInvalidUtf8("abcdefgh\xC3\xA9\xC0\xAF"), 10u);
    EXPECT_EQ(FirstInvalidUtf8("\xED\xA0\x80"), 0u);
    EXPECT_EQ(FirstInvalidUtf8("\xF4\x90\x80\x80"), 0u);
    EXPECT_EQ(FirstInvalidUtf8("ab\xE2\x82"), 2u);
    EXPECT_EQ(FirstInvalidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"), std::string_view::npos);
    EXPECT_TRUE(HoldsMultiByteUtf8("\xE9 \xC3\xA9"));
    EXPECT_FALSE(HoldsMultiByteUtf8("\xE9 \xC3 \xED\xA0\x80"));
}

TEST(Encoding, Windows1252FileLoadsWithItsAccents) {
    test::TempDir temp;
    const std::string path = temp / "old.xml";
    test::WriteFile(path, "<R><Name>Z\xFCrich B\xFCro \x80</Name></R>");
    const XmlFile file = LoadXmlFile(path);
    ASSERT_TRUE(file.wellFormed) << file.problem;
    EXPECT_EQ(ReadNodeText(file.root(), "R/Name", ""), "Z\xC3\xBCrich B\xC3\xBCro \xE2\x82\xAC");
    // Said once, naming the file, through the message every loader shows.
    test::ScriptedPrompts prompts;
    prompts.ExpectMessage(
        "The file " + path +
        " has no encoding declaration and is not UTF-8, so it was read as Windows-1252; saving "
        "it writes UTF-8.");
    ReportNotices(OpenConfigFile(path, "", prompts), prompts);
}

}  // namespace
}  // namespace pv
