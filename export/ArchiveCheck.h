// What the archive comprimir left holds, read from the zip's central
// directory, against the files this run wrote: only an archive of exactly
// this run's files, byte for byte by CRC-32 and size, may be uploaded.
// Needs no Qt, so it builds wherever the transfer layer does.
#pragma once

#include "common/Error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tramex {

struct FileChecksum {
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;
    bool operator==(const FileChecksum&) const = default;
};

// One file of an archive, or one file the run wrote.
struct ArchiveEntry {
    std::string name;
    FileChecksum checksum;
};

// The file is missing, is no zip, or its directory cannot be read.
class ArchiveUnreadable : public Error {
  public:
    using Error::Error;
};

// The entries named in the zip's central directory, in its order. path is
// UTF-8 on every system.
std::vector<ArchiveEntry> ReadArchiveDirectory(const std::string& path);

// Empty text when the archive at path holds exactly the expected files, each
// once and with its checksum; otherwise what is wrong, naming the archive
// by archiveName: "El archivo X no contiene Ventas.txt", "El archivo X:
// Ventas.txt no coincide con el generado", and so on.
std::string ArchiveMismatch(const std::string& path, const std::string& archiveName,
                            const std::vector<ArchiveEntry>& expected);

}  // namespace tramex
