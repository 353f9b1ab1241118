// Days text conversion: what counts as a number and the exact error text.
#include "session/DaysValue.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tramex {
namespace {

TEST(DaysValueTest, NumbersInTheirUsualForms) {
    EXPECT_EQ(ParseDays("30"), 30.0);
    EXPECT_EQ(ParseDays("  7 "), 7.0);
    EXPECT_EQ(ParseDays("-3"), -3.0);
    EXPECT_EQ(ParseDays("+4"), 4.0);
    EXPECT_EQ(ParseDays("2.5"), 2.5);
    EXPECT_EQ(ParseDays(".5"), 0.5);
    EXPECT_EQ(ParseDays("1e2"), 100.0);
    EXPECT_EQ(ParseDays(""), std::nullopt);
}

TEST(DaysValueTest, AnythingElseIsRejectedWithItsText) {
    for (const char* text :
         {"abc", "   ", "1,5", "3 dias", "inf", "nan", "0x10", ".", "-", "1e", "1e999", "\t"}) {
        try {
            ParseDays(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.what(),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

TEST(DaysValueTest, DecimalPointDoesNotFollowTheProcessLocale) {
    // A workstation whose numbers use "," must still read the file's "2.5".
#ifdef _WIN32
    const char* const names[] = {"German_Germany.1252", "de-DE"};
#else
    const char* const names[] = {"de_DE.UTF-8", "C.UTF-8"};
#endif
    if (!std::setlocale(LC_NUMERIC, names[0]) && !std::setlocale(LC_NUMERIC, names[1])) {
        GTEST_SKIP() << "no other locale installed";
    }
    EXPECT_EQ(ParseDays("2.5"), 2.5);
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace tramex
