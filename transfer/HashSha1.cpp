// SHA-1 after RFC 3174: eighty steps over 64-byte blocks, big-endian words.
#include "transfer/HashBlocks.h"
#include "transfer/HashDigest.h"
#include "transfer/HashPadding.h"

namespace tramex {

using State = Sha1State;

void Sha1Block(Sha1State& state, const char* block) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian32(block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    auto [a, b, c, d, e] = state;
    for (int i = 0; i < 80; ++i) {
        std::uint32_t mixed, constant;
        if (i < 20) mixed = (b & c) | (~b & d), constant = 0x5A827999u;
        else if (i < 40) mixed = b ^ c ^ d, constant = 0x6ED9EBA1u;
        else if (i < 60) mixed = (b & c) | (b & d) | (c & d), constant = 0x8F1BBCDCu;
        else mixed = b ^ c ^ d, constant = 0xCA62C1D6u;
        const std::uint32_t t = RotateLeft(a, 5) + mixed + e + w[i] + constant;
        e = d, d = c, c = RotateLeft(b, 30), b = a, a = t;
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d, state[4] += e;
}

Digest160 HashSha1(std::string_view bytes) {
    State state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    const std::string padded = PadMessage(bytes, LengthOrder::BigEndian);
    for (std::size_t at = 0; at < padded.size(); at += 64) Sha1Block(state, padded.data() + at);
    Digest160 digest{};
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (3 - i % 4)));
    return digest;
}

}  // namespace tramex
