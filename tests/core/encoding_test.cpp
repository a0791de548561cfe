#include "core/encoding.h"

#include <gtest/gtest.h>

#include "core/xml.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

TEST(Encoding, Utf8IsReadAsItIsAndAnythingElseAsWindows1252) {
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF<A>caf\xC3\xA9 \xE2\x82\xAC</A>"),
              "<A>caf\xC3\xA9 \xE2\x82\xAC</A>");
    EXPECT_EQ(DecodeFileText("\x80 \x9F \xA0 \xFF"), "\xE2\x82\xAC \xC5\xB8 \xC2\xA0 \xC3\xBF");
    // Unassigned bytes keep their C1 code points rather than disappearing.
    EXPECT_EQ(DecodeFileText("\x81"), "\xC2\x81");
    // One stray byte decides for the whole file.
    EXPECT_EQ(DecodeFileText("\xC3\xA9 \xE9"), "\xC3\x83\xC2\xA9 \xC3\xA9");
    // Forms UTF-8 forbids are stray bytes too: overlong, surrogate, beyond U+10FFFF.
    EXPECT_EQ(DecodeFileText("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
}

TEST(Encoding, Windows1252FileLoadsWithItsAccents) {
    test::TempDir temp;
    const std::string path = temp / "old.xml";
    test::WriteFile(path, "<R><Name>Z\xFCrich B\xFCro \x80</Name></R>");
    const XmlFile file = LoadXmlFile(path);
    ASSERT_TRUE(file.wellFormed) << file.problem;
    EXPECT_EQ(ReadNodeText(file.root(), "R/Name", ""), "Z\xC3\xBCrich B\xC3\xBCro \xE2\x82\xAC");
}

}  // namespace
}  // namespace pv
