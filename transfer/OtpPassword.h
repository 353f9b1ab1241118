// One-time passwords after RFC 2289: the response a server expects to an
// "otp-<hash> <sequence> <seed>" challenge, in the six-word form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"

namespace tramex {

// A challenge naming more steps than a server of ours would ever count down
// from: computing it would hold the window for hours, and falling back to the
// plain password would send it in clear where the server expects a one-time one.
class EOtpSequenceOutOfRange : public Error {
  public:
    EOtpSequenceOutOfRange() : Error("One-time password sequence out of range.") {}
};

// The largest sequence number a response is computed for.
inline constexpr unsigned kMaxOtpSequence = 9999;

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
// when the text carries no complete challenge. A sequence number beyond
// kMaxOtpSequence is kept as kMaxOtpSequence + 1.
std::optional<OtpChallenge> FindOtpChallenge(std::string_view replyText);

// The password to send after a challenge: the six-word response. Raises
// EOtpSequenceOutOfRange for a sequence number above kMaxOtpSequence.
std::string OtpResponse(const OtpChallenge& challenge, std::string_view passPhrase);

}  // namespace tramex
