// Windows console events: Ctrl+C, Ctrl+Break, the console's close, logoff and
// shutdown. A window's close and end-of-session messages reach the windows
// themselves. Returning TRUE keeps the process alive until the run stops.
#include "platform/TerminationSignals.h"

#include "common/Interruption.h"

#include <windows.h>

namespace tramex {
namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            interruption::Request("Ctrl+C");
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            interruption::Request("fin de sesión");
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void InstallTerminationHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace tramex
