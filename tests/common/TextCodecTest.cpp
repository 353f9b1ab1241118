#include "common/TextCodec.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(TextCodec, SpanishLettersRoundTripThroughWindows1252) {
    const std::string stored =
        "Compa\xF1"
        "ia Ca\xF1"
        "as \xC1vila";
    const std::string text = Cp1252ToUtf8(stored);
    EXPECT_EQ(text, "Compañia Cañas Ávila");
    EXPECT_EQ(Utf8ToCp1252(text), stored);
}

TEST(TextCodec, HighControlRangeUsesWindowsLetters) {
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9F"), "€Ÿ");
    EXPECT_EQ(Utf8ToCp1252("€Ÿ"), "\x80\x9F");
    // Undefined bytes still round trip.
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8("\x81\x8D\x90")), "\x81\x8D\x90");
}

TEST(TextCodec, UnmappableAndBrokenInput) {
    EXPECT_EQ(Utf8ToCp1252("a→b"), "a?b");
    EXPECT_EQ(Utf8ToCp1252("x\xF1y"), "x\xF1y");  // a lone Latin-1 byte is kept
}

TEST(TextCodec, Latin1KeepsEveryByteAndSendsQuestionMarksAboveIt) {
    EXPECT_EQ(Latin1ToUtf8("a\x80\xF1"), "a\u0080ñ");
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8("a\x80\xF1\xFF")), "a\x80\xF1\xFF");
    EXPECT_EQ(Utf8ToLatin1("€ñ"), "?\xF1");  // no Windows letters on this path
}

}  // namespace
}  // namespace tramex
