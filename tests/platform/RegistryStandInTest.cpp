// The registry stand-in: INI files found through XDG_CONFIG_DIRS, searched in
// order, and the installation lookup over them end to end.
#include "platform/Registry.h"
#include "session/InstallDirectory.h"
#include "tests/session/ScratchDirectory.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

using testing::ScopedEnvironment;
using testing::ScratchDirectory;

class RegistryStandInTest : public ::testing::Test {
  protected:
    std::string Dir(const std::string& name) const { return (scratch.path() / name).string(); }
    void WriteKey(const std::string& dir, const std::string& year, const std::string& ini) {
        scratch.Write(dir + "/Dravo/QuintorERP" + year + ".conf", ini);
    }
    std::optional<std::string> Directory(const std::string& xdgDirs) {
        ScopedEnvironment xdg("XDG_CONFIG_DIRS", xdgDirs);
        return FindInstallDirectory(*SystemRegistry());
    }

    ScratchDirectory scratch;
};

TEST_F(RegistryStandInTest, DirectoriesAreSearchedInOrder) {
    WriteKey("second", "2017", "[General]\nDirectorio=/opt/second\n");
    WriteKey("third", "2017", "[General]\nDirectorio=/opt/third\n");
    // Empty entries in the list are skipped; a folder without the file is passed over.
    EXPECT_EQ(Directory(Dir("first") + "::" + Dir("second") + ":" + Dir("third")), "/opt/second");
    EXPECT_EQ(Directory(Dir("third") + ":" + Dir("second")), "/opt/third");
}

TEST_F(RegistryStandInTest, The2016FileServesOnlyWhenNo2017FileOpens) {
    WriteKey("a", "2016", "[General]\nDirectorio=/opt/erp2016\n");
    EXPECT_EQ(Directory(Dir("a")), "/opt/erp2016");
    // A folder where the 2017 file should be does not open as a key.
    std::filesystem::create_directories(scratch.path() / "a/Dravo/QuintorERP2017.conf");
    EXPECT_EQ(Directory(Dir("a")), "/opt/erp2016");
    WriteKey("b", "2017", "[General]\nOtro=1\n");
    EXPECT_EQ(Directory(Dir("b") + ":" + Dir("a")), std::optional<std::string>(""));
}

TEST_F(RegistryStandInTest, NoFileAnywhereMeansNoKey) {
    EXPECT_EQ(Directory(Dir("nothing") + ":" + Dir("none")), std::nullopt);
}

TEST_F(RegistryStandInTest, ValuesComeFromTheGeneralSectionOnly) {
    WriteKey("a", "2017",
             "; installed by the ERP\r\n"
             "[Other]\r\nDirectorio=/wrong\r\n"
             "[general]\r\n  DIRECTORIO = \"/opt/Quintor ERP\" \r\n");
    EXPECT_EQ(Directory(Dir("a")), "/opt/Quintor ERP");

    WriteKey("b", "2017", "Directorio=/before/any/section\n[Other]\nDirectorio=/wrong\n");
    EXPECT_EQ(Directory(Dir("b")), "/before/any/section");
}

TEST_F(RegistryStandInTest, KeyPathsMapOntoVendorAndProductFiles) {
    WriteKey("a", "2017", "[General]\nDirectorio=/opt/x\nVersion=7\n");
    ScopedEnvironment xdg("XDG_CONFIG_DIRS", Dir("a"));
    const auto registry = SystemRegistry();
    const auto key = registry->OpenLocalMachineKey("\\Software\\Dravo\\QuintorERP2017");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("version"), "7");
    EXPECT_EQ(key->ReadString("Missing"), std::nullopt);
    EXPECT_EQ(registry->OpenLocalMachineKey("\\Software\\Dravo\\QuintorERP2015"), nullptr);
}

}  // namespace
}  // namespace tramex
