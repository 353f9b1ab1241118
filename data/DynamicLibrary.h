// A shared library loaded at run time by file name; stays loaded for the rest
// of the process, since client libraries keep threads and exit handlers.
#pragma once

#include <string>
#include <utility>

namespace tramex {

class DynamicLibrary {
  public:
    // Loads (or finds already loaded) the library; raises LibraryLoadError.
    static const DynamicLibrary& Load(const std::string& fileName);

    // The exported symbol, or nullptr when the library lacks it.
    void* Symbol(const char* name) const;
    const std::string& FileName() const { return fileName_; }

  private:
    DynamicLibrary(std::string fileName, void* handle)
        : fileName_(std::move(fileName)), handle_(handle) {}

    std::string fileName_;
    void* handle_;

    friend struct DynamicLibraryAccess;
};

// Platform primitives, in posix/ and win/.
void* OpenLibraryHandle(const std::string& fileName);  // nullptr on failure
void* LibrarySymbol(void* handle, const char* name);

}  // namespace tramex
