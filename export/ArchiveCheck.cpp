// Reading a zip's central directory through minizip.
#include "export/ArchiveCheck.h"

#include <unzip.h>

#ifdef _WIN32
#include <iowin32.h>
#include <windows.h>
#endif

#include <algorithm>
#include <memory>

namespace tramex {
namespace {

// Names longer than this are no extract file's: they are cut, and then
// match nothing.
constexpr std::size_t kNameLimit = 1024;

struct CloseArchive {
    void operator()(void* archive) const { unzClose(archive); }
};
using ArchiveHandle = std::unique_ptr<void, CloseArchive>;

#ifdef _WIN32
// minizip's default file layer takes the path in the ANSI code page; the
// wide-character one takes any name.
ArchiveHandle OpenArchive(const std::string& path) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return nullptr;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    zlib_filefunc64_def files;
    fill_win32_filefunc64W(&files);
    return ArchiveHandle(unzOpen2_64(wide.c_str(), &files));
}
#else
ArchiveHandle OpenArchive(const std::string& path) {
    return ArchiveHandle(unzOpen64(path.c_str()));
}
#endif

ArchiveEntry CurrentEntry(void* archive) {
    unz_file_info64 info{};
    std::string name(kNameLimit, '\0');
    if (unzGetCurrentFileInfo64(archive, &info, name.data(), static_cast<uLong>(name.size()),
                                nullptr, 0, nullptr, 0) != UNZ_OK)
        throw ArchiveUnreadable("tiene el directorio dañado");
    name.resize(std::min<std::size_t>(info.size_filename, kNameLimit));
    return {name, {static_cast<std::uint32_t>(info.crc), info.uncompressed_size}};
}

const ArchiveEntry* Find(const std::vector<ArchiveEntry>& entries, const std::string& name) {
    const auto found =
        std::find_if(entries.begin(), entries.end(),
                     [&name](const ArchiveEntry& entry) { return entry.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

}  // namespace

std::vector<ArchiveEntry> ReadArchiveDirectory(const std::string& path) {
    const ArchiveHandle archive = OpenArchive(path);
    if (!archive) throw ArchiveUnreadable("no es un zip legible");
    std::vector<ArchiveEntry> entries;
    int step = unzGoToFirstFile(archive.get());
    for (; step == UNZ_OK; step = unzGoToNextFile(archive.get()))
        entries.push_back(CurrentEntry(archive.get()));
    if (step != UNZ_END_OF_LIST_OF_FILE) throw ArchiveUnreadable("tiene el directorio dañado");
    return entries;
}

std::string ArchiveMismatch(const std::string& path, const std::string& archiveName,
                            const std::vector<ArchiveEntry>& expected) {
    const std::string archive = "El archivo " + archiveName;
    std::vector<ArchiveEntry> held;
    try {
        held = ReadArchiveDirectory(path);
    } catch (const ArchiveUnreadable& error) {
        return archive + " " + error.what();
    }
    for (const ArchiveEntry& entry : held) {
        if (std::count_if(held.begin(), held.end(), [&entry](const ArchiveEntry& other) {
                return other.name == entry.name;
            }) > 1)
            return archive + " contiene " + entry.name + " más de una vez";
        if (!Find(expected, entry.name))
            return archive + " contiene " + entry.name + ", que no es de esta exportación";
    }
    for (const ArchiveEntry& file : expected) {
        const ArchiveEntry* entry = Find(held, file.name);
        if (!entry) return archive + " no contiene " + file.name;
        if (!(entry->checksum == file.checksum))
            return archive + ": " + file.name + " no coincide con el generado";
    }
    return {};
}

}  // namespace tramex
