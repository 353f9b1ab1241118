// What keeps a nightly run trustworthy without the windows: the data
// directory's lock, the options file, the run log, the company code check.
#include "export/DataDirectoryLock.h"
#include "export/FtpServerSetting.h"
#include "export/RunLog.h"
#include "export/RunOptions.h"
#include "export/RunStatus.h"
#include "session/CompanyCode.h"
#include "tests/session/ScratchDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST(DataDirectoryLock, ALiveHolderKeepsItHoweverOldAndADeadOneLosesIt) {
    testing::ScratchDirectory scratch;
    const std::string dir = scratch.path().string();
    auto first = DataDirectoryLock::Acquire(dir, 0, {});
    ASSERT_NE(first, nullptr);
    // A run lasts longer than any age limit: an hour-old lock of a live
    // process still holds.
    QFile lockFile(QString::fromStdString(dir + "/tramex.lock"));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    lockFile.close();
    int waitingTold = 0;
    try {
        DataDirectoryLock::Acquire(dir, 300, [&] { ++waitingTold; });
        ADD_FAILURE() << "took a lock another run holds";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.Status(), ExitStatus::DataDirectoryBusy);
        EXPECT_EQ(std::string(failure.what()), "Otra exportación está en curso en " + dir);
    }
    EXPECT_EQ(waitingTold, 1);

    // Released, or left by a process that is gone: taken at once.
    first.reset();
    EXPECT_NE(DataDirectoryLock::Acquire(dir, 0, {}), nullptr);
    scratch.Write("tramex.lock", "2147483646\ntramex\n\n");
    EXPECT_NE(DataDirectoryLock::Acquire(dir, 0, {}), nullptr);
}

TEST(RunOptions, AbsentFileGivesDefaultsAndInvalidValuesKeepThem) {
    testing::ScratchDirectory scratch;
    std::vector<std::string> problems;
    const RunOptions none = LoadRunOptions((scratch.path() / "tramex.ini").string(), problems);
    EXPECT_EQ(none.limiteAvisosSegundos, 900);
    EXPECT_EQ(none.esperaOtraExportacionSegundos, 600);
    EXPECT_FALSE(none.subirConNombreTemporal);
    EXPECT_EQ(none.reintentos, 3);
    EXPECT_EQ(none.esperaReintentoSegundos, 60);
    EXPECT_TRUE(none.verificar);
    EXPECT_TRUE(problems.empty());

    const std::string path =
        scratch.Write("tramex.ini",
                      "[Desatendido]\nLimiteAvisosSegundos=0\nEsperaOtraExportacionSegundos=diez\n"
                      "[Registro]\nArchivo=/var/log/tramex.log\n[FTP]\nSubirConNombreTemporal=si\n"
                      "Reintentos=0\nEsperaReintentoSegundos=-5\nVerificar=0\n"
                      "[HuellasFTPS]\nftp.example.com=sha256:AB12\n");
    const RunOptions read = LoadRunOptions(path, problems);
    EXPECT_EQ(read.limiteAvisosSegundos, 0);
    EXPECT_EQ(read.esperaOtraExportacionSegundos, 600);
    EXPECT_EQ(read.archivoRegistro, "/var/log/tramex.log");
    EXPECT_FALSE(read.subirConNombreTemporal);
    EXPECT_EQ(read.reintentos, 0);
    EXPECT_EQ(read.esperaReintentoSegundos, 60);
    EXPECT_FALSE(read.verificar);
    EXPECT_EQ(read.huellasFtps.at("ftp.example.com"), "sha256:AB12");
    EXPECT_THAT(
        problems,
        ElementsAre("Desatendido/EsperaOtraExportacionSegundos=diez no es válido; se usa 600",
                    "FTP/SubirConNombreTemporal=si no es válido; se usa 0",
                    "FTP/EsperaReintentoSegundos=-5 no es válido; se usa 60"));
}

// "ftpes://" turns TLS on and is not part of the host; the pin is the host's
// own, whatever the case of either name. A plain server keeps its text as is.
TEST(RunOptions, FtpesServerUsesTlsWithItsHostsPin) {
    const std::map<std::string, std::string> pins = {{"FTP.Example.com", "sha256:AB12"},
                                                     {"other.example.com", "sha256:CD34"}};
    struct Case {
        std::string Server, Host;
        bool Tls;
        std::string Pin;
    };
    for (const Case& c :
         std::vector<Case>{{"ftp.example.com", "ftp.example.com", false, ""},
                           {"ftpes://ftp.example.com", "ftp.example.com", true, "sha256:AB12"},
                           {"FTPES://ftp.example.com/", "ftp.example.com", true, "sha256:AB12"},
                           {"ftpes://unpinned.example.com", "unpinned.example.com", true, ""},
                           {"ftp://ftp.example.com", "ftp://ftp.example.com", false, ""}}) {
        SCOPED_TRACE(c.Server);
        const FtpServerSetting setting = ReadFtpServerSetting(c.Server, pins);
        EXPECT_EQ(setting.Host, c.Host);
        EXPECT_EQ(setting.Tls, c.Tls);
        EXPECT_EQ(setting.PinnedFingerprint, c.Pin);
    }
}

TEST(RunLog, LinesWaitForTheirPlaceCarryTimeAndProcessAndAFullLogIsRotatedOnlyAtAStart) {
    testing::ScratchDirectory scratch;
    runlog::ResetForTests();
    runlog::Write("antes de saber dónde");
    runlog::Open(scratch.path().string(), "");
    runlog::Write("Error subiendo x.zip a h:21 (STOR): 553 Could not create file.\r\n");
    const std::string log = Read(scratch.path() / "tramex.log");
    EXPECT_THAT(log,
                MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} "
                             "[0-9]+ antes de saber dónde\n"
                             "[^\n]+ Error subiendo x.zip a h:21 \\(STOR\\): 553 Could not "
                             "create file.\n"));

    scratch.Write("tramex.log", std::string(runlog::kRotateBytes + 1, 'x'));
    runlog::Write("en la misma ejecución");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "tramex.log.1"));
    runlog::ResetForTests();
    runlog::Open(scratch.path().string(), "");
    runlog::Write("después");
    EXPECT_THAT(Read(scratch.path() / "tramex.log.1"), HasSubstr(" en la misma ejecución\n"));
    EXPECT_THAT(Read(scratch.path() / "tramex.log"), HasSubstr(" después\n"));
    runlog::ResetForTests();
}

TEST(CompanyCode, OnlyOneFolderNameIsACompany) {
    for (const char* good : {"001", "EMP01", "a.b", "Compañía 2"})
        EXPECT_TRUE(IsCompanyCode(good)) << good;
    for (const char* bad : {"../002", "..", ".", "a/b", "a\\b", "C:", "srv:/x"}) {
        EXPECT_FALSE(IsCompanyCode(bad)) << bad;
    }
    EXPECT_FALSE(
        IsCompanyCode(std::string("0\0"
                                  "1",
                                  3)));
    try {
        RequireCompanyCode("../002");
        ADD_FAILURE();
    } catch (const InvalidCompanyError& error) {
        EXPECT_STREQ(error.what(), "Código de compañía inválido: ../002");
    }
}

}  // namespace
}  // namespace tramex
