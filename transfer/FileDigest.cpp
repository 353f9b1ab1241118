// File digests: the block digests fed 64 bytes at a time with the padding
// computed from the whole length at the end, and zlib's CRC-32.
#include "transfer/FileDigest.h"

#include "transfer/HashBlocks.h"
#include "transfer/LocalFile.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace tramex {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Calls take(data, size) for each piece of the file, in order.
template <typename Take>
void ReadPieces(const std::string& path, Take&& take) {
    LocalFile file(path);
    std::vector<char> piece(kPiece);
    while (const std::size_t got = file.Read(piece.data(), piece.size())) take(piece.data(), got);
}

// The block digests: whole blocks as they come, the tail and padding last.
template <typename State, void (*Block)(State&, const char*)>
State BlockDigest(const std::string& path, State state, bool bigEndianLength) {
    std::string pending;
    std::uint64_t length = 0;
    ReadPieces(path, [&](const char* data, std::size_t size) {
        length += size;
        pending.append(data, size);
        std::size_t at = 0;
        for (; at + 64 <= pending.size(); at += 64) Block(state, pending.data() + at);
        pending.erase(0, at);
    });
    pending.push_back(static_cast<char>(0x80));
    while (pending.size() % 64 != 56) pending.push_back('\0');
    const std::uint64_t bits = length * 8;
    for (int i = 0; i < 8; ++i)
        pending.push_back(static_cast<char>(bits >> (bigEndianLength ? 8 * (7 - i) : 8 * i)));
    for (std::size_t at = 0; at < pending.size(); at += 64) Block(state, pending.data() + at);
    return state;
}

template <typename State>
std::string WordsHex(const State& state, bool bigEndianWords) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint32_t word : state)
        for (int i = 0; i < 4; ++i) {
            const auto byte =
                static_cast<std::uint8_t>(word >> (bigEndianWords ? 8 * (3 - i) : 8 * i));
            hex += kHex[byte >> 4];
            hex += kHex[byte & 15];
        }
    return hex;
}

std::uint32_t Crc32(const std::string& path) {
    uLong crc = crc32(0L, Z_NULL, 0);
    ReadPieces(path, [&](const char* data, std::size_t size) {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size));
    });
    return static_cast<std::uint32_t>(crc);
}

}  // namespace

std::string FileDigestHex(const std::string& utf8Path, DigestKind kind) {
    switch (kind) {
        case DigestKind::Sha256:
            return WordsHex(BlockDigest<Sha256State, Sha256Block>(
                                utf8Path,
                                {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f,
                                 0x9b05688c, 0x1f83d9ab, 0x5be0cd19},
                                true),
                            true);
        case DigestKind::Sha1:
            return WordsHex(
                BlockDigest<Sha1State, Sha1Block>(
                    utf8Path, {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u},
                    true),
                true);
        case DigestKind::Md5:
            return WordsHex(
                BlockDigest<Md5State, Md5Block>(
                    utf8Path, {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u}, false),
                false);
        case DigestKind::Crc32:
            return WordsHex(std::array<std::uint32_t, 1>{Crc32(utf8Path)}, true);
    }
    return {};
}

}  // namespace tramex
