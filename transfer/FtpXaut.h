// The scrambled login some servers offer instead of USER and PASS: the
// greeting carries a numeric challenge in parentheses, and "XAUT 2 <text>"
// answers it with user name and password mixed with a key and the challenge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tramex {

// Our fixed four-byte key, used low byte first.
inline constexpr std::uint32_t kXautKey = 0x6A3C91E5u;

// The challenge when the greeting offers this login: it names "WS_FTP Server"
// and holds a decimal number between its first "(" and the next ")".
std::optional<std::uint32_t> FindXautChallenge(std::string_view greetingText);

// The argument after "XAUT 2 ": each byte of user + ":" + password, XOR-ed
// with the key and the challenge, as two characters ("5" + upper half,
// "1" + lower half).
std::string XautScramble(std::string_view user, std::string_view password, std::uint32_t challenge,
                         std::uint32_t key = kXautKey);

}  // namespace tramex
