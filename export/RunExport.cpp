// The export run's order: lock, files, scripts, upload. Only an archive of
// exactly the files this run wrote, made by its comprimir, is ever uploaded.
#include "export/RunExport.h"

#include "common/Interruption.h"
#include "export/DataDirectoryLock.h"
#include "export/ExtractRun.h"
#include "export/ReportCommands.h"
#include "export/RunArchive.h"
#include "export/RunLock.h"
#include "export/RunLog.h"
#include "export/RunUpload.h"
#include "platform/ScriptLaunch.h"

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
    std::string reason;
    auto process = LaunchDeploymentScript(name, parameters, directory, &reason);
    // The windowed Windows program has no standard error: the log keeps why.
    if (!process && !found.empty()) runlog::Write(reason);
    return {name, std::move(process), Clock::now()};
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
    return UploadArchive(run, ftp, display, options);
}

}  // namespace tramex
