// Win32 file read with no sharing: fails while another process holds the file.
#include "platform/ExclusiveFile.h"
#include "platform/win/WideText.h"

#include <windows.h>

#include <algorithm>

namespace tramex {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace

std::optional<std::string> ReadFileExclusively(const std::string& utf8Path) {
    FileHandle file(CreateFileW(Utf8ToWide(utf8Path).c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.get(), &size)) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD count = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - filled, 1 << 20));
        if (!ReadFile(file.get(), bytes.data() + filled, wanted, &count, nullptr)) {
            return std::nullopt;
        }
        if (count == 0) break;  // shorter than its size said: keep what is there
        filled += count;
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace tramex
