// One export run, steps 1 to 16: the ten extract files, the compression and
// clean-up scripts, and the upload of the archive to the family's server.
// The caller tells the application to terminate when it returns.
#pragma once

#include "session/ParametrosEnvio.h"

#include <string>

namespace tramex {

class Connection;
class TFtpClient;

// Upper bounds of the waits for the deployment scripts, in ms. The run goes
// on as soon as a script has ended; a script that takes longer is left
// running and the archive test decides.
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

// Any database or FTP error ends the run where it happens and propagates.
void RunExport(Connection& connection, const ParametrosEnvio& parameters, TFtpClient& ftp,
               const ScriptWaitLimits& limits, RunDisplay& display);

}  // namespace tramex
