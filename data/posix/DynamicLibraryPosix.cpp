// Loading shared libraries with dlopen on Linux and other POSIX systems.
#include "data/DynamicLibrary.h"

#include <dlfcn.h>

namespace tramex {

void* OpenLibraryHandle(const std::string& fileName) {
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* handle, const char* name) { return dlsym(handle, name); }

}  // namespace tramex
