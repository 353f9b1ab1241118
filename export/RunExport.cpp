// The export run's order: lock, files, scripts, upload. Only a fresh archive
// made by this run's comprimir is ever uploaded.
#include "export/RunExport.h"

#include "common/Interruption.h"
#include "export/DataDirectoryLock.h"
#include "export/ExtractRun.h"
#include "export/FtpServerSetting.h"
#include "export/ReportCommands.h"
#include "export/RunArchive.h"
#include "export/RunLog.h"
#include "platform/ScriptLaunch.h"
#include "transfer/FtpClient.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>

namespace tramex {
namespace {

using Clock = std::chrono::steady_clock;

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string FileSizeText(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(Utf8Path(path), error);
    return error ? "?" : std::to_string(size);
}

// Runs one stage; an error that is not yet a RunFailure becomes one with the
// stage's status and the error's own text.
template <typename Stage>
auto InStage(ExitStatus stage, Stage&& run) {
    try {
        return run();
    } catch (const RunFailure&) {
        throw;
    } catch (const InterruptedError&) {
        throw;
    } catch (const std::exception& error) {
        const ExitStatus status = StatusOfError(error, stage);
        if (status == ExitStatus::Interrupted) throw InterruptedError(interruption::Reason());
        throw RunFailure(status, error.what());
    }
}

void Show(RunDisplay& display, const std::string& message) {
    runlog::Write(message);
    display.ShowStep(message);
}

void WriteFiles(Connection& connection, const ParametrosEnvio& run, RunDisplay& display) {
    ExtractProgress progress;
    progress.stepStarted = [&display](const std::string& message) {
        interruption::ThrowIfRequested();
        Show(display, message);
    };
    progress.fileWritten = [&run](const std::string& fileName, std::size_t rows) {
        runlog::Write("archivo " + fileName + ": " + std::to_string(rows) + " filas, " +
                      FileSizeText(run.DirectorioDatos + "/" + fileName) + " bytes");
    };
    WriteExtractFiles(connection, run, progress);
}

// A started script and when it started, for the log.
struct StartedScript {
    std::string name;
    std::unique_ptr<ScriptProcess> process;
    Clock::time_point started;
};

StartedScript StartScript(const std::string& name, const std::vector<std::string>& parameters,
                          const std::string& directory) {
    const std::string file = DeploymentScriptFile(name);
    const std::string found = FindDeploymentScript(file, directory);
    runlog::Write(found.empty() ? file + " no se encontró" : name + ": " + found);
    return {name, LaunchDeploymentScript(name, parameters, directory), Clock::now()};
}

// Waits up to limitMs; a stop request ends the script and the run.
void WaitForScript(StartedScript& script, int limitMs) {
    if (!script.process || script.process->WaitForEnd(limitMs)) return;
    if (interruption::Requested()) {
        script.process->Terminate();
        runlog::Write(script.name + " terminado por la interrupción");
        throw InterruptedError(interruption::Reason());
    }
}

// True when the script ended by itself (logged with its status and time);
// one still running is ended.
bool Finished(StartedScript& script) {
    if (!script.process) return false;
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - script.started)
            .count();
    if (script.process->Running()) {
        script.process->Terminate();
        runlog::Write(script.name + " seguía en curso tras " + std::to_string(ms) +
                      " ms; se terminó");
        return false;
    }
    runlog::Write(script.name + " terminó con estado " +
                  std::to_string(script.process->ExitCode()) + " en " + std::to_string(ms) + " ms");
    return true;
}

void RemoveStaleArchive(const std::string& archivePath) {
    std::error_code error;
    std::filesystem::remove(Utf8Path(archivePath), error);
    if (error) {
        throw RunFailure(ExitStatus::Packing,
                         "No se pudo borrar el archivo " + archivePath + ": " + error.message());
    }
}

// True when comprimir left a fresh archive; eliminar runs only then, so the
// ten files stay for diagnosis otherwise.
bool PackAndCleanUp(const ParametrosEnvio& run, const ScriptWaitLimits& limits,
                    RunDisplay& display) {
    const std::string& directory = run.DirectorioDatos;
    const std::string archivePath = ArchivePath(run);
    Show(display, "Commprimiendo archivos. espere un momento...");
    RemoveStaleArchive(archivePath);
    StartedScript comprimir = StartScript("comprimir", {ArchiveName(run), directory}, directory);
    WaitForScript(comprimir, limits.comprimirMs);

    Show(display, "Archivos comprimidos satisfactoriamente. espere un momento...");
    WaitForScript(comprimir, limits.afterCompressedMs);
    const bool packed = Finished(comprimir) && ArchiveExists(archivePath);

    Show(display, "Preparando archivos para subir al servidor. espere un momento...");
    if (!packed) {
        runlog::Write("no hay archivo " + archivePath + "; eliminar no se ejecuta");
        return false;
    }
    runlog::Write("archivo " + ArchiveName(run) + ": " + FileSizeText(archivePath) + " bytes");
    StartedScript eliminar = StartScript("eliminar", {directory}, directory);
    WaitForScript(eliminar, limits.eliminarMs);
    if (eliminar.process && !Finished(eliminar)) runlog::Write("eliminar no terminó a tiempo");
    return true;
}

// Logs the dialogue (the client never shows a password) and keeps the step
// a failure names: the last command sent, other than the QUIT with which
// the client leaves after a failure.
void TraceDialogue(TFtpClient& ftp, std::string& step) {
    step = "conexión";
    ftp.CommandSent = [&step](const std::string& command) {
        runlog::Write("FTP > " + command);
        const std::string verb = command.substr(0, command.find(' '));
        if (verb != "QUIT") step = verb;
    };
    ftp.ReplyReceived = [](int code) { runlog::Write("FTP < " + std::to_string(code)); };
    ftp.Notice = [](const std::string& text) { runlog::Write("FTP: " + text); };
}

// What protected the upload, so a run log shows which certificate was trusted.
void LogTls(const TlsSummary& tls) {
    runlog::Write("FTP cifrado con " + tls.Version + ", " + tls.Cipher + ", certificado " +
                  tls.Fingerprint);
}

std::string ServerAndPort(const TFtpClient& ftp) {
    return ftp.Host + ":" + std::to_string(ftp.Port);
}

std::string UploadContext(const ParametrosEnvio& run, const TFtpClient& ftp,
                          const std::string& step) {
    return "Error subiendo " + ArchiveName(run) + " a " + ServerAndPort(ftp) + " (" + step + "): ";
}

// The destination's server column and the options decide where and how the
// archive goes; a value that cannot be used fails before anything is sent.
void SetDestination(TFtpClient& ftp, const std::string& serverColumn, const RunOptions& options) {
    FtpServerSetting server;
    try {
        server = ReadFtpServerSetting(serverColumn, options.huellasFtps);
    } catch (const std::exception& invalid) {
        throw RunFailure(ExitStatus::Ftp, invalid.what());
    }
    ftp.Host = server.Host;
    if (server.Port != 0) ftp.Port = server.Port;
    ftp.UseTls = server.Tls;
    ftp.ImplicitTls = server.ImplicitTls;
    ftp.PinnedFingerprint = server.PinnedFingerprint;
    ftp.PassiveAddressFromReply = options.usarDireccionDeRespuestaPasiva;
    ftp.UploadWithTemporaryName = options.subirConNombreTemporal;
}

ExitStatus Upload(const ParametrosEnvio& run, TFtpClient& ftp, RunDisplay& display,
                  const RunOptions& options) {
    SetDestination(ftp, run.ServidorFtp, options);
    ftp.Username = run.UsuarioFtp;
    ftp.Password = run.ClaveFtp;
    const std::string archivePath = ArchivePath(run);
    if (!ArchiveExists(archivePath)) {
        display.Inform(kArchiveMissingMessage);
        return ExitStatus::Packing;
    }
    display.SetCaption("Subiendo archivo al servidor FTP...");
    runlog::Write("Subiendo " + ArchiveName(run) + " a " + ServerAndPort(ftp));
    std::string step;
    TraceDialogue(ftp, step);
    // The observers refer to this call's step: they go with it.
    struct Untrace {
        TFtpClient& ftp;
        ~Untrace() {
            ftp.CommandSent = nullptr;
            ftp.ReplyReceived = nullptr;
            ftp.Notice = nullptr;
        }
    } untrace{ftp};
    try {
        // A connection left open by an earlier run that failed in this window.
        if (ftp.IsConnected()) ftp.Disconnect();
        ftp.Connect();
        // Connect returns logged in or raises; a server that hangs up right
        // after the login is the one way to arrive here unconnected.
        if (!ftp.IsConnected()) {
            display.Inform(kFtpConnectFailedMessage);
            return ExitStatus::Ftp;
        }
        if (ftp.UsesTls()) LogTls(ftp.TlsDetails());
        if (!run.UbicaDoc.empty()) ftp.ChangeDirectory(run.UbicaDoc);
        ftp.StoreFile(archivePath, ArchiveName(run), false, 0);
    } catch (const std::exception& error) {
        if (interruption::Requested()) {
            ftp.Close();  // no QUIT: the run stops here
            throw InterruptedError(interruption::Reason());
        }
        throw RunFailure(ExitStatus::Ftp, UploadContext(run, ftp, step) + error.what());
    }
    runlog::Write("archivo " + ArchiveName(run) + " almacenado y confirmado por el servidor");
    // The archive is on the server: what QUIT meets no longer matters.
    try {
        ftp.Disconnect();
    } catch (const std::exception& error) {
        runlog::Write(std::string("QUIT tras la subida: ") + error.what());
    }
    return ExitStatus::Uploaded;
}

}  // namespace

// The scripts run inside the data directory and change into their
// parameter again: a relative path would be taken twice.
std::string AbsoluteDataDirectory(const std::string& directory) {
    if (directory.empty()) return directory;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(Utf8Path(directory), error);
    if (error) return directory;
    absolute = absolute.lexically_normal();
    // "datos/" ends in an empty name: the run adds its own separator.
    if (!absolute.has_filename() && absolute != absolute.root_path())
        absolute = absolute.parent_path();
    const std::u8string text = absolute.u8string();
    return std::string(text.begin(), text.end());
}

ExitStatus RunExport(Connection& connection, const ParametrosEnvio& parameters, TFtpClient& ftp,
                     const ScriptWaitLimits& limits, RunDisplay& display,
                     const RunOptions& options) {
    display.FlashPanel();
    ParametrosEnvio run = parameters;
    run.DirectorioDatos = AbsoluteDataDirectory(parameters.DirectorioDatos);
    runlog::Write("exportación: familia " + run.Familia + ", agencia " + run.IdAgencia +
                  ", fecha " + DateText(run.Fecha) + ", directorio " + run.DirectorioDatos);
    const auto lock = InStage(ExitStatus::ExtractFiles, [&] {
        return DataDirectoryLock::Acquire(
            run.DirectorioDatos, options.esperaOtraExportacionSegundos * 1000,
            [&] { Show(display, WaitingForOtherExportMessage(run.DirectorioDatos)); });
    });
    InStage(ExitStatus::ExtractFiles, [&] { WriteFiles(connection, run, display); });
    const bool packed =
        InStage(ExitStatus::Packing, [&] { return PackAndCleanUp(run, limits, display); });
    if (!packed) {
        display.Inform(kArchiveMissingMessage);
        return ExitStatus::Packing;
    }
    return Upload(run, ftp, display, options);
}

}  // namespace tramex
