// Decimal text: exact digits both ways, never rounded, host separator.
#include "data/DecimalText.h"

#include "common/Error.h"

#include <gtest/gtest.h>

#include <limits>

namespace tramex {
namespace {

TEST(DecimalText, FormatsStoredDigitsWithoutRoundingOrTrailingZeros) {
    struct Case {
        int64_t unscaled;
        int scale;
        const char* text;
    };
    const Case cases[] = {
        {5, 2, "0.05"},
        {-250, 2, "-2.5"},
        {123450, 2, "1234.5"},
        {10000, 2, "100"},
        {710, 2, "7.1"},
        {700, 2, "7"},
        {0, 2, "0"},
        {0, 4, "0"},
        {-1, 4, "-0.0001"},
        {12345678, 4, "1234.5678"},
        {-100000, 4, "-10"},
        {42, 0, "42"},
        {1, 18, "0.000000000000000001"},
        {std::numeric_limits<int64_t>::min(), 2, "-92233720368547758.08"},
        {std::numeric_limits<int64_t>::max(), 4, "922337203685477.5807"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDecimal(c.unscaled, c.scale, '.'), c.text)
            << c.unscaled << " scale " << c.scale;
    EXPECT_EQ(FormatDecimal(710, 2, ','), "7,1");
    EXPECT_EQ(FormatDecimal(-5, 2, ','), "-0,05");
}

TEST(DecimalText, ParsesExactlyAndRefusesWhatItCannotKeep) {
    EXPECT_EQ(ParseDecimal("-2.50", 2), -250);
    EXPECT_EQ(ParseDecimal("0.05", 2), 5);
    EXPECT_EQ(ParseDecimal("1234.5", 4), 12345000);
    EXPECT_EQ(ParseDecimal("7", 2), 700);
    EXPECT_EQ(ParseDecimal("7,1", 2, ','), 710);
    EXPECT_EQ(ParseDecimal("1.500", 2), 150);  // zeros beyond the scale lose nothing
    EXPECT_EQ(ParseDecimal("-9223372036854775808", 0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ParseDecimal("-0", 0), 0);

    for (const char* bad : {"", "-", "1.2.3", "abc", "1e5", " 1", "0.001", "9223372036854775808",
                            "92233720368547758.08"}) {
        EXPECT_THROW(ParseDecimal(bad, 2), Error) << '"' << bad << '"';
    }
    EXPECT_THROW(ParseDecimal("7,1", 2), Error);  // "," is no separator unless given
}

}  // namespace
}  // namespace tramex
