// Read-only access to keys of the local-machine registry hive, where the ERP
// installation records its directory. Outside Windows an INI-file stand-in.
#pragma once

#include "common/Error.h"

#include <memory>
#include <optional>
#include <string>

namespace tramex {

// A value exists but does not hold text.
class RegistryError : public Error {
  public:
    using Error::Error;
};

class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    // The text of a value; nullopt when the value does not exist. Throws
    // RegistryError "Invalid data type for '<name>'" for a value that is not text.
    virtual std::optional<std::string> ReadString(const std::string& valueName) const = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // keyPath as "\Software\Vendor\Product"; nullptr when the key cannot be
    // opened for reading.
    virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& keyPath) const = 0;
};

// The machine's own registry (Windows) or its stand-in (elsewhere).
std::unique_ptr<Registry> SystemRegistry();

std::string InvalidDataTypeMessage(const std::string& valueName);

}  // namespace tramex
