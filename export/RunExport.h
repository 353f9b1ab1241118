// One export run: the ten extract files, the compression and clean-up
// scripts, and the upload of the archive to the family's server, under the
// data directory's lock. The caller ends the program when it returns.
#pragma once

#include "export/RunOptions.h"
#include "export/RunStatus.h"
#include "session/ParametrosEnvio.h"

#include <string>

namespace tramex {

class Connection;
class TFtpClient;

// Upper bounds of the waits for the deployment scripts, in ms. The run goes
// on as soon as a script has ended; a comprimir still running after both
// waits is ended and nothing is uploaded.
struct ScriptWaitLimits {
    int comprimirMs = 60000;
    int afterCompressedMs = 60000;  // only while comprimir is still running
    int eliminarMs = 300000;
};

// What the run shows on its window.
class RunDisplay {
  public:
    virtual ~RunDisplay() = default;
    // Status panel: shown once and hidden again, before the first step.
    virtual void FlashPanel() = 0;
    // Status panel: hides it, sets the caption, shows it and repaints at once.
    virtual void ShowStep(const std::string& message) = 0;
    // Status panel: sets the caption and repaints, nothing else.
    virtual void SetCaption(const std::string& message) = 0;
    // An operator message box; returns when it is answered.
    virtual void Inform(const std::string& message) = 0;
};

inline constexpr const char* kFtpConnectFailedMessage = "Error conectándose al servidor FTP";
inline constexpr const char* kArchiveMissingMessage = "No se encontró el archivo a importar.";

// Returns Uploaded once the server confirmed the archive, Packing when there
// was no fresh archive to upload, Ftp when the server hung up right after
// the login (each told with its message box). Every other failure raises:
// RunFailure with the stage's status (the error's own text kept; an upload
// failure names the archive, the server and the FTP step first), or
// InterruptedError on a stop request.
ExitStatus RunExport(Connection& connection, const ParametrosEnvio& parameters, TFtpClient& ftp,
                     const ScriptWaitLimits& limits, RunDisplay& display,
                     const RunOptions& options = CurrentRunOptions());

// The data directory made absolute against the working directory.
std::string AbsoluteDataDirectory(const std::string& directory);

}  // namespace tramex
