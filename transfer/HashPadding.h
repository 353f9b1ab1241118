// The Merkle-Damgard padding shared by MD4, MD5 and SHA-1: a 0x80 byte, zeros
// up to 56 mod 64, then the bit length in eight bytes of the given byte order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tramex {

enum class LengthOrder { LittleEndian, BigEndian };

inline std::string PadMessage(std::string_view bytes, LengthOrder order) {
    std::string padded(bytes);
    padded.push_back(static_cast<char>(0x80));
    while (padded.size() % 64 != 56) padded.push_back('\0');
    const std::uint64_t bitLength = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i) {
        const int shift = order == LengthOrder::LittleEndian ? 8 * i : 8 * (7 - i);
        padded.push_back(static_cast<char>((bitLength >> shift) & 0xFF));
    }
    return padded;
}

inline std::uint32_t RotateLeft(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

inline std::uint32_t LoadLittleEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

inline std::uint32_t LoadBigEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           std::uint32_t(b[3]);
}

}  // namespace tramex
