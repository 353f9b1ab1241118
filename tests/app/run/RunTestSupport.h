// Shared by the export run tests: the demo company database built once per
// test program and copied per test, a scratch data directory with the
// deployment scripts, the generation window shown modally inside a running
// application loop as the program does, and helpers to read archives.
#pragma once

#include "app/Tfcierre.h"
#include "data/Tfdm.h"
#include "session/ParametrosEnvio.h"
#include "tests/session/ScratchDirectory.h"
#include "tests/support/ftp/ScriptedFtpServer.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tramex::testing {

inline const std::vector<std::string> kExtractFiles = {"Municipios.txt",
                                                       "TiposDeNegocio.txt",
                                                       "Vendedores.txt",
                                                       "Clientes.txt",
                                                       "SKU.txt",
                                                       "Rutas.txt",
                                                       "Inventario.txt",
                                                       "Ventas.txt",
                                                       "ListadodeFacturas.txt",
                                                       "TotalesdeControl.txt"};

// The demo database file, made on first use by deploy/erp/create-demo-db.sh
// (company 001, sales around today). Raises std::runtime_error on failure.
const std::string& DemoDatabaseTemplate();

// A copy of the demo database at folder/erp/datos/001/quintor.fdb; its path.
std::string CopyDemoDatabase(const std::filesystem::path& folder);
// An ERP installation in scratch, found through the registry stand-in under
// scratch/xdg, whose settings reach company 001 of the copy above and write
// the extract files to dataDirectory; mode "1" runs unattended.
void InstallDemoCompany(ScratchDirectory& scratch, const std::string& dataDirectory,
                        const std::string& mode);

// Today on this machine's calendar, as the demo data and the main window see it.
std::chrono::year_month_day Today();

std::string ReadFile(const std::string& path);
// name -> bytes of every entry of a zip archive (read with unzip).
std::map<std::string, std::string> ArchiveEntries(const std::string& archivePath);
// The ten extract files written by the extract run alone into directory.
std::map<std::string, std::string> ExpectedExtractFiles(Connection& connection,
                                                        ParametrosEnvio parameters,
                                                        const std::string& directory);

// How the application loop around the modal window ended.
enum class Ending {
    ProgramEnded,  // the run told the application to terminate (endStatus)
    WindowClosed,  // the window's modal loop ended without that
    TimedOut,
};

class ExportRunTest : public ::testing::Test {
  protected:
    ExportRunTest();
    ~ExportRunTest() override;

    // The window for the run parameters and data module below; not shown yet.
    Tfcierre& CreateWindow();
    // Shows the window modally inside a running application loop, as the
    // generate request does; drive runs once the window is up.
    Ending RunAsProgram(const std::function<void()>& drive = {}, int limitMs = 30000);

    // The real comprimir.sh and eliminar.sh (as the build copied them) in
    // the data directory, where the run looks first.
    void UseDeploymentScripts();
    void WriteScript(const std::string& fileName, const std::string& body);

    // Greeting and login of the client as configured here (HOST, USER, PASS,
    // FEAT, TYPE, SYST, TYPE), and the commands it sends for them. The 331
    // reply may come late; hangUp closes the connection after the last reply.
    void QueueLogin(int passwordReplyDelayMs = 0, bool hangUp = false);
    std::vector<std::string> LoginCommands() const;
    // PASV, REST 0, STOR with the upload received, then QUIT.
    void QueueUploadAndQuit();

    std::string DataPath(const std::string& name) const { return dataDirectory + "/" + name; }
    bool DataFileExists(const std::string& name) const;

    ScratchDirectory scratch;
    std::string dataDirectory;
    Tfdm dm;
    ParametrosEnvio parametros;
    testftp::ScriptedFtpServer server{3000};
    QPointer<Tfcierre> window;
    int endStatus = -1;  // the status the run ended the program with
};

}  // namespace tramex::testing
