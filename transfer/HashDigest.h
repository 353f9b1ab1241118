// Message digests used by the one-time password login: MD4 (RFC 1320),
// MD5 (RFC 1321) and SHA-1 (RFC 3174), over whole byte strings.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tramex {

using Digest128 = std::array<std::uint8_t, 16>;
using Digest160 = std::array<std::uint8_t, 20>;

Digest128 HashMd4(std::string_view bytes);
Digest128 HashMd5(std::string_view bytes);
Digest160 HashSha1(std::string_view bytes);

}  // namespace tramex
