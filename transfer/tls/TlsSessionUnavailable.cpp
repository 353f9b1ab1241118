// Builds without a TLS library: an FTPS destination fails with a clear text
// instead of sending the login in clear.
#include "transfer/TlsSession.h"

namespace tramex {

std::unique_ptr<TTlsSession> CreateClientTlsSession(TSocketHandler&, const TlsSettings&,
                                                    const TTlsSession*) {
    throw ETlsUnavailable();
}

}  // namespace tramex
