// The options file as an administrator writes it, saved by Notepad (byte
// order mark, CR LF): every value means what it says.
#include "common/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(IniFile, ValuesAreTakenAsWrittenBackslashesIncluded) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tramex-ini-test.ini";
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF[Registro]\r\n"
                                             "Archivo=C:\\Quintor\\tramex.log\r\n"
                                             "; la prueba\r\n"
                                             "[desatendido]\r\n"
                                             "LimiteAvisosSegundos=900           ; segundos\r\n"
                                             "sin signo igual\r\n"
                                             "[HuellasFTPS]\r\n"
                                             "ftp.example.com = \"sha256:AB:CD\"\r\n"
                                             "Otro.Example.com=a;b\r\n"
                                             "ftp.example.com=sha256:EF\r\n";
    const std::optional<IniFile> ini = IniFile::Load(path.string());
    std::filesystem::remove(path);
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(ini->Value("Registro", "Archivo"), "C:\\Quintor\\tramex.log");
    EXPECT_EQ(ini->Value("DESATENDIDO", "limiteavisossegundos"), "900");
    EXPECT_EQ(ini->Value("HuellasFTPS", "ftp.example.com"), "sha256:EF");  // the last one holds
    EXPECT_THAT(ini->Entries("huellasftps"),
                ElementsAre(Pair("ftp.example.com", "sha256:AB:CD"),
                            Pair("Otro.Example.com", "a;b"), Pair("ftp.example.com", "sha256:EF")));
    EXPECT_THAT(ini->UnreadLines(), ElementsAre("sin signo igual"));
    EXPECT_EQ(IniFile::Load(path.string()), std::nullopt);
}

}  // namespace
}  // namespace tramex
