// The program's data directory locks, by directory.
#include "export/RunLock.h"

#include "export/DataDirectoryLock.h"

#include <map>
#include <memory>

namespace tramex::runlock {
namespace {

std::map<std::string, std::unique_ptr<DataDirectoryLock>>& Held() {
    static std::map<std::string, std::unique_ptr<DataDirectoryLock>> held;
    return held;
}

}  // namespace

void Hold(const std::string& directory, int waitMs, const std::function<void()>& waiting) {
    auto& held = Held();
    if (held.count(directory)) return;
    held[directory] = DataDirectoryLock::Acquire(directory, waitMs, waiting);
}

void ReleaseForTests() { Held().clear(); }

}  // namespace tramex::runlock
