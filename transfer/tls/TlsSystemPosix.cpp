// Linux: the library as the distribution configures it (Debian's
// openssl.cnf, the administrator's policy) and its certificate folder and
// bundle (/etc/ssl/certs, managed by ca-certificates).
#include "transfer/TlsSession.h"
#include "transfer/tls/TlsSystem.h"

namespace tramex {

void StartTlsLibrary() {}

void LoadSystemTrustStore(SSL_CTX* context) {
    if (SSL_CTX_set_default_verify_paths(context) != 1)
        throw ETlsError("No se pudo leer el almacén de certificados del sistema.");
}

}  // namespace tramex
