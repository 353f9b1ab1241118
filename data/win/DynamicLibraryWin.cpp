// Loading DLLs with LoadLibraryW on Windows; file names arrive as UTF-8.
#include "data/DynamicLibrary.h"

#include <windows.h>

#include <string>

namespace tramex {
namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

}  // namespace

void* OpenLibraryHandle(const std::string& fileName) {
    return reinterpret_cast<void*>(LoadLibraryW(Widen(fileName).c_str()));
}

void* LibrarySymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

}  // namespace tramex
