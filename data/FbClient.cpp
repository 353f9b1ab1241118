// The client library's entry point and the formatting of its errors.
#include "data/FbClient.h"

#include "data/DatabaseError.h"
#include "data/DynamicLibrary.h"

#include "common/Interruption.h"

#include <ibase.h>
#include <iberror.h>

#include <array>

namespace tramex::fb {
namespace {

using MasterEntry = Firebird::IMaster* (*)();

// Errors the client raises itself when the server cannot be reached: there
// is no server text to show, only the client's own.
bool RaisedByClient(const intptr_t* errors) {
    if (errors[0] != isc_arg_gds) return false;
    switch (errors[1]) {
        case isc_network_error:
        case isc_net_connect_err:
        case isc_net_connect_listen_err:
        case isc_net_lookup_err:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_unavailable:
            return true;
        default:
            return false;
    }
}

// Anywhere in the status vector: the embedded engine of another program
// has the database file open.
bool HeldByAnotherEngine(const intptr_t* errors) {
    for (const intptr_t* at = errors; *at != isc_arg_end; at += 2) {
        if (at[0] == isc_arg_gds && (at[1] == isc_already_opened || at[1] == isc_instance_conflict))
            return true;
        if (at[0] == isc_arg_cstring) ++at;  // length, then the text
    }
    return false;
}

std::string WithCrLf(const char* text) {
    std::string result;
    for (const char* c = text; *c; ++c) {
        if (*c == '\n' && (c == text || c[-1] != '\r')) result += '\r';
        result += *c;
    }
    return result;
}

using ShutdownCallbackEntry = ISC_STATUS (*)(ISC_STATUS*, FB_SHUTDOWN_CALLBACK, const int, void*);

// The client library answers SIGINT and SIGTERM by shutting down every
// attachment ("connection shutdown") and leaves the process running. Asked
// first, we refuse that and turn the signal into a stop of the run, which
// detaches by itself at its next safe point.
int OnClientShutdown(const int reason, const int, void*) {
    if (reason != fb_shutrsn_signal) return 0;
    interruption::Request("señal de terminación");
    return 1;
}

void TakeOverSignalShutdown(const DynamicLibrary& library) {
    static bool registered = false;
    if (registered) return;
    auto entry = reinterpret_cast<ShutdownCallbackEntry>(library.Symbol("fb_shutdown_callback"));
    if (!entry) return;
    ISC_STATUS status[20] = {};
    entry(status, OnClientShutdown, fb_shut_confirmation, nullptr);
    registered = true;
}

}  // namespace

Firebird::IMaster* MasterOf(const std::string& libraryName) {
    const DynamicLibrary& library = DynamicLibrary::Load(libraryName);
    auto entry = reinterpret_cast<MasterEntry>(library.Symbol("fb_get_master_interface"));
    if (!entry) throw LibraryLoadError(libraryName);
    TakeOverSignalShutdown(library);
    return entry();
}

void RaiseDatabaseError(Firebird::IMaster* master, const Firebird::FbException& error,
                        const std::string& operation) {
    std::array<char, 8192> text{};
    master->getUtilInterface()->formatStatus(text.data(), static_cast<unsigned>(text.size() - 1),
                                             error.getStatus());
    std::string statusText = WithCrLf(text.data());
    const intptr_t* errors = error.getStatus()->getErrors();
    if (RaisedByClient(errors)) throw DatabaseError(statusText, "");
    if (HeldByAnotherEngine(errors)) throw DatabaseInUseError(operation + " failed", statusText);
    throw DatabaseError(operation + " failed", statusText);
}

}  // namespace tramex::fb
