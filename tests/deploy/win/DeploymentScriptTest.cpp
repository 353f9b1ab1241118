// comprimir.bat and eliminar.bat as the export run starts them (the shell's
// "open", hidden, in the data directory), with a stand-in tar.exe that writes
// down the archive name it was given and the files it packed.
#include "platform/ScriptLaunch.h"
#include "tests/session/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tramex {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class DeploymentScriptTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
        _putenv_s("PATH", (ProgramDirectory() + "\\standin;" + path).c_str());
    }
    void SetUp() override {
        // A blank and a non-ASCII letter, as a company's data folder may hold.
        data = scratch.path() / fs::path(u8"env\u00edo datos");
        fs::create_directories(data);
    }
    void TearDown() override { _putenv_s("TRAMEX_TAR_FAIL", ""); }

    // The script's exit status; -1 when it did not start or end.
    int Run(const std::string& script, const std::vector<std::string>& parameters) {
        const std::u8string directory = data.u8string();
        const auto process = LaunchDeploymentScript(
            script, parameters, std::string(directory.begin(), directory.end()));
        if (!process || !process->WaitForEnd(60000)) return -1;
        return process->ExitCode();
    }
    // The ten extract files, each holding its own name; the stand-in's
    // listing of them, in the order the script passes them.
    std::string PutTheTenFiles() {
        std::string listing;
        for (const char* name : {"Municipios.txt", "TiposDeNegocio.txt", "Vendedores.txt",
                                 "Clientes.txt", "SKU.txt", "Rutas.txt", "Inventario.txt",
                                 "Ventas.txt", "ListadodeFacturas.txt", "TotalesdeControl.txt"}) {
            Put(name, name);
            listing += std::string(name) + ":" + name + "\n";
        }
        return listing;
    }
    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(data / name, std::ios::binary) << bytes;
    }

    testing::ScratchDirectory scratch;
    fs::path data;
};

TEST_F(DeploymentScriptTest, TheTenFilesArePackedUnderATemporaryNameThenRenamed) {
    const std::string listing = PutTheTenFiles();
    Put("notas.txt", "not an extract file");
    Put("envio 2010.zip", "older archive");
    EXPECT_EQ(Run("comprimir", {"envio 2010.zip", Utf8(data)}), 0);
    EXPECT_EQ(ReadWhole(data / "envio 2010.zip"), "envio 2010.zip.parcial.zip\n" + listing);
    EXPECT_FALSE(fs::exists(data / "envio 2010.zip.parcial.zip"));
}

// A failing tar or a missing file: non-zero, and nothing under the archive's
// name, not even the older archive, so an export never uploads it.
TEST_F(DeploymentScriptTest, FailedPackingOrAMissingFileLeavesNoArchive) {
    PutTheTenFiles();
    for (const bool tarFails : {true, false}) {
        Put("envio.zip", "older archive");
        if (tarFails) {
            _putenv_s("TRAMEX_TAR_FAIL", "1");
        } else {
            _putenv_s("TRAMEX_TAR_FAIL", "");
            fs::remove(data / "Ventas.txt");
        }
        EXPECT_EQ(Run("comprimir", {"envio.zip", Utf8(data)}), 1) << tarFails;
        EXPECT_FALSE(fs::exists(data / "envio.zip")) << tarFails;
        EXPECT_FALSE(fs::exists(data / "envio.zip.parcial.zip")) << tarFails;
    }
}

TEST_F(DeploymentScriptTest, CleanUpRemovesTheExtractFilesAndKeepsTheArchive) {
    Put("Ventas.txt", "v");
    Put("TotalesdeControl.txt", "t");
    Put("notas.txt", "x");
    Put("envio.zip", "archive");
    EXPECT_EQ(Run("eliminar", {Utf8(data)}), 0);
    EXPECT_FALSE(fs::exists(data / "Ventas.txt"));
    EXPECT_FALSE(fs::exists(data / "TotalesdeControl.txt"));
    EXPECT_EQ(ReadWhole(data / "envio.zip"), "archive");
    EXPECT_TRUE(fs::exists(data / "notas.txt"));
}

}  // namespace
}  // namespace tramex
