// The export run's order: lock, files, scripts, upload. Only a fresh archive
// made by this run's comprimir is ever uploaded.
#include "export/RunExport.h"

#include "common/Interruption.h"
#include "export/DataDirectoryLock.h"
#include "export/ExtractRun.h"
#include "export/FtpServerSetting.h"
#include "export/ReportCommands.h"
#include "export/RunArchive.h"
#include "export/RunLock.h"
#include "export/RunLog.h"
#include "platform/ScriptLaunch.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpRetry.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

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

std::vector<ArchiveEntry> WriteFiles(Connection& connection, const ParametrosEnvio& run,
                                     RunDisplay& display) {
    ExtractProgress progress;
    progress.stepStarted = [&display](const std::string& message) {
        interruption::ThrowIfRequested();
        Show(display, message);
    };
    progress.fileWritten = [&run](const std::string& fileName, std::size_t rows) {
        runlog::Write("archivo " + fileName + ": " + std::to_string(rows) + " filas, " +
                      FileSizeText(run.DirectorioDatos + "/" + fileName) + " bytes");
    };
    return WriteExtractFiles(connection, run, progress);
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

// Empty text when comprimir ended well and left an archive of exactly the
// files this run wrote; otherwise what is wrong, as the box says it. A
// script that failed may still have left something under the archive's name.
std::string PackingProblem(StartedScript& comprimir, const ParametrosEnvio& run,
                           const std::vector<ArchiveEntry>& written) {
    const std::string archivePath = ArchivePath(run);
    if (!Finished(comprimir) || !ArchiveExists(archivePath)) return kArchiveMissingMessage;
    const int status = comprimir.process->ExitCode();
    if (status != 0) return "comprimir terminó con estado " + std::to_string(status);
    return ArchiveMismatch(archivePath, ArchiveName(run), written);
}

// Empty text when comprimir left the archive to upload; eliminar runs only
// then, so the ten files stay for diagnosis otherwise.
std::string PackAndCleanUp(const ParametrosEnvio& run, const std::vector<ArchiveEntry>& written,
                           const ScriptWaitLimits& limits, RunDisplay& display) {
    const std::string& directory = run.DirectorioDatos;
    const std::string archivePath = ArchivePath(run);
    Show(display, "Commprimiendo archivos. espere un momento...");
    RemoveStaleArchive(archivePath);
    StartedScript comprimir = StartScript("comprimir", {ArchiveName(run), directory}, directory);
    WaitForScript(comprimir, limits.comprimirMs);

    Show(display, "Archivos comprimidos satisfactoriamente. espere un momento...");
    WaitForScript(comprimir, limits.afterCompressedMs);
    const std::string problem = PackingProblem(comprimir, run, written);

    Show(display, "Preparando archivos para subir al servidor. espere un momento...");
    if (!problem.empty()) {
        runlog::Write("no hay archivo que subir en " + archivePath + "; eliminar no se ejecuta");
        return problem;
    }
    runlog::Write("archivo " + ArchiveName(run) + ": " + FileSizeText(archivePath) + " bytes");
    StartedScript eliminar = StartScript("eliminar", {directory}, directory);
    WaitForScript(eliminar, limits.eliminarMs);
    if (eliminar.process && !Finished(eliminar)) runlog::Write("eliminar no terminó a tiempo");
    return {};
}

// Logs the dialogue (the client never shows a password) and keeps the step
// a failure names: the last command sent, other than the QUIT with which
// the client leaves and the DELE with which it cleans up after a failure.
void TraceDialogue(TFtpClient& ftp, std::string& step) {
    step = "conexión";
    ftp.CommandSent = [&step](const std::string& command) {
        runlog::Write("FTP > " + command);
        const std::string verb = command.substr(0, command.find(' '));
        if (verb != "QUIT" && verb != "DELE") step = verb;
    };
    ftp.ReplyReceived = [](int code) { runlog::Write("FTP < " + std::to_string(code)); };
    ftp.Noted = [](const std::string& text) { runlog::Write("FTP: " + text); };
}

// What protected the upload, so a run log shows which certificate was trusted.
void LogTls(const TlsSummary& tls) {
    runlog::Write("FTP cifrado con " + tls.Version + ", " + tls.Cipher + ", certificado " +
                  tls.Fingerprint);
}

std::string UploadContext(const ParametrosEnvio& run, const TFtpClient& ftp,
                          const std::string& step) {
    return "Error subiendo " + ArchiveName(run) + " a " + run.ServidorFtp + ":" +
           std::to_string(ftp.Port) + " (" + step + "): ";
}

// One attempt: connect, change directory, store and check. Returns
// Uploaded, or Ftp when the server hung up right after the login; raises
// what failed as the client raised it.
ExitStatus UploadOnce(const ParametrosEnvio& run, TFtpClient& ftp, RunDisplay& display) {
    // A connection left open by an earlier attempt or run.
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
    ftp.StoreFile(ArchivePath(run), ArchiveName(run), false, 0);
    const std::string& checked = ftp.LastStoreCheck();
    runlog::Write(!ftp.VerifyUpload ? std::string("sin verificación ([FTP] Verificar=0)")
                  : checked.empty() ? std::string("el servidor no ofrece verificación")
                                    : "verificado: " + checked);
    return ExitStatus::Uploaded;
}

// Waits seconds before the next attempt; a stop request ends the wait at once.
void WaitBeforeRetry(int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        interruption::ThrowIfRequested();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    interruption::ThrowIfRequested();
}

int RetryWaitSeconds(const RunOptions& options, int retry) {
    long long seconds = options.esperaReintentoSegundos;
    for (int doubled = 1; doubled < retry && seconds < kMaxRetryWaitSeconds; ++doubled)
        seconds *= 2;
    return static_cast<int>(std::min<long long>(seconds, kMaxRetryWaitSeconds));
}

ExitStatus Upload(const ParametrosEnvio& run, TFtpClient& ftp, RunDisplay& display,
                  const RunOptions& options) {
    ftp.UploadWithTemporaryName = options.subirConNombreTemporal;
    ftp.VerifyUpload = options.verificar;
    const FtpServerSetting server = ReadFtpServerSetting(run.ServidorFtp, options.huellasFtps);
    ftp.Host = server.Host;
    ftp.UseTls = server.Tls;
    ftp.PinnedFingerprint = server.PinnedFingerprint;
    ftp.Username = run.UsuarioFtp;
    ftp.Password = run.ClaveFtp;
    const std::string archivePath = ArchivePath(run);
    if (!ArchiveExists(archivePath)) {
        display.Inform(kArchiveMissingMessage);
        return ExitStatus::Packing;
    }
    display.SetCaption("Subiendo archivo al servidor FTP...");
    runlog::Write("Subiendo " + ArchiveName(run) + " a " + run.ServidorFtp + ":" +
                  std::to_string(ftp.Port));
    std::string step;
    TraceDialogue(ftp, step);
    // The observers refer to this call's step: they go with it.
    struct Untrace {
        TFtpClient& ftp;
        ~Untrace() {
            ftp.CommandSent = nullptr;
            ftp.ReplyReceived = nullptr;
            ftp.Noted = nullptr;
        }
    } untrace{ftp};
    for (int retry = 1;; ++retry) {
        step = "conexión";
        try {
            const ExitStatus status = UploadOnce(run, ftp, display);
            if (status != ExitStatus::Uploaded) return status;
            break;
        } catch (const std::exception& error) {
            if (interruption::Requested()) {
                ftp.Close();  // no QUIT: the run stops here
                throw InterruptedError(interruption::Reason());
            }
            const std::string failure = UploadContext(run, ftp, step) + error.what();
            if (retry > options.reintentos || !IsTransientFtpFailure(error))
                throw RunFailure(ExitStatus::Ftp, failure);
            // The server may hold a half-done dialogue: the next attempt starts afresh.
            ftp.Close();
            const int seconds = RetryWaitSeconds(options, retry);
            Show(display, "Reintento " + std::to_string(retry) + " de " +
                              std::to_string(options.reintentos) + " en " +
                              std::to_string(seconds) + " s: " + failure);
            WaitBeforeRetry(seconds);
            display.SetCaption("Subiendo archivo al servidor FTP...");
        }
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
    // Held already when the program took it before attaching the database.
    InStage(ExitStatus::ExtractFiles, [&] {
        runlock::Hold(run.DirectorioDatos, options.esperaOtraExportacionSegundos * 1000,
                      [&] { Show(display, WaitingForOtherExportMessage(run.DirectorioDatos)); });
    });
    const auto written =
        InStage(ExitStatus::ExtractFiles, [&] { return WriteFiles(connection, run, display); });
    const std::string problem =
        InStage(ExitStatus::Packing, [&] { return PackAndCleanUp(run, written, limits, display); });
    if (!problem.empty()) {
        display.Inform(problem);
        return ExitStatus::Packing;
    }
    return Upload(run, ftp, display, options);
}

}  // namespace tramex
