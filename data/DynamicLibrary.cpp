// Process-wide register of the libraries loaded at run time.
#include "data/DynamicLibrary.h"

#include "data/DatabaseError.h"

#include <map>
#include <memory>
#include <mutex>

namespace tramex {

struct DynamicLibraryAccess {
    static std::unique_ptr<DynamicLibrary> Make(const std::string& fileName, void* handle) {
        return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(fileName, handle));
    }
};

const DynamicLibrary& DynamicLibrary::Load(const std::string& fileName) {
    static std::mutex guard;
    static std::map<std::string, std::unique_ptr<DynamicLibrary>> loaded;
    std::lock_guard<std::mutex> lock(guard);
    auto found = loaded.find(fileName);
    if (found != loaded.end()) return *found->second;
    void* handle = OpenLibraryHandle(fileName);
    if (!handle) throw LibraryLoadError(fileName);
    auto& entry = loaded[fileName];
    entry = DynamicLibraryAccess::Make(fileName, handle);
    return *entry;
}

void* DynamicLibrary::Symbol(const char* name) const { return LibrarySymbol(handle_, name); }

}  // namespace tramex
