// Installation directory lookup over a scripted registry: key order, missing
// value, no key at all and a value that is not text.
#include "session/InstallDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace tramex {
namespace {

using ::testing::ElementsAre;

struct ScriptedValue {
    std::optional<std::string> text;
    bool notText = false;
};

class ScriptedKey : public RegistryKey {
  public:
    explicit ScriptedKey(std::map<std::string, ScriptedValue> values)
        : values_(std::move(values)) {}
    std::optional<std::string> ReadString(const std::string& name) const override {
        const auto found = values_.find(name);
        if (found == values_.end()) return std::nullopt;
        if (found->second.notText) throw RegistryError(InvalidDataTypeMessage(name));
        return found->second.text;
    }

  private:
    std::map<std::string, ScriptedValue> values_;
};

class ScriptedRegistry : public Registry {
  public:
    std::map<std::string, std::map<std::string, ScriptedValue>> keys;
    mutable std::vector<std::string> opened;

    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path) const override {
        opened.push_back(path);
        const auto found = keys.find(path);
        if (found == keys.end()) return nullptr;
        return std::make_unique<ScriptedKey>(found->second);
    }
};

TEST(InstallDirectoryTest, The2017KeyWinsAndThe2016KeyIsTheFallback) {
    ScriptedRegistry registry;
    registry.keys["\\Software\\Dravo\\QuintorERP2017"]["Directorio"] = {"C:\\Quintor2017"};
    registry.keys["\\Software\\Dravo\\QuintorERP2016"]["Directorio"] = {"C:\\Quintor2016"};
    EXPECT_EQ(FindInstallDirectory(registry), "C:\\Quintor2017");
    EXPECT_THAT(registry.opened, ElementsAre("\\Software\\Dravo\\QuintorERP2017"));

    registry.keys.erase("\\Software\\Dravo\\QuintorERP2017");
    registry.opened.clear();
    EXPECT_EQ(FindInstallDirectory(registry), "C:\\Quintor2016");
    EXPECT_THAT(registry.opened, ElementsAre("\\Software\\Dravo\\QuintorERP2017",
                                             "\\Software\\Dravo\\QuintorERP2016"));
}

TEST(InstallDirectoryTest, AnOpenKeyWithoutTheValueGivesEmptyTextNotTheOtherKey) {
    ScriptedRegistry registry;
    registry.keys["\\Software\\Dravo\\QuintorERP2017"]["Otro"] = {"x"};
    registry.keys["\\Software\\Dravo\\QuintorERP2016"]["Directorio"] = {"C:\\Quintor2016"};
    EXPECT_EQ(FindInstallDirectory(registry), std::optional<std::string>(""));
}

TEST(InstallDirectoryTest, NoKeyGivesNothingAndTheMessageNamesThe2017Key) {
    ScriptedRegistry registry;
    EXPECT_EQ(FindInstallDirectory(registry), std::nullopt);
    EXPECT_STREQ(kInstallKeyMissingMessage,
                 "No se encontr\xC3\xB3 la Clave "
                 "HKEY_LOCAL_MACHINE\\Software\\Dravo\\QuintorERP2017\\Directorio");
}

TEST(InstallDirectoryTest, AValueThatIsNotTextRaisesTheRegistryError) {
    ScriptedRegistry registry;
    registry.keys["\\Software\\Dravo\\QuintorERP2017"]["Directorio"] = {std::nullopt, true};
    try {
        FindInstallDirectory(registry);
        FAIL() << "expected a registry error";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'Directorio'");
    }
}

}  // namespace
}  // namespace tramex
