// One-time passwords after RFC 2289: the response a server expects to an
// "otp-<hash> <sequence> <seed>" challenge, in the six-word form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tramex {

enum class OtpHash { Md4, Md5, Sha1 };

// The 64-bit one-time key: hash of lower-cased seed + pass phrase, folded to
// 64 bits, then hashed and folded `sequence` more times.
std::uint64_t OtpKey(OtpHash hash, std::string_view seed, std::string_view passPhrase,
                     unsigned sequence);

// The key as six dictionary words separated by single spaces (the two-bit
// checksum of RFC 2289 fills the last two of the 66 bits).
std::string OtpSixWords(std::uint64_t key);

// The 2048 words of the standard dictionary, in dictionary order.
const std::vector<std::string_view>& OtpDictionary();

struct OtpChallenge {
    OtpHash Hash;
    unsigned Sequence;
    std::string Seed;
};

// Finds "otp-md4", "otp-md5" or "otp-sha1" (lower case, followed by a space
// or the end of the text) and the sequence number and seed after it. Empty
// when the text carries no complete challenge, or one whose sequence number
// is above 9999.
std::optional<OtpChallenge> FindOtpChallenge(std::string_view replyText);

// The password to send after a challenge: the six-word response.
std::string OtpResponse(const OtpChallenge& challenge, std::string_view passPhrase);

}  // namespace tramex
