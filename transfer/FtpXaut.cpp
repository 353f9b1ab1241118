// Scrambled login argument (see FtpXaut.h).
#include "transfer/FtpXaut.h"

#include "common/TextCodec.h"
#include "transfer/FtpText.h"

namespace tramex {

std::optional<std::uint32_t> FindXautChallenge(std::string_view greetingText) {
    if (greetingText.find("WS_FTP Server") == std::string_view::npos) return std::nullopt;
    const std::size_t open = greetingText.find('(');
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t close = greetingText.find(')', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view number = greetingText.substr(open + 1, close - open - 1);
    if (number.empty()) return std::nullopt;
    std::uint32_t challenge = 0;  // only the low four bytes take part
    for (char c : number) {
        if (c < '0' || c > '9') return std::nullopt;
        challenge = challenge * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return challenge;
}

std::string XautScramble(std::string_view user, std::string_view password, std::uint32_t challenge,
                         std::uint32_t key) {
    const std::string plain = Utf8ToLatin1(std::string(user) + ":" + std::string(password));
    std::string scrambled;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const int shift = 8 * static_cast<int>(i % 4);
        const unsigned byte = (static_cast<unsigned char>(plain[i]) ^ (key >> shift) ^
                               (challenge >> shift)) & 0xFFu;
        scrambled += static_cast<char>('5' + (byte >> 4));
        scrambled += static_cast<char>('1' + (byte & 0x0Fu));
    }
    return scrambled;
}

}  // namespace tramex
