// The block steps of the Merkle-Damgard digests, for whole strings
// (HashDigest.h) and for files read piece by piece (FileDigest.h).
#pragma once

#include <array>
#include <cstdint>

namespace tramex {

using Md5State = std::array<std::uint32_t, 4>;
using Sha1State = std::array<std::uint32_t, 5>;
using Sha256State = std::array<std::uint32_t, 8>;

// Each takes one 64-byte block.
void Md5Block(Md5State& state, const char* block);
void Sha1Block(Sha1State& state, const char* block);
void Sha256Block(Sha256State& state, const char* block);

}  // namespace tramex
