#include "core/numeric.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace pv {
namespace {

TEST(Numeric, AcceptsBlanksSignAndDecimalPoint) {
    EXPECT_EQ(ParseInt32("42"), 42);
    EXPECT_EQ(ParseInt32("  42\t"), 42);
    EXPECT_EQ(ParseInt32("+7"), 7);
    EXPECT_EQ(ParseInt32(" -3 "), -3);
    EXPECT_EQ(ParseInt32("007"), 7);
    EXPECT_EQ(ParseInt32("5."), 5);
    EXPECT_EQ(ParseInt32(".4"), 0);
    EXPECT_EQ(ParseInt32("-0"), 0);
}

TEST(Numeric, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(ParseInt32("0.5"), 0);
    EXPECT_EQ(ParseInt32("1.5"), 2);
    EXPECT_EQ(ParseInt32("2.5"), 2);
    EXPECT_EQ(ParseInt32("3.5"), 4);
    EXPECT_EQ(ParseInt32("-2.5"), -2);
    EXPECT_EQ(ParseInt32("-3.5"), -4);
    EXPECT_EQ(ParseInt32("2.50000000000000000001"), 3);
    EXPECT_EQ(ParseInt32("2.4999999999999999999"), 2);
    EXPECT_EQ(ParseInt32("2.6"), 3);
}

TEST(Numeric, RejectsWhatIsNotADecimalNumber) {
    for (const char* text :
         {"", " ", ".", "+", "-", "1.2.3", "12a", "1 2", "1e3", "0x10", "--1", "+-1", "1-", "1,5",
          "\xC2\xA0"
          "1"}) {
        EXPECT_FALSE(IsNumeric(text)) << text;
        EXPECT_EQ(ParseInt32(text), std::nullopt) << text;
    }
    EXPECT_TRUE(IsNumeric(" -1.5 "));
    // Numeric but too large for a whole-number setting.
    EXPECT_TRUE(IsNumeric("99999999999"));
}

TEST(Numeric, ThirtyTwoBitRange) {
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("2147483647.4"), 2147483647);
    EXPECT_EQ(ParseInt32("2147483648"), std::nullopt);
    EXPECT_EQ(ParseInt32("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseInt32("2147483647.5"), std::nullopt);
    EXPECT_EQ(ParseInt32("00000000000000000012"), 12);
    EXPECT_EQ(ParseInt32("99999999999999999999999"), std::nullopt);
}

TEST(Numeric, ErrorsNameTheValue) {
    try {
        ToInt32("ten", "the Threads of mailbox \"Sales\"");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(FormatError("Unexpected error in LoadFile=", error),
                  "Unexpected error in LoadFile=13:Type mismatch: the Threads of mailbox \"Sales\" \"ten\" "
                  "is not a "
                  "number");
    }
    try {
        ToInt32("3000000000", "the WaitTime");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), kErrOverflow);
        EXPECT_EQ(error.description(),
                  "Overflow: the WaitTime 3000000000 does not fit a 32-bit whole number");
    }
    EXPECT_EQ(ToInt32(" 12.5 ", "x"), 12);
}

}  // namespace
}  // namespace pv
