// Where the ERP is installed, as its installer recorded it in the registry.
#pragma once

#include "platform/Registry.h"

#include <optional>
#include <string>

namespace tramex {

inline constexpr const char* kInstallKey2017 = "\\Software\\Dravo\\QuintorERP2017";
inline constexpr const char* kInstallKey2016 = "\\Software\\Dravo\\QuintorERP2016";
inline constexpr const char* kInstallDirectoryValue = "Directorio";
inline constexpr const char* kInstallKeyMissingMessage =
    "No se encontr\u00f3 la Clave HKEY_LOCAL_MACHINE\\Software\\Dravo\\QuintorERP2017\\Directorio";

// The directory from the 2017 key, or from the 2016 key when the 2017 key
// cannot be opened; empty text when the value is missing; nullopt when neither
// key opens. A value that is not text throws RegistryError.
std::optional<std::string> FindInstallDirectory(const Registry& registry);

}  // namespace tramex
