// One-time password computation: hashing, folding to 64 bits, six-word form,
// and the challenge found in a server's reply.
#include "transfer/OtpPassword.h"

#include <algorithm>
#include <cctype>

#include "common/TextCodec.h"
#include "transfer/HashDigest.h"

namespace tramex {
namespace {

std::uint64_t BigEndian64(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | bytes[i];
    return value;
}

template <typename DigestType>
std::uint64_t FoldHalves(const DigestType& digest) {
    std::uint8_t folded[8];
    for (int i = 0; i < 8; ++i) folded[i] = digest[i] ^ digest[i + 8];
    return BigEndian64(folded);
}

// RFC 2289 folds SHA-1 as five 32-bit words and lays the two remaining words
// out low byte first, as its reference code did on little-endian hosts.
std::uint64_t FoldSha1(const Digest160& digest) {
    std::uint32_t words[5];
    for (int i = 0; i < 5; ++i)
        words[i] = std::uint32_t(digest[4 * i]) << 24 | std::uint32_t(digest[4 * i + 1]) << 16 |
                   std::uint32_t(digest[4 * i + 2]) << 8 | std::uint32_t(digest[4 * i + 3]);
    const std::uint32_t first = words[0] ^ words[2] ^ words[4];
    const std::uint32_t second = words[1] ^ words[3];
    std::uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first >> (8 * i));
        bytes[4 + i] = static_cast<std::uint8_t>(second >> (8 * i));
    }
    return BigEndian64(bytes);
}

std::uint64_t HashAndFold(OtpHash hash, std::string_view bytes) {
    switch (hash) {
        case OtpHash::Md4:
            return FoldHalves(HashMd4(bytes));
        case OtpHash::Md5:
            return FoldHalves(HashMd5(bytes));
        case OtpHash::Sha1:
            return FoldSha1(HashSha1(bytes));
    }
    return 0;
}

std::string KeyBytes(std::uint64_t key) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(key >> (8 * (7 - i)));
    return bytes;
}

std::string_view NextWord(std::string_view text, std::size_t& at) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n", at);
    if (begin == std::string_view::npos) return {};
    std::size_t end = text.find_first_of(" \t\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    at = end;
    return text.substr(begin, end - begin);
}

// Digits of any length; a value beyond the range is capped just above it, so
// the caller can refuse it without the number overflowing.
std::optional<unsigned> ParseSequence(std::string_view word) {
    if (word.empty()) return std::nullopt;
    unsigned value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(value * 10 + static_cast<unsigned>(c - '0'), kMaxOtpSequence + 1);
    }
    return value;
}

}  // namespace

std::uint64_t OtpKey(OtpHash hash, std::string_view seed, std::string_view passPhrase,
                     unsigned sequence) {
    std::uint64_t key = HashAndFold(hash, AsciiLowercase(seed) + std::string(passPhrase));
    for (unsigned i = 0; i < sequence; ++i) key = HashAndFold(hash, KeyBytes(key));
    return key;
}

std::string OtpSixWords(std::uint64_t key) {
    unsigned checksum = 0;
    for (int i = 0; i < 64; i += 2) checksum += static_cast<unsigned>(key >> i) & 3u;
    const auto& words = OtpDictionary();
    std::string result;
    for (int word = 0; word < 6; ++word) {
        // Word w covers bits 11w .. 11w+10 of the 66-bit string key || checksum.
        const int lowBit = 66 - 11 * (word + 1);
        std::uint64_t index;
        if (lowBit >= 2)
            index = (key >> (lowBit - 2)) & 0x7FF;
        else
            index = ((key & 0x1FF) << 2) | (checksum & 3u);
        if (!result.empty()) result += ' ';
        result += words[static_cast<std::size_t>(index)];
    }
    return result;
}

std::optional<OtpChallenge> FindOtpChallenge(std::string_view replyText) {
    static constexpr std::pair<std::string_view, OtpHash> kNames[] = {
        {"otp-md4", OtpHash::Md4}, {"otp-md5", OtpHash::Md5}, {"otp-sha1", OtpHash::Sha1}};
    for (const auto& [name, hash] : kNames) {
        for (std::size_t found = replyText.find(name); found != std::string_view::npos;
             found = replyText.find(name, found + 1)) {
            std::size_t at = found + name.size();
            if (at < replyText.size() && replyText[at] != ' ') continue;
            const auto sequence = ParseSequence(NextWord(replyText, at));
            const std::string_view seed = NextWord(replyText, at);
            if (!sequence || seed.empty()) return std::nullopt;
            return OtpChallenge{hash, *sequence, std::string(seed)};
        }
    }
    return std::nullopt;
}

std::string OtpResponse(const OtpChallenge& challenge, std::string_view passPhrase) {
    if (challenge.Sequence > kMaxOtpSequence) throw EOtpSequenceOutOfRange();
    return OtpSixWords(OtpKey(challenge.Hash, challenge.Seed, passPhrase, challenge.Sequence));
}

}  // namespace tramex
