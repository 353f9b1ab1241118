// Line encodings of a TCP connection: single-byte (one byte per character,
// code points below 256) and UTF-8.
#include "transfer/TcpTextEncoding.h"

namespace tramex {
namespace {

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when the
// byte starts no valid sequence (it is then taken as a Latin-1 character).
size_t DecodeUtf8At(std::string_view text, size_t i, char32_t& codePoint) {
    const auto byteAt = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byteAt(i);
    const size_t length = lead < 0x80             ? 1
                          : (lead & 0xE0) == 0xC0 ? 2
                          : (lead & 0xF0) == 0xE0 ? 3
                          : (lead & 0xF8) == 0xF0 ? 4
                                                  : 0;
    if (length == 0 || i + length > text.size()) return 0;
    codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byteAt(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byteAt(i + k) & 0x3F);
    }
    return length;
}

std::string Utf8ToSingleByte(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        size_t length = DecodeUtf8At(text, i, codePoint);
        if (length == 0) {
            codePoint = static_cast<unsigned char>(text[i]);
            length = 1;
        }
        bytes += codePoint < 256 ? static_cast<char>(codePoint) : '?';
        i += length;
    }
    return bytes;
}

std::string SingleByteToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) {
            text += byte;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

}  // namespace

std::string EncodeWireText(std::string_view utf8Text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return std::string(utf8Text);
    return Utf8ToSingleByte(utf8Text);
}

std::string DecodeWireText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return std::string(bytes);
    return SingleByteToUtf8(bytes);
}

}  // namespace tramex
