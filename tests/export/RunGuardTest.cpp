// What keeps a nightly run trustworthy without the windows: the data
// directory's lock, the options file, the run log, the company code check.
#include "export/DataDirectoryLock.h"
#include "export/ExtractFileError.h"
#include "export/FtpServerSetting.h"
#include "export/RunArchive.h"
#include "export/RunLog.h"
#include "export/RunOptions.h"
#include "export/RunStatus.h"
#include "session/CompanyCode.h"
#include "tests/session/ScratchDirectory.h"
#include "transfer/TlsSession.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The whole text matches an ECMAScript pattern: GoogleTest's own regular
// expressions are a smaller language on Windows.
MATCHER_P(FullyMatches, pattern, "") { return std::regex_match(arg, std::regex(pattern)); }

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
#ifndef _WIN32
    // A run lasts longer than any age limit: an hour-old lock of a live
    // process still holds. (Windows: the holder keeps the file open unshared,
    // so nobody can age it.)
    QFile lockFile(QString::fromStdString(dir + "/tramex.lock"));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    lockFile.close();
#endif
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
    // Left by a dead run whose process number this process now has.
    std::string leftOver;
    {
        QLockFile own(QString::fromStdString(dir + "/own.lock"));
        ASSERT_TRUE(own.tryLock(0));
        leftOver = Read(scratch.path() / "own.lock");
    }
    scratch.Write("tramex.lock", leftOver);
    EXPECT_NE(DataDirectoryLock::Acquire(dir, 300, {}), nullptr);

    EXPECT_THAT([&] { DataDirectoryLock::Acquire(dir + "/no-existe", 0, {}); },
                ::testing::ThrowsMessage<ExtractFileError>(
                    ::testing::EndsWith("tramex.lock: el directorio no existe")));
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

    const std::string path = scratch.Write(
        "tramex.ini",
        "[Desatendido]\nLimiteAvisosSegundos=0\nEsperaOtraExportacionSegundos=diez\n"
        "[Registro]\nArchivo=C:\\Quintor\\tramex.log\n[FTP]\nSubirConNombreTemporal=si\n"
        "UsarDireccionDeRespuestaPasiva=1\nReintentos=0\nEsperaReintentoSegundos=-5\nVerificar=0\n"
        "[HuellasFTPS]\nftp.example.com=sha256:AB12\n");
    const RunOptions read = LoadRunOptions(path, problems);
    EXPECT_EQ(read.limiteAvisosSegundos, 0);
    EXPECT_EQ(read.esperaOtraExportacionSegundos, 600);
    EXPECT_EQ(read.archivoRegistro, "C:\\Quintor\\tramex.log");
    EXPECT_FALSE(read.subirConNombreTemporal);
    EXPECT_TRUE(read.usarDireccionDeRespuestaPasiva);
    EXPECT_EQ(read.reintentos, 0);
    EXPECT_EQ(read.esperaReintentoSegundos, 60);
    EXPECT_FALSE(read.verificar);
    // Kept as written, so the host's upload fails instead of going unpinned.
    EXPECT_EQ(read.huellasFtps.at("ftp.example.com"), "sha256:AB12");
    EXPECT_THAT(
        problems,
        ElementsAre("Desatendido/EsperaOtraExportacionSegundos=diez no es válido; se usa 600",
                    "FTP/SubirConNombreTemporal=si no es válido; se usa 0",
                    "FTP/EsperaReintentoSegundos=-5 no es válido; se usa 60",
                    "HuellasFTPS/ftp.example.com: Huella no válida (se espera sha256:HEX): "
                    "sha256:AB12"));
}

// The scheme says whether and how TLS starts and is not part of the host; a
// port may follow the host; a TLS host gets its own pin, whatever the case of
// either name. Anything else names the value it cannot use.
TEST(RunOptions, ServerColumnGivesHostPortTlsAndPin) {
    const std::string pin = "sha256:" + std::string(64, 'A');
    const std::map<std::string, std::string> pins = {
        {"FTP.Example.com", "sha256:" + std::string(64, 'a')}, {"bad.example.com", ""}};
    using Read = std::tuple<std::string, int, bool, bool, std::string>;
    const auto read = [&pins](const std::string& server) {
        const FtpServerSetting s = ReadFtpServerSetting(server, pins);
        return Read{s.Host, s.Port, s.Tls, s.ImplicitTls, s.PinnedFingerprint};
    };
    EXPECT_EQ(read("ftp.example.com"), Read("ftp.example.com", 0, false, false, ""));
    EXPECT_EQ(read("ftp.example.com:2121"), Read("ftp.example.com", 2121, false, false, ""));
    EXPECT_EQ(read("ftpes://ftp.example.com"), Read("ftp.example.com", 0, true, false, pin));
    EXPECT_EQ(read("FTPES://ftp.example.com:2121/"),
              Read("ftp.example.com", 2121, true, false, pin));
    EXPECT_EQ(read("ftps://ftp.example.com"), Read("ftp.example.com", 990, true, true, pin));
    EXPECT_EQ(read("ftps://other.example.com:9990"),
              Read("other.example.com", 9990, true, true, ""));
    for (const char* invalid :
         {"ftp://ftp.example.com", "ftpes://", "ftps://:990", "h:", "h:0", "h:65536", "h:21x"})
        EXPECT_THAT([&] { read(invalid); }, ::testing::ThrowsMessage<EInvalidFtpServer>(
                                                std::string("Servidor FTP no válido: ") + invalid));
    // An empty pin is no pin at all: the upload is refused, not left unpinned.
    EXPECT_THAT(
        [&] { read("ftpes://bad.example.com"); },
        ::testing::ThrowsMessage<EInvalidFingerprint>("Huella no válida (se espera sha256:HEX)"));
}

TEST(RunLog, LinesWaitForTheirPlaceCarryTimeAndProcessAndAFullLogIsRotatedOnlyAtAStart) {
    testing::ScratchDirectory scratch;
    runlog::ResetForTests();
    runlog::Write("antes de saber dónde");
    runlog::Open(scratch.path().string(), "");
    runlog::Write("Error subiendo x.zip a h:21 (STOR): 553 Could not create file.\r\n");
    const std::string log = Read(scratch.path() / "tramex.log");
    EXPECT_THAT(log,
                FullyMatches("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} "
                             "[0-9]+ antes de saber dónde\n"
                             "[^\n]+ Error subiendo x.zip a h:21 \\(STOR\\): 553 Could not "
                             "create file.\n"));

    scratch.Write("tramex.log", std::string(runlog::kRotateBytes + 1, 'x'));
    runlog::Write("en la misma ejecución");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "tramex.log.1"));
    runlog::ResetForTests();
    runlog::Open(scratch.path().string(), "");
    runlog::Write("después");
    // Renamed whole, not copied: the log starts again with this one line.
    const std::string rotated = Read(scratch.path() / "tramex.log.1");
    const auto full = static_cast<std::size_t>(runlog::kRotateBytes + 1);
    EXPECT_EQ(rotated.substr(0, full), std::string(full, 'x'));
    EXPECT_THAT(rotated.substr(full),
                FullyMatches("[-0-9]{10}T[0-9:.]{12} [0-9]+ en la misma ejecución\n"));
    EXPECT_THAT(Read(scratch.path() / "tramex.log"),
                FullyMatches("[-0-9]{10}T[0-9:.]{12} [0-9]+ después\n"));
    runlog::ResetForTests();
}

TEST(RunLog, ALogThatCannotBeWrittenWhereConfiguredSaysSoInItsFallbackPlace) {
    testing::ScratchDirectory scratch;
    QStandardPaths::setTestModeEnabled(true);
    const std::string fallback = QDir(QStandardPaths::writableLocation(
                                          QStandardPaths::AppDataLocation))
                                     .filePath("tramex.log")
                                     .toStdString();
    std::filesystem::remove(fallback);
    const std::string configured = (scratch.path() / "no-existe" / "tramex.log").string();
    runlog::ResetForTests();
    runlog::Open("", configured);
    runlog::Write("después");
    runlog::ResetForTests();
    const std::string log = Read(fallback);
    EXPECT_THAT(log.substr(0, log.find('\n')),
                HasSubstr(" el registro no se puede escribir en " + configured + "; se escribe en "));
    EXPECT_THAT(log, ::testing::EndsWith(" después\n"));
    std::filesystem::remove(fallback);
}

TEST(RunLog, EndLineHasAPointAndThreeDecimals) {
    EXPECT_EQ(runlog::EndText(0, 1657), "fin: estado 0, 1.657 s");
    EXPECT_EQ(runlog::EndText(8, 61005), "fin: estado 8, 61.005 s");
    EXPECT_EQ(runlog::EndText(6, 40), "fin: estado 6, 0.040 s");
}

// House, partner, then the year, a 6, the month and the day: what the
// receiving side files the archive by.
TEST(ArchiveName, HousePartnerYearSixMonthDay) {
    using namespace std::chrono;
    ParametrosEnvio run;
    run.CodCasa = "C1";
    run.CodPartner = "P1";
    run.DirectorioDatos = "/datos";
    run.Fecha = 2019y / September / 27d;
    EXPECT_EQ(ArchiveName(run), "C1_P1_201960927.zip");
    run.Fecha = 2026y / December / 8d;
    EXPECT_EQ(ArchivePath(run), "/datos/C1_P1_202661208.zip");
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
