// Termination requests from the system (SIGTERM, SIGINT, SIGHUP; on Windows
// the console's close, logoff and shutdown events) become a stop request for
// the run instead of ending the process where it stands.
#pragma once

namespace tramex {

// Installs the handlers; call once at start-up, before the database client
// library is loaded.
void InstallTerminationHandlers();

}  // namespace tramex
