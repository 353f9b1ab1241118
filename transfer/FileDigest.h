// Digests of a local file, read piece by piece, in the forms FTP servers
// report them: SHA-256, SHA-1, MD5 and CRC-32, as lower-case hex.
#pragma once

#include <string>

namespace tramex {

enum class DigestKind { Sha256, Sha1, Md5, Crc32 };

// Raises EFOpenError or EFReadError when the file cannot be read.
std::string FileDigestHex(const std::string& utf8Path, DigestKind kind);

}  // namespace tramex
