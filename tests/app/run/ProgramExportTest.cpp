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

#include <filesystem>
#include <iomanip>
#include <random>
#include <sstream>

namespace tramex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

// A pyftpdlib server for one test on port 21 of a loopback address nobody
// else uses, so tests and the demo never meet on the port.
class FtpDestination {
  public:
    explicit FtpDestination(const std::filesystem::path& folder)
        : home_(folder / "ftp-home"), log_((folder / "ftp-commands.log").string()) {
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
        server_.start("/usr/bin/python3",
                      {TRAMEX_SOURCE_DIR "/tests/app/run/ftp_destination.py",
                       QString::fromStdString(address), "21", "demo", "demo",
                       QString::fromStdString(home_.string()), QString::fromStdString(log_)});
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
    std::string address_;
    std::string failure_;
    QProcess server_;
};

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

    void Start(const std::string& family) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_DIRS",
                           QString::fromStdString((scratch.path() / "xdg").string()));
        program.setProcessEnvironment(environment);
        program.start(TRAMEX_BINARY_DIR "/tramex",
                      {QString::fromStdString(family), "0", "001", "30"});
        ASSERT_TRUE(program.waitForStarted(10000));
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
};

TEST_F(ProgramExport, UnattendedRunUploadsTheArchiveOfTheToolsFilesAndEndsWithStatusZero) {
    FtpDestination destination(scratch.path());
    if (destination.PortNeedsPrivilege())
        GTEST_SKIP() << "port 21 needs root: " << destination.Failure();
    ASSERT_FALSE(destination.Address().empty()) << destination.Failure();
    PointDestinationsAt(destination.Address());
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
        std::vector<std::string> upload = {"PASV", "REST 0", "STOR " + archive, "QUIT"};
        if (!run.folder.empty()) upload.insert(upload.begin(), "CWD " + run.folder);
        EXPECT_THAT(std::vector<std::string>(commands.end() - static_cast<long>(upload.size()),
                                             commands.end()),
                    ::testing::ElementsAreArray(upload));
        EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                                [](const std::string& c) { return c.rfind("CWD", 0) == 0; }),
                  run.folder.empty() ? 0 : 1);
    }
}

TEST_F(ProgramExport, RefusedLoginIsShownAndTheProgramStaysOpen) {
    FtpDestination destination(scratch.path());
    if (destination.PortNeedsPrivilege())
        GTEST_SKIP() << "port 21 needs root: " << destination.Failure();
    ASSERT_FALSE(destination.Address().empty()) << destination.Failure();
    PointDestinationsAt(destination.Address());
    Execute("UPDATE CONFIGURA_LINKFTP SET CFLK_CLAVE = 'otra'");
    Start("01");

    ASSERT_TRUE(ErrorsShow("tramex: Authentication failed.", 30000)) << errors;
    EXPECT_FALSE(Finished(1000)) << "an error box keeps the program open, also unattended";
    const std::string archive = ArchiveFor("C1", "P1");
    EXPECT_TRUE(std::filesystem::exists(dataDirectory + "/" + archive))
        << "the run reached the upload";
    EXPECT_FALSE(std::filesystem::exists(destination.Home() / archive));
    EXPECT_THAT(destination.Commands(), IsSupersetOf({"USER demo", "PASS otra"}));
    EXPECT_THAT(destination.Commands(), ::testing::Not(::testing::Contains("PASV")));
}

TEST_F(ProgramExport, FamilyWithoutADestinationWritesNothing) {
    Start("09");
    ASSERT_TRUE(ErrorsShow("tramex: Debe configurar el host de destino para esa familia", 30000))
        << errors;
    EXPECT_FALSE(Finished(500)) << "the box waits for its OK";
    EXPECT_TRUE(std::filesystem::is_empty(dataDirectory));
}

}  // namespace
}  // namespace tramex::testing
