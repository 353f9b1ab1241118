// How the lines of a TCP connection are encoded on the wire.
#pragma once

#include <string>
#include <string_view>

namespace tramex {

enum class TextEncoding { SingleByte, Utf8 };

// Program text (UTF-8) to wire bytes: single-byte keeps code points below 256
// as that byte and sends "?" for any other character.
std::string EncodeWireText(std::string_view utf8Text, TextEncoding encoding);

// Wire bytes to program text: single-byte turns each byte into the character
// with that code point; UTF-8 bytes are kept as received.
std::string DecodeWireText(std::string_view bytes, TextEncoding encoding);

}  // namespace tramex
