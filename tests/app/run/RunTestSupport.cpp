// The export run tests' fixture: database copy, data directory, scripts, the
// modal window inside an application loop, archive reading.
#include "RunTestSupport.h"

#include "common/Interruption.h"
#include "export/RunLog.h"
#include "export/RunStatus.h"

#include "app/MessageBox.h"
#include "export/ExtractRun.h"
#include "tests/support/db/DemoDatabase.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tramex::testing {
namespace {

constexpr int kWindowClosedStatus = 100;
constexpr int kTimedOutStatus = 101;

std::string RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        throw std::runtime_error(program.toStdString() +
                                 " failed: " + tool.readAllStandardError().toStdString());
    }
    return tool.readAllStandardOutput().toStdString();
}

}  // namespace

const std::string& DemoDatabaseTemplate() {
    static ScratchDirectory folder;
    static const std::string path =
        test::CreateDemoDatabase((folder.path() / "erp").string(), "001");
    return path;
}

std::string CopyDemoDatabase(const std::filesystem::path& folder) {
    const auto database = folder / "erp/datos/001/quintor.fdb";
    std::filesystem::create_directories(database.parent_path());
    std::filesystem::copy_file(DemoDatabaseTemplate(), database);
    return database.string();
}

void InstallDemoCompany(ScratchDirectory& scratch, const std::string& dataDirectory,
                        const std::string& mode) {
    scratch.Write("xdg/Dravo/QuintorERP2017.conf",
                  "[General]\nDirectorio=" + (scratch.path() / "install").string() + "\n");
    std::string settings;
    for (const std::string& line :
         {std::string("r1"), std::string("r2"), std::string("r3"),
          (scratch.path() / "erp").string(), dataDirectory, std::string("30"),
          std::string("SYSDBA"), std::string("masterkey"), std::string("001"), mode}) {
        settings += line + "\r\n";
    }
    scratch.Write("install/settingsenvio.conf", settings);
}

std::chrono::year_month_day Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year{local.tm_year + 1900} /
           std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)} /
           std::chrono::day{static_cast<unsigned>(local.tm_mday)};
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::map<std::string, std::string> ArchiveEntries(const std::string& archivePath) {
    std::map<std::string, std::string> entries;
    const QString archive = QString::fromStdString(archivePath);
    std::istringstream names(RunTool("unzip", {"-Z1", archive}));
    for (std::string name; std::getline(names, name);) {
        entries[name] = RunTool("unzip", {"-p", archive, QString::fromStdString(name)});
    }
    return entries;
}

std::map<std::string, std::string> ExpectedExtractFiles(Connection& connection,
                                                        ParametrosEnvio parameters,
                                                        const std::string& directory) {
    std::filesystem::create_directories(directory);
    parameters.DirectorioDatos = directory;
    WriteExtractFiles(connection, parameters);
    std::map<std::string, std::string> files;
    for (const std::string& name : kExtractFiles) files[name] = ReadFile(directory + "/" + name);
    return files;
}

ExportRunTest::ExportRunTest() {
    outcome::ResetForTests();
    interruption::ResetForTests();
    runlog::ResetForTests();
    runlog::Open(scratch.path().string(), "");
    dm.Quintor.SetEntry("Database", CopyDemoDatabase(scratch.path()));
    dm.Quintor.SetEntry("User_Name", "SYSDBA");
    dm.Quintor.SetEntry("Password", "masterkey");

    dataDirectory = (scratch.path() / "datos").string();
    std::filesystem::create_directories(dataDirectory);
    parametros.DirectorioDatos = dataDirectory;
    parametros.ModoAutomatico = "0";
    parametros.IdAgencia = "0";
    parametros.Familia = "01";
    parametros.Fecha = Today();
    parametros.ServidorFtp = "127.0.0.1:" + std::to_string(server.Port());
    parametros.UsuarioFtp = "demo";
    parametros.ClaveFtp = "demo";
    parametros.CodCasa = "C1";
    parametros.CodPartner = "P1";
}

ExportRunTest::~ExportRunTest() {
    delete window.data();
    dm.Quintor.Close();
    EXPECT_TRUE(MessageBox::takeShown().empty()) << "a box nobody expected was shown";
}

Tfcierre& ExportRunTest::CreateWindow() {
    window = new Tfcierre(nullptr, parametros, dm);
    window->FtpClient1.ConnectTimeout = 3000;
    window->FtpClient1.ReadTimeout = 3000;
    window->ScriptWaits = {5000, 5000, 5000};
    return *window;
}

Ending ExportRunTest::RunAsProgram(const std::function<void()>& drive, int limitMs) {
    QTimer show, driver, closed, watchdog;
    for (QTimer* timer : {&show, &driver, &closed, &watchdog}) timer->setSingleShot(true);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (drive) drive();
    });
    QObject::connect(&show, &QTimer::timeout, [&] {
        driver.start(0);
        if (window) window->exec();
        closed.start(0);
    });
    QObject::connect(&closed, &QTimer::timeout,
                     [] { QCoreApplication::exit(kWindowClosedStatus); });
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(kTimedOutStatus); });
    show.start(0);
    watchdog.start(limitMs);
    const int status = QCoreApplication::exec();
    switch (status) {
        case kWindowClosedStatus:
            return Ending::WindowClosed;
        case kTimedOutStatus:
            return Ending::TimedOut;
        default:
            endStatus = status;
            return Ending::ProgramEnded;
    }
}

void ExportRunTest::UseDeploymentScripts() {
    for (const char* script : {"comprimir.sh", "eliminar.sh"}) {
        std::filesystem::copy_file(std::string(TRAMEX_BINARY_DIR) + "/" + script, DataPath(script),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

void ExportRunTest::WriteScript(const std::string& fileName, const std::string& body) {
    std::ofstream(DataPath(fileName), std::ios::binary) << "#!/bin/sh\n" << body << "\n";
}

void ExportRunTest::QueueLogin(int passwordReplyDelayMs, bool hangUp) {
    server.Send("220 Destino de prueba listo").Reply("500 HOST not understood");
    if (passwordReplyDelayMs > 0) {
        server.ReplyAfter(passwordReplyDelayMs, "331 Password required for demo");
    } else {
        server.Reply("331 Password required for demo");
    }
    server.Reply("230 User demo logged in")
        .Reply("500 FEAT not understood")
        .Reply("200 Type set to I")
        .Reply("215 UNIX Type: L8");
    if (hangUp) {
        server.ReplyAndClose("200 Type set to I");
    } else {
        server.Reply("200 Type set to I");
    }
}

std::vector<std::string> ExportRunTest::LoginCommands() const {
    return {"HOST [127.0.0.1]", "USER demo", "PASS demo", "FEAT", "TYPE I", "SYST", "TYPE I"};
}

void ExportRunTest::QueueUploadAndQuit() {
    server.ReplyPassive()
        .Reply("350 Restarting at 0")
        .Reply("150 Opening BINARY mode data connection")
        .ReceiveUpload()
        .Send("226 Transfer complete")
        .Reply("221 Goodbye");
}

bool ExportRunTest::DataFileExists(const std::string& name) const {
    return std::filesystem::exists(DataPath(name));
}

}  // namespace tramex::testing
