// Registry stand-in for systems without one: the key "\Software\Vendor\Product"
// is the INI file Vendor/Product.conf in the first system configuration
// directory (XDG_CONFIG_DIRS, default /etc/xdg) that holds a readable copy, and
// its values are the entries of the [General] section. Every value is text.
#include "common/TextCodec.h"
#include "platform/ExclusiveFile.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace tramex {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::vector<std::string> ConfigDirectories() {
    std::vector<std::string> directories;
    const char* configured = std::getenv("XDG_CONFIG_DIRS");
    std::istringstream list(configured ? configured : "");
    for (std::string directory; std::getline(list, directory, ':');) {
        if (!directory.empty()) directories.push_back(directory);
    }
    if (directories.empty()) directories.push_back("/etc/xdg");
    return directories;
}

// "\Software\Dravo\QuintorERP2017" -> "Dravo/QuintorERP2017.conf"
std::string ConfFileName(std::string keyPath) {
    while (!keyPath.empty() && keyPath.front() == '\\') keyPath.erase(0, 1);
    const std::string softwarePrefix = "software\\";
    if (AsciiLowercase(keyPath.substr(0, softwarePrefix.size())) == softwarePrefix) {
        keyPath.erase(0, softwarePrefix.size());
    }
    std::replace(keyPath.begin(), keyPath.end(), '\\', '/');
    return keyPath + ".conf";
}

// Value names compare without regard to case, as registry value names do.
using GeneralSection = std::map<std::string, std::string>;

GeneralSection ParseGeneralSection(const std::string& iniText) {
    GeneralSection values;
    bool inGeneral = true;  // entries before any section header belong to [General]
    std::istringstream lines(iniText);
    for (std::string line; std::getline(lines, line);) {
        line = Trimmed(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            inGeneral = AsciiLowercase(Trimmed(line.substr(1, close - 1))) == "general";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGeneral || equals == std::string::npos) continue;
        values[AsciiLowercase(Trimmed(line.substr(0, equals)))] =
            Unquoted(Trimmed(line.substr(equals + 1)));
    }
    return values;
}

class IniRegistryKey : public RegistryKey {
  public:
    explicit IniRegistryKey(GeneralSection values) : values_(std::move(values)) {}

    std::optional<std::string> ReadString(const std::string& valueName) const override {
        const auto found = values_.find(AsciiLowercase(valueName));
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }

  private:
    GeneralSection values_;
};

class IniRegistry : public Registry {
  public:
    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& keyPath) const override {
        const std::string fileName = ConfFileName(keyPath);
        for (const auto& directory : ConfigDirectories()) {
            if (auto text = ReadFileExclusively(directory + "/" + fileName)) {
                return std::make_unique<IniRegistryKey>(ParseGeneralSection(*text));
            }
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<Registry> SystemRegistry() { return std::make_unique<IniRegistry>(); }

}  // namespace tramex
