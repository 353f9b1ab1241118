// Text helpers of the FTP client (see FtpText.h).
#include "transfer/FtpText.h"

#include <cctype>

namespace tramex {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of character `index`, or the text size when there are fewer.
std::size_t ByteOffsetOf(std::string_view text, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t seen = 0; at < text.size(); ++at) {
        if (IsContinuationByte(text[at])) continue;
        if (seen++ == index) return at;
    }
    return text.size();
}

char LowerAscii(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += IsContinuationByte(c) ? 0 : 1;
    return count;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t count) {
    return text.substr(0, ByteOffsetOf(text, count));
}

std::string_view Utf8From(std::string_view text, std::size_t index) {
    return text.substr(ByteOffsetOf(text, index));
}

std::string_view Utf8Suffix(std::string_view text, std::size_t count) {
    const std::size_t length = Utf8Length(text);
    return count >= length ? text : Utf8From(text, length - count);
}

std::string_view StripControlAndSpace(std::string_view text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

}  // namespace tramex
