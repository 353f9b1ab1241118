// Conversions between the program's UTF-8 text and the single-byte Windows-1252
// text the ERP database stores and the extract files carry.
#pragma once

#include <string>
#include <string_view>

namespace tramex {

// Each byte becomes its Windows-1252 character (undefined bytes keep their
// Latin-1 code point so no byte is ever lost).
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte become "?"; invalid UTF-8 bytes are
// taken as Latin-1 characters.
std::string Utf8ToCp1252(std::string_view text);

// Latin-1: each byte is the character with that code point, and characters
// from 256 up become "?" (the single-byte text of an FTP control connection).
std::string Latin1ToUtf8(std::string_view bytes);
std::string Utf8ToLatin1(std::string_view text);

// A to Z become a to z; every other byte stays (names, keys and protocol
// words compared without regard to case, whatever the C library's locale).
std::string AsciiLowercase(std::string_view text);

}  // namespace tramex
