// Loading DLLs with LoadLibraryW on Windows; file names arrive as UTF-8.
#include "data/DynamicLibrary.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace tramex {

void* OpenLibraryHandle(const std::string& fileName) {
    return reinterpret_cast<void*>(LoadLibraryW(Utf8ToWide(fileName).c_str()));
}

void* LibrarySymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

}  // namespace tramex
