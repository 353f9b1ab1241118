// Installation directory lookup over the 2017 and 2016 installation keys.
#include "session/InstallDirectory.h"

namespace tramex {

std::optional<std::string> FindInstallDirectory(const Registry& registry) {
    auto key = registry.OpenLocalMachineKey(kInstallKey2017);
    if (!key) key = registry.OpenLocalMachineKey(kInstallKey2016);
    if (!key) return std::nullopt;
    return key->ReadString(kInstallDirectoryValue).value_or(std::string());
}

}  // namespace tramex
