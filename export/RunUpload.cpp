// The upload of the run's archive: attempts, the waits between them, and
// what the log records of each.
#include "export/RunUpload.h"

#include "common/Interruption.h"
#include "export/FtpServerSetting.h"
#include "export/RunArchive.h"
#include "export/RunLog.h"
#include "transfer/AntiFreeze.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpRetry.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tramex {
namespace {

using Clock = std::chrono::steady_clock;

void Show(RunDisplay& display, const std::string& message) {
    runlog::Write(message);
    display.ShowStep(message);
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
    ftp.VerifyUpload = options.verificar;
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
        // The window shows the retry's line and still answers meanwhile.
        TAntiFreeze::IdleTurn();
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

}  // namespace

ExitStatus UploadArchive(const ParametrosEnvio& run, TFtpClient& ftp, RunDisplay& display,
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

}  // namespace tramex
