// MD4 after RFC 1320: three rounds of sixteen steps over 64-byte blocks.
#include "transfer/HashDigest.h"
#include "transfer/HashPadding.h"

namespace tramex {
namespace {

using State = std::array<std::uint32_t, 4>;

void Md4Block(State& state, const char* block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(block + 4 * i);
    auto [a, b, c, d] = state;
    auto f = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return (x1 & y) | (~x1 & z); };
    auto g = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) {
        return (x1 & y) | (x1 & z) | (y & z);
    };
    auto h = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return x1 ^ y ^ z; };

    static constexpr int kShifts1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = RotateLeft(a + f(b, c, d) + x[i], kShifts1[i % 4]);
        a = d, d = c, c = b, b = t;
    }
    static constexpr int kOrder2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    static constexpr int kShifts2[4] = {3, 5, 9, 13};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t =
            RotateLeft(a + g(b, c, d) + x[kOrder2[i]] + 0x5A827999u, kShifts2[i % 4]);
        a = d, d = c, c = b, b = t;
    }
    static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    static constexpr int kShifts3[4] = {3, 9, 11, 15};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t =
            RotateLeft(a + h(b, c, d) + x[kOrder3[i]] + 0x6ED9EBA1u, kShifts3[i % 4]);
        a = d, d = c, c = b, b = t;
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
}

}  // namespace

Digest128 HashMd4(std::string_view bytes) {
    State state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    const std::string padded = PadMessage(bytes, LengthOrder::LittleEndian);
    for (std::size_t at = 0; at < padded.size(); at += 64) Md4Block(state, padded.data() + at);
    Digest128 digest{};
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
    return digest;
}

}  // namespace tramex
