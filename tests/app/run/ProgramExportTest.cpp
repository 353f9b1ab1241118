// The program itself, started as a scheduler starts it: build/tramex with
// family, branch, company and days, the settings file's unattended flag, the
// embedded demo database, the deployment scripts the build put beside the
// program, and a pyftpdlib destination on port 21 of a loopback address of
// its own. Asserted: exit status, the archive on the server and its bytes
// against tramex-extract, the FTP commands, and what an error leaves.
#include "RunTestSupport.h"

#include "data/Connection.h"
#include "export/RunArchive.h"

#include <QProcess>

#include <gmock/gmock.h>

#include <csignal>
#include <filesystem>
#include <iomanip>
#include <random>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace tramex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

// A pyftpdlib server for one test on port 21 of a loopback address nobody
// else uses, so tests and the demo never meet on the port.
class FtpDestination {
  public:
    // faults: see ftp_destination.py ("cut=1", "cut=all").
    explicit FtpDestination(const std::filesystem::path& folder, QStringList faults = {})
        : home_(folder / "ftp-home"),
          log_((folder / "ftp-commands.log").string()),
          faults_(std::move(faults)) {
        std::filesystem::create_directories(home_ / "entrada");
        std::random_device seed;
        std::mt19937 pick(seed());
        std::uniform_int_distribution<int> part(2, 250);
        for (int attempt = 0; attempt < 5 && address_.empty(); ++attempt) {
            const std::string address = "127." + std::to_string(part(pick)) + "." +
                                        std::to_string(part(pick)) + "." +
                                        std::to_string(part(pick));
            if (Listen(address)) address_ = address;
        }
    }
    ~FtpDestination() {
        server_.kill();
        server_.waitForFinished(5000);
    }

    // Empty when no server came up; Failure() then says why.
    const std::string& Address() const { return address_; }
    const std::string& Failure() const { return failure_; }
    bool PortNeedsPrivilege() const {
        return address_.empty() && failure_.find("Permission denied") != std::string::npos;
    }
    const std::filesystem::path& Home() const { return home_; }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        std::istringstream log(ReadFile(log_));
        for (std::string line; std::getline(log, line);) commands.push_back(line);
        return commands;
    }

  private:
    bool Listen(const std::string& address) {
        const QStringList arguments = {TRAMEX_SOURCE_DIR "/tests/app/run/ftp_destination.py",
                                       QString::fromStdString(address),
                                       "21",
                                       "demo",
                                       "demo",
                                       QString::fromStdString(home_.string()),
                                       QString::fromStdString(log_)};
        server_.start("/usr/bin/python3", arguments + faults_);
        if (server_.waitForReadyRead(10000)) {
            const QByteArray line = server_.readLine();
            if (line.startsWith("ready")) return true;
            failure_ = line.trimmed().toStdString();
        } else {
            failure_ = "no answer from ftp_destination.py: " +
                       server_.readAllStandardError().toStdString();
        }
        server_.kill();
        server_.waitForFinished(5000);
        return false;
    }

    std::filesystem::path home_;
    std::string log_;
    QStringList faults_;
    std::string address_;
    std::string failure_;
    QProcess server_;
};

// Points the families at the scenario's server, or skips the scenario where
// port 21 needs root. GTEST_SKIP and ASSERT end the test body only when they
// stand in it, hence a macro.
#define POINT_DESTINATIONS_AT_OR_SKIP(destination)                                 \
    if ((destination).PortNeedsPrivilege())                                        \
        GTEST_SKIP() << "port 21 needs root: " << (destination).Failure();         \
    ASSERT_FALSE((destination).Address().empty()) << (destination).Failure();      \
    PointDestinationsAt((destination).Address())

class ProgramExport : public ::testing::Test {
  protected:
    ProgramExport() {
        std::filesystem::create_directories(dataDirectory);
        InstallDemoCompany(scratch, dataDirectory, "1");
    }

    // Changes the demo database before the program opens it (the embedded
    // engine lets one process at a time have the file).
    void Execute(const std::string& sql) {
        Connection connection;
        connection.SetEntry("Database", database);
        connection.SetEntry("User_Name", "SYSDBA");
        connection.SetEntry("Password", "masterkey");
        connection.ExecuteDdl(sql);
        connection.Close();
    }

    void PointDestinationsAt(const std::string& address) {
        Execute("UPDATE CONFIGURA_LINKFTP SET CFLK_SERVER = '" + address + "'");
    }

    void Start(const std::string& family, QProcess& process, const std::string& company = "001") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_DIRS",
                           QString::fromStdString((scratch.path() / "xdg").string()));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(scratch.path().string()));
        process.start(TRAMEX_BINARY_DIR "/tramex",
                      {QString::fromStdString(family), "0", QString::fromStdString(company), "30"});
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    void Start(const std::string& family) {
        logMark = Log().size();
        Start(family, program);
    }

    void WriteOptions(const std::string& ini) { scratch.Write("install/tramex.ini", ini); }
    std::string Log() const { return ReadFile((scratch.path() / "install/tramex.log").string()); }

    // Sends SIGTERM once text shows in the run log (and the file `also`
    // exists, when named); true when the program then ended within 5 s.
    bool TerminateOnceLogged(const std::string& text, const std::string& also = "") {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Log().find(text, logMark) == std::string::npos ||
               (!also.empty() && ReadFile(also).empty())) {
            if (std::chrono::steady_clock::now() >= deadline || Finished(50)) return false;
        }
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        return Finished(5000);
    }

    bool Finished(int limitMs) { return program.waitForFinished(limitMs); }

    // Reads standard error until text shows up or the limit passes.
    bool ErrorsShow(const std::string& text, int limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (errors.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            program.waitForReadyRead(100);
            errors += program.readAllStandardError().toStdString();
        }
        return true;
    }

    std::string ArchiveFor(const std::string& house, const std::string& partner) const {
        ParametrosEnvio parameters;
        parameters.CodCasa = house;
        parameters.CodPartner = partner;
        parameters.Fecha = Today();
        return ArchiveName(parameters);
    }

    // The ten files as tramex-extract writes them for the same parameters.
    std::map<std::string, std::string> ToolFiles(const std::string& family) {
        const std::string out = (scratch.path() / ("tool-" + family)).string();
        std::filesystem::create_directories(out);
        const auto date = Today();
        std::ostringstream iso;
        iso << std::setfill('0') << std::setw(4) << static_cast<int>(date.year()) << '-'
            << std::setw(2) << static_cast<unsigned>(date.month()) << '-' << std::setw(2)
            << static_cast<unsigned>(date.day());
        QProcess tool;
        tool.start(
            TRAMEX_BINARY_DIR "/tramex-extract",
            {"--database", QString::fromStdString(database), "--user", "SYSDBA", "--password",
             "masterkey", "--family", QString::fromStdString(family), "--branch", "0", "--date",
             QString::fromStdString(iso.str()), "--out", QString::fromStdString(out)});
        EXPECT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        std::map<std::string, std::string> files;
        for (const std::string& name : kExtractFiles) files[name] = ReadFile(out + "/" + name);
        return files;
    }

    ~ProgramExport() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    ScratchDirectory scratch;
    const std::string database = CopyDemoDatabase(scratch.path());
    const std::string dataDirectory = (scratch.path() / "datos").string();
    QProcess program;
    std::string errors;
    std::size_t logMark = 0;  // the log's size when the program last started
};

TEST_F(ProgramExport, UnattendedRunUploadsTheArchiveOfTheToolsFilesAndEndsWithStatusZero) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    struct Case {
        std::string family, house, partner, folder;
    };
    // Family 01 stays in the login folder; family 02 changes into "entrada".
    for (const Case& run : {Case{"01", "C1", "P1", ""}, Case{"02", "C2", "P2", "entrada"}}) {
        SCOPED_TRACE(run.family);
        const std::size_t commandsBefore = destination.Commands().size();
        Start(run.family);
        ASSERT_TRUE(Finished(60000)) << "the program did not end by itself";
        errors = program.readAllStandardError().toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << errors;
        EXPECT_THAT(errors, ::testing::Not(HasSubstr("tramex: "))) << "no box was shown";

        const std::string archive = ArchiveFor(run.house, run.partner);
        const auto uploaded = destination.Home() / run.folder / archive;
        ASSERT_TRUE(std::filesystem::exists(uploaded)) << uploaded;
        EXPECT_EQ(ArchiveEntries(uploaded.string()), ToolFiles(run.family));
        EXPECT_EQ(ReadFile(uploaded.string()), ReadFile(dataDirectory + "/" + archive));
        for (const std::string& name : kExtractFiles) {
            EXPECT_FALSE(std::filesystem::exists(dataDirectory + "/" + name)) << name;
        }

        std::vector<std::string> commands = destination.Commands();
        commands.erase(commands.begin(), commands.begin() + static_cast<long>(commandsBefore));
        ASSERT_GE(commands.size(), 7u);
        EXPECT_THAT(std::vector<std::string>(commands.begin(), commands.begin() + 3),
                    ElementsAre("HOST [" + destination.Address() + "]", "USER demo", "PASS demo"));
        std::vector<std::string> upload = {"PASV", "REST 0", "STOR " + archive, "SIZE " + archive,
                                           "QUIT"};
        if (!run.folder.empty()) upload.insert(upload.begin(), "CWD " + run.folder);
        EXPECT_THAT(std::vector<std::string>(commands.end() - static_cast<long>(upload.size()),
                                             commands.end()),
                    ::testing::ElementsAreArray(upload));
        EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                                [](const std::string& c) { return c.rfind("CWD", 0) == 0; }),
                  run.folder.empty() ? 0 : 1);
    }
}

TEST_F(ProgramExport, RefusedLoginEndsWithStatusSixOnceTheBoxClosesByItself) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    Execute("UPDATE CONFIGURA_LINKFTP SET CFLK_CLAVE = 'otra'");
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=2\n");
    Start("01");

    const std::string archive = ArchiveFor("C1", "P1");
    ASSERT_TRUE(ErrorsShow("tramex: Error subiendo " + archive + " a " + destination.Address() +
                               ":21 (PASS): Authentication failed.",
                           30000))
        << errors;
    const auto shown = std::chrono::steady_clock::now();
    ASSERT_TRUE(Finished(6000)) << "the box closes by itself and the program ends";
    EXPECT_GE(std::chrono::steady_clock::now() - shown, std::chrono::milliseconds(1500));
    EXPECT_EQ(program.exitCode(), 6);
    EXPECT_FALSE(std::filesystem::exists(destination.Home() / archive));
    EXPECT_THAT(destination.Commands(), IsSupersetOf({"USER demo", "PASS otra"}));
    EXPECT_THAT(destination.Commands(), ::testing::Not(::testing::Contains("PASV")));
    // The log tells the whole story without the password.
    const std::string log = Log();
    for (const char* line :
         {"inicio: Tramex2", "modo desatendido, familia 01, agencia 0, compañía 001",
          "Generando archivo Ventas. espere un momento...",
          "archivo Ventas.txt: ", "comprimir terminó con estado 0", "FTP > USER demo",
          "FTP > PASS ****", "FTP < 530", "aviso cerrado sin respuesta", "fin: estado 6"}) {
        EXPECT_THAT(log, HasSubstr(line));
    }
    EXPECT_THAT(log, ::testing::Not(HasSubstr("otra")));
}

TEST_F(ProgramExport, FamilyWithoutADestinationWritesNothingAndEndsWithStatusTwo) {
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=1\n");
    Start("09");
    ASSERT_TRUE(ErrorsShow("tramex: Debe configurar el host de destino para esa familia", 30000))
        << errors;
    ASSERT_TRUE(Finished(5000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(std::filesystem::is_empty(dataDirectory));
}

// Two families of one company scheduled at the same minute, the first with
// a slow comprimir: the second waits for the first to finish before it even
// attaches the database (the embedded engine lets one program at a time
// have the file), then writes, packs and uploads its own files.
TEST_F(ProgramExport, TwoFamiliesOfOneCompanyTakeTurnsAndEachArchiveHoldsItsOwnFiles) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=5\n");
    scratch.Write("datos/comprimir.sh", "sleep 2\nexec sh \"" + std::string(TRAMEX_BINARY_DIR) +
                                            "/comprimir.sh\" \"$@\"\n");
    QProcess second;
    Start("01");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Start("02", second);

    ASSERT_TRUE(Finished(90000));
    ASSERT_TRUE(second.waitForFinished(90000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(ArchiveEntries((destination.Home() / ArchiveFor("C1", "P1")).string()),
              ToolFiles("01"));
    EXPECT_EQ(ArchiveEntries((destination.Home() / "entrada" / ArchiveFor("C2", "P2")).string()),
              ToolFiles("02"));
    EXPECT_THAT(Log(), HasSubstr("Esperando a que termine otra exportación en " + dataDirectory));
}

// The settings name the data directory relative to where the scheduler
// starts the program; the scripts still find the files.
TEST_F(ProgramExport, RelativeDataDirectoryIsTakenFromTheWorkingDirectory) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    InstallDemoCompany(scratch, "datos", "1");
    Start("01");
    ASSERT_TRUE(Finished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(ArchiveEntries((destination.Home() / ArchiveFor("C1", "P1")).string()),
              ToolFiles("01"));
    EXPECT_TRUE(std::filesystem::exists(dataDirectory + "/" + ArchiveFor("C1", "P1")));
}

// SIGTERM while comprimir runs, while the client waits for a server that
// never greets, while the run waits to retry a cut upload, and while a
// procedure runs: each ends the program with status 8 within 5 s, and
// nothing reaches a server.
TEST_F(ProgramExport, TerminationSignalStopsTheRunAtEachStageWithStatusEight) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);

    SCOPED_TRACE("script");
    const std::string scriptPid = (scratch.path() / "comprimir.pid").string();
    scratch.Write("datos/comprimir.sh", "echo $$ > " + scriptPid + "\nsleep 60\n");
    Start("01");
    ASSERT_TRUE(TerminateOnceLogged("comprimir: ", scriptPid)) << Log();
    EXPECT_EQ(program.exitCode(), 8) << program.readAllStandardError().toStdString();
    const std::string pid = ReadFile(scriptPid);
    ASSERT_FALSE(pid.empty());
    EXPECT_NE(::kill(std::stoi(pid), 0), 0) << "the script was ended with the run";
    std::filesystem::remove(dataDirectory + "/comprimir.sh");

    SCOPED_TRACE("upload");
    // A server that takes the connection on port 21 and never greets.
    QProcess silent;
    const std::string silentAddress = "127.33." + std::to_string(2 + ::getpid() % 200) + ".21";
    silent.start("/usr/bin/python3", {"-c",
                                      "import socket,sys,time\n"
                                      "s=socket.socket(); s.bind((sys.argv[1],21)); s.listen()\n"
                                      "print('ready', flush=True); c=s.accept(); time.sleep(60)",
                                      QString::fromStdString(silentAddress)});
    ASSERT_TRUE(silent.waitForReadyRead(10000)) << silent.readAllStandardError().toStdString();
    PointDestinationsAt(silentAddress);
    Start("01");
    ASSERT_TRUE(TerminateOnceLogged("Subiendo ")) << Log();
    EXPECT_EQ(program.exitCode(), 8) << program.readAllStandardError().toStdString();
    silent.kill();
    silent.waitForFinished(5000);
    PointDestinationsAt(destination.Address());

    SCOPED_TRACE("retry wait");
    FtpDestination cutting(scratch.path() / "cut", {"cut=all"});
    ASSERT_FALSE(cutting.Address().empty()) << cutting.Failure();
    PointDestinationsAt(cutting.Address());
    Start("01");
    ASSERT_TRUE(TerminateOnceLogged("Reintento 1 de 3 en 60 s")) << Log();
    EXPECT_EQ(program.exitCode(), 8) << program.readAllStandardError().toStdString();
    PointDestinationsAt(destination.Address());

    SCOPED_TRACE("extract");
    Execute(
        "ALTER PROCEDURE REP_VENTASDET_ZEL (INI VARCHAR(10), FIN VARCHAR(10), SUC INTEGER, "
        "FAM VARCHAR(20)) RETURNS (CODARTI VARCHAR(15), NITCLI VARCHAR(20), FECDOC VARCHAR(8), "
        "NUMDOC VARCHAR(8), CANT NUMERIC(15,4), TOTITEM NUMERIC(15,2), UNIDAD VARCHAR(8), "
        "TIPO VARCHAR(1), COSTO NUMERIC(15,2), CODVEND VARCHAR(22)) AS DECLARE I INTEGER = 0; "
        "BEGIN WHILE (I < 2000000000) DO I = I + 1; SUSPEND; END");
    Start("01");
    ASSERT_TRUE(TerminateOnceLogged("Generando archivo Ventas.")) << Log();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 8) << program.readAllStandardError().toStdString();
    EXPECT_THAT(destination.Commands(), ::testing::IsEmpty());
    EXPECT_THAT(Log(), HasSubstr("fin: estado 8"));
}

// What comprimir left is uploaded only when comprimir ended well and the zip
// holds exactly the ten files this run wrote, each as written.
TEST_F(ProgramExport, AnArchiveThatIsNotThisRunsTenFilesIsNeverUploaded) {
    FtpDestination destination(scratch.path());
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=1\n");
    const std::string archive = ArchiveFor("C1", "P1");
    const std::pair<std::string, std::string> cases[] = {
        {"printf 'no es zip' > \"$1\"\nexit 1", "comprimir terminó con estado 1"},
        {"zip -q -X -j \"$1\" $(ls *.txt | grep -v Ventas.txt)",
         "El archivo " + archive + " no contiene Ventas.txt"},
        {"echo otra >> Ventas.txt\nzip -q -X -j \"$1\" *.txt",
         "El archivo " + archive + ": Ventas.txt no coincide con el generado"},
    };
    for (const auto& [comprimir, problem] : cases) {
        SCOPED_TRACE(problem);
        scratch.Write("datos/comprimir.sh", comprimir + "\n");
        Start("01");
        ASSERT_TRUE(Finished(60000));
        EXPECT_EQ(program.exitCode(), 5);
        EXPECT_THAT(program.readAllStandardError().toStdString(), HasSubstr("tramex: " + problem));
        EXPECT_THAT(Log(), HasSubstr("aviso: " + problem));
        EXPECT_THAT(destination.Commands(), ::testing::IsEmpty());
        EXPECT_TRUE(std::filesystem::exists(dataDirectory + "/SKU.txt")) << "eliminar did not run";
    }
}

// A cut upload is deleted and tried again; cut every time, the run ends
// with status 6 after its retries, nothing left under the final name.
TEST_F(ProgramExport, ACutUploadIsRetriedAndNeverLeftTruncated) {
    FtpDestination destination(scratch.path(), {"cut=1"});
    POINT_DESTINATIONS_AT_OR_SKIP(destination);
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=1\n[FTP]\nEsperaReintentoSegundos=1\n");
    const std::string archive = ArchiveFor("C1", "P1");
    Start("01");
    ASSERT_TRUE(Finished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(ReadFile((destination.Home() / archive).string()),
              ReadFile(dataDirectory + "/" + archive));
    // The client's scenarios check the DELE of a cut store and the SIZE check.
    EXPECT_THAT(Log(), HasSubstr("Reintento 1 de 3 en 1 s: Error subiendo " + archive + " a " +
                                 destination.Address() +
                                 ":21 (STOR): Corte de prueba; transferencia abortada."));

    FtpDestination cutting(scratch.path() / "cut", {"cut=all"});
    ASSERT_FALSE(cutting.Address().empty()) << cutting.Failure();
    PointDestinationsAt(cutting.Address());
    WriteOptions(
        "[Desatendido]\nLimiteAvisosSegundos=1\n[FTP]\nReintentos=2\n"
        "EsperaReintentoSegundos=1\n");
    Start("01");
    ASSERT_TRUE(Finished(60000));
    EXPECT_EQ(program.exitCode(), 6);
    const std::vector<std::string> commands = cutting.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "STOR " + archive), 3);
    EXPECT_FALSE(std::filesystem::exists(cutting.Home() / archive));
}

// Another program has the company's database open in its embedded engine.
TEST_F(ProgramExport, ADatabaseHeldByAnotherProgramIsSaidSoWithStatusThree) {
    Connection holder;
    holder.SetEntry("Database", database);
    holder.SetEntry("User_Name", "SYSDBA");
    holder.SetEntry("Password", "masterkey");
    holder.Open();
    WriteOptions("[Desatendido]\nLimiteAvisosSegundos=1\n");
    Start("01");
    ASSERT_TRUE(ErrorsShow("está abierta por otro programa con el motor integrado", 30000))
        << errors;
    ASSERT_TRUE(Finished(10000));
    EXPECT_EQ(program.exitCode(), 3);
    holder.Close();
}

}  // namespace
}  // namespace tramex::testing
