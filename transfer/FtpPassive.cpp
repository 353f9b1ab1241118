// PASV reply parsing: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)".
#include "transfer/FtpPassive.h"

#include <limits>

#include "transfer/FtpError.h"
#include "transfer/FtpText.h"

namespace tramex {
namespace {

// The numbers sit between "(" and ")"; servers that omit the parentheses put
// them after the last space.
std::string_view NumbersPart(std::string_view line) {
    const std::size_t open = line.find('(');
    std::size_t begin = 0;
    if (open != std::string_view::npos) {
        begin = open + 1;
    } else {
        const std::size_t lastSpace = line.rfind(' ');
        begin = lastSpace == std::string_view::npos ? 0 : lastSpace + 1;
    }
    const std::size_t close = line.find(')', begin);
    return line.substr(begin, close == std::string_view::npos ? std::string_view::npos
                                                              : close - begin);
}

// A signed 32-bit decimal integer, as the server wrote it.
std::int32_t ParsePortField(std::string_view field) {
    const std::string_view text = StripControlAndSpace(field);
    const auto invalid = [&] { return EConvertError("'" + std::string(text) + "' is not a valid integer value"); };
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
    if (at == text.size()) throw invalid();
    std::int64_t value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') throw invalid();
        value = value * 10 + (text[at] - '0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) throw invalid();
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max()) throw invalid();
    return static_cast<std::int32_t>(value);
}

std::uint32_t LowByte(std::int32_t value) { return static_cast<std::uint32_t>(value) & 0xFFu; }

}  // namespace

FtpDataEndpoint ParsePasvReply(std::string_view firstTextLine) {
    const auto fields = SplitOn(NumbersPart(StripControlAndSpace(firstTextLine)), ',');
    FtpDataEndpoint endpoint;
    for (std::size_t i = 0; i < 4 && i < fields.size(); ++i)
        endpoint.Host += (i ? "." : "") + std::string(fields[i]);
    const std::string_view high = fields.size() > 4 ? fields[4] : std::string_view();
    const std::string_view low = fields.size() > 5 ? fields[5] : std::string_view();
    endpoint.Port = static_cast<std::uint16_t>(LowByte(ParsePortField(high)) * 256 +
                                               LowByte(ParsePortField(low)));
    return endpoint;
}

bool IsRoutableAddress(std::string_view address) {
    for (std::string_view prefix : {"127", "10.", "169.254", "192.168"})
        if (address.starts_with(prefix)) return false;
    if (address.starts_with("172") && address.size() > 6 && address[6] == '.') {
        const char tens = address[4], units = address[5];
        if (tens >= '0' && tens <= '9' && units >= '0' && units <= '9') {
            const int second = (tens - '0') * 10 + (units - '0');
            if (second >= 16 && second <= 31) return false;
        }
    }
    return true;
}

std::string PassiveHostFor(std::string_view replyHost, std::string_view peerAddress) {
    if (!IsRoutableAddress(replyHost) && IsRoutableAddress(peerAddress))
        return std::string(peerAddress);
    return std::string(replyHost);
}

}  // namespace tramex
