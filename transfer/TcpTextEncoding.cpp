// Line encodings of a TCP connection: single-byte (one byte per character,
// code points below 256) and UTF-8.
#include "transfer/TcpTextEncoding.h"

#include "common/TextCodec.h"

namespace tramex {

std::string EncodeWireText(std::string_view utf8Text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return std::string(utf8Text);
    return Utf8ToLatin1(utf8Text);
}

std::string DecodeWireText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return std::string(bytes);
    return Latin1ToUtf8(bytes);
}

}  // namespace tramex
