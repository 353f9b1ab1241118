// Windows: OpenSSL is linked into the programs, so no configuration file
// may change it, and the authorities trusted are those of the system store
// "ROOT" (the administrator's, corporate ones included, as group policy
// places them), copied into OpenSSL's store.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <wincrypt.h>

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include "transfer/TlsSession.h"
#include "transfer/tls/TlsSystem.h"

namespace tramex {
namespace {

// A certificate OpenSSL cannot read cannot anchor a chain it verifies
// either, so it is left out rather than failing every upload.
void AddCertificate(X509_STORE* store, const CERT_CONTEXT& entry) {
    const unsigned char* der = entry.pbCertEncoded;
    X509* certificate = d2i_X509(nullptr, &der, static_cast<long>(entry.cbCertEncoded));
    if (!certificate) return;
    X509_STORE_add_cert(store, certificate);  // a duplicate is no failure
    X509_free(certificate);
}

}  // namespace

// OPENSSL_CONF, or a file in a folder any user may create, could otherwise
// weaken every connection (protocols, ciphers): the library is told before
// its first use that there is no configuration to load.
void StartTlsLibrary() {
    if (OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) != 1)
        throw ETlsError("No se pudo preparar TLS.");
}

void LoadSystemTrustStore(SSL_CTX* context) {
    HCERTSTORE system = CertOpenSystemStoreW(0, L"ROOT");
    if (!system)
        throw ETlsError("No se pudo abrir el almacén de certificados ROOT de Windows (error " +
                        std::to_string(GetLastError()) + ").");
    X509_STORE* store = SSL_CTX_get_cert_store(context);
    const CERT_CONTEXT* entry = nullptr;
    while ((entry = CertEnumCertificatesInStore(system, entry)) != nullptr)
        AddCertificate(store, *entry);
    CertCloseStore(system, 0);
}

}  // namespace tramex
