// Small text helpers of the FTP client: character-wise slicing of UTF-8 text
// (replies are decoded text, so "the fourth character" is a code point),
// stripping and case-insensitive comparison of ASCII words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tramex {

std::size_t Utf8Length(std::string_view text);
// The first `count` characters / the text from character `index` (0-based) on /
// the last `count` characters.
std::string_view Utf8Prefix(std::string_view text, std::size_t count);
std::string_view Utf8From(std::string_view text, std::size_t index);
std::string_view Utf8Suffix(std::string_view text, std::size_t count);

// Strips leading and trailing characters with codes 0 to 32.
std::string_view StripControlAndSpace(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

std::vector<std::string_view> SplitOn(std::string_view text, char separator);

}  // namespace tramex
