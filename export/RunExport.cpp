// The export run's order: files, scripts, upload. The scripts' outcome is
// judged only by whether the archive is there afterwards.
#include "export/RunExport.h"

#include "export/ExtractRun.h"
#include "export/RunArchive.h"
#include "platform/ScriptLaunch.h"
#include "transfer/FtpClient.h"

#include <cstdio>
#include <memory>

namespace tramex {
namespace {

// The window stays blocked meanwhile: no event is processed during a wait.
void WaitForScript(ScriptProcess* script, const char* name, int limitMs) {
    if (!script || script->WaitForEnd(limitMs)) return;
    std::fprintf(stderr, "tramex: %s is still running after %d ms; the run goes on\n", name,
                 limitMs);
}

void PackAndCleanUp(const ParametrosEnvio& parameters, const ScriptWaitLimits& limits,
                    RunDisplay& display) {
    const std::string& directory = parameters.DirectorioDatos;
    display.ShowStep("Commprimiendo archivos. espere un momento...");
    const std::unique_ptr<ScriptProcess> comprimir =
        LaunchDeploymentScript("comprimir", {ArchiveName(parameters), directory}, directory);
    WaitForScript(comprimir.get(), "comprimir", limits.comprimirMs);

    display.ShowStep("Archivos comprimidos satisfactoriamente. espere un momento...");
    WaitForScript(comprimir.get(), "comprimir", limits.afterCompressedMs);

    display.ShowStep("Preparando archivos para subir al servidor. espere un momento...");
    const std::unique_ptr<ScriptProcess> eliminar =
        LaunchDeploymentScript("eliminar", {directory}, directory);
    WaitForScript(eliminar.get(), "eliminar", limits.eliminarMs);
}

void Upload(const ParametrosEnvio& parameters, TFtpClient& ftp, RunDisplay& display) {
    ftp.Host = parameters.ServidorFtp;
    ftp.Username = parameters.UsuarioFtp;
    ftp.Password = parameters.ClaveFtp;
    const std::string archivePath = ArchivePath(parameters);
    if (!ArchiveExists(archivePath)) {
        display.Inform(kArchiveMissingMessage);
        return;
    }
    display.SetCaption("Subiendo archivo al servidor FTP...");
    // A connection left open by an earlier run that failed in this window.
    if (ftp.IsConnected()) ftp.Disconnect();
    ftp.Connect();
    // Connect returns logged in or raises; a server that hangs up right after
    // the login is the one way to arrive here unconnected.
    if (!ftp.IsConnected()) {
        display.Inform(kFtpConnectFailedMessage);
        return;
    }
    if (!parameters.UbicaDoc.empty()) ftp.ChangeDirectory(parameters.UbicaDoc);
    ftp.StoreFile(archivePath, ArchiveName(parameters), false, 0);
    ftp.Disconnect();
}

}  // namespace

void RunExport(Connection& connection, const ParametrosEnvio& parameters, TFtpClient& ftp,
               const ScriptWaitLimits& limits, RunDisplay& display) {
    display.FlashPanel();
    ExtractProgress progress;
    progress.stepStarted = [&display](const std::string& message) { display.ShowStep(message); };
    WriteExtractFiles(connection, parameters, progress);
    PackAndCleanUp(parameters, limits, display);
    Upload(parameters, ftp, display);
}

}  // namespace tramex
