// MD5 after RFC 1321: four rounds of sixteen steps over 64-byte blocks.
#include <cmath>

#include "transfer/HashBlocks.h"
#include "transfer/HashDigest.h"
#include "transfer/HashPadding.h"

namespace tramex {
namespace {

using State = Md5State;

// The sine table of RFC 1321: floor(abs(sin(i + 1)) * 2^32).
const std::array<std::uint32_t, 64>& SineTable() {
    static const std::array<std::uint32_t, 64> table = [] {
        std::array<std::uint32_t, 64> t{};
        for (int i = 0; i < 64; ++i)
            t[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
        return t;
    }();
    return table;
}

}  // namespace

void Md5Block(Md5State& state, const char* block) {
    static constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(block + 4 * i);
    auto [a, b, c, d] = state;
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t mixed;
        int word;
        switch (round) {
            case 0: mixed = (b & c) | (~b & d), word = i; break;
            case 1: mixed = (b & d) | (c & ~d), word = (5 * i + 1) % 16; break;
            case 2: mixed = b ^ c ^ d, word = (3 * i + 5) % 16; break;
            default: mixed = c ^ (b | ~d), word = (7 * i) % 16; break;
        }
        const std::uint32_t t = b + RotateLeft(a + mixed + x[word] + SineTable()[i], kShifts[round][i % 4]);
        a = d, d = c, c = b, b = t;
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
}

Digest128 HashMd5(std::string_view bytes) {
    State state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    const std::string padded = PadMessage(bytes, LengthOrder::LittleEndian);
    for (std::size_t at = 0; at < padded.size(); at += 64) Md5Block(state, padded.data() + at);
    Digest128 digest{};
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
    return digest;
}

}  // namespace tramex
