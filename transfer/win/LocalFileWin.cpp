// The local file on Win32 handles, opened with read and write sharing so the
// other processes that touch the archive are not locked out.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "transfer/LocalFile.h"
#include "platform/win/WideText.h"

namespace tramex {
namespace {

HANDLE HandleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The system's text for an error, in UTF-8 and without its trailing line end.
std::string SystemReason(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
        wide.pop_back();
    return WideToUtf8(wide);
}

}  // namespace

LocalFile::LocalFile(const std::string& utf8Path) : path_(utf8Path), handle_(-1) {
    const HANDLE file =
        CreateFileW(Utf8ToWide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw EFOpenError("Cannot open file \"" + utf8Path + "\". " + SystemReason(GetLastError()));
    handle_ = reinterpret_cast<intptr_t>(file);
}

LocalFile::~LocalFile() { CloseHandle(HandleOf(handle_)); }

int64_t LocalFile::Size() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(HandleOf(handle_), &size))
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(GetLastError()));
    return size.QuadPart;
}

int64_t LocalFile::Position() {
    LARGE_INTEGER none{}, position{};
    if (!SetFilePointerEx(HandleOf(handle_), none, &position, FILE_CURRENT))
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(GetLastError()));
    return position.QuadPart;
}

void LocalFile::Seek(int64_t position) {
    LARGE_INTEGER target{};
    target.QuadPart = position;
    if (!SetFilePointerEx(HandleOf(handle_), target, nullptr, FILE_BEGIN))
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(GetLastError()));
}

size_t LocalFile::Read(char* buffer, size_t max) {
    DWORD got = 0;
    const DWORD wanted = max > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(max);
    if (!ReadFile(HandleOf(handle_), buffer, wanted, &got, nullptr))
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(GetLastError()));
    return got;
}

}  // namespace tramex
