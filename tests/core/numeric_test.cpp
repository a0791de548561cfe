#include "core/numeric.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(Numeric, DecimalTextWithBlanksSignAndPointRoundedHalfToEvenWithinThirtyTwoBits) {
    EXPECT_EQ(ParseInt32("  +007\t"), 7);
    EXPECT_EQ(ParseInt32(" -3 "), -3);
    EXPECT_EQ(ParseInt32("5."), 5);
    EXPECT_EQ(ParseInt32(".4"), 0);
    EXPECT_EQ(ParseInt32("-123456789"), -123456789);
    EXPECT_EQ(ParseInt32("+1234567890"), 1234567890);
    for (const char* text : {"", ".", "-", "1.2.3", "1 2", "1e3", "0x10", "+-1", "1,5",
                             "\xC2\xA0"
                             "1"}) {
        EXPECT_FALSE(IsNumeric(text)) << text;
        EXPECT_EQ(ParseInt32(text), std::nullopt) << text;
    }
    // Numeric but too large for a whole-number setting.
    EXPECT_TRUE(IsNumeric("99999999999"));

    // Halves go to the even neighbour, within thirty-two bits.
    EXPECT_EQ(ParseInt32("0.5"), 0);
    EXPECT_EQ(ParseInt32("2.5"), 2);
    EXPECT_EQ(ParseInt32("3.5"), 4);
    EXPECT_EQ(ParseInt32("-2.5"), -2);
    EXPECT_EQ(ParseInt32("2.50000000000000000001"), 3);
    EXPECT_EQ(ParseInt32("2.4999999999999999999"), 2);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("2147483647.4"), 2147483647);
    EXPECT_EQ(ParseInt32("2147483647.5"), std::nullopt);
    EXPECT_EQ(ParseInt32("2147483648"), std::nullopt);
    EXPECT_EQ(ParseInt32("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseInt32("00000000000000000012"), 12);
}

}  // namespace
}  // namespace pv
