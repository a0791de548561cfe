#include "core/encoding.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pv
