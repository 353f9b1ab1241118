// POSIX termination signals: the handler only records the request.
#include "platform/TerminationSignals.h"

#include "common/Interruption.h"

#include <csignal>

namespace tramex {
namespace {

extern "C" void OnTerminationSignal(int signal) {
    switch (signal) {
        case SIGTERM:
            interruption::Request("SIGTERM");
            break;
        case SIGINT:
            interruption::Request("SIGINT");
            break;
        default:
            interruption::Request("SIGHUP");
            break;
    }
}

}  // namespace

void InstallTerminationHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace tramex
