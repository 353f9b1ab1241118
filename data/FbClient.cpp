// The client library's entry point and the formatting of its errors.
#include "data/FbClient.h"

#include "data/DatabaseError.h"
#include "data/DynamicLibrary.h"

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

std::string WithCrLf(const char* text) {
    std::string result;
    for (const char* c = text; *c; ++c) {
        if (*c == '\n' && (c == text || c[-1] != '\r')) result += '\r';
        result += *c;
    }
    return result;
}

}  // namespace

Firebird::IMaster* MasterOf(const std::string& libraryName) {
    const DynamicLibrary& library = DynamicLibrary::Load(libraryName);
    auto entry = reinterpret_cast<MasterEntry>(library.Symbol("fb_get_master_interface"));
    if (!entry) throw LibraryLoadError(libraryName);
    return entry();
}

void RaiseDatabaseError(Firebird::IMaster* master, const Firebird::FbException& error,
                        const std::string& operation) {
    std::array<char, 8192> text{};
    master->getUtilInterface()->formatStatus(text.data(), static_cast<unsigned>(text.size() - 1),
                                             error.getStatus());
    std::string statusText = WithCrLf(text.data());
    if (RaisedByClient(error.getStatus()->getErrors())) throw DatabaseError(statusText, "");
    throw DatabaseError(operation + " failed", statusText);
}

}  // namespace tramex::fb
