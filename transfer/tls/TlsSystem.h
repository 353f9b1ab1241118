// What the operating system contributes to TLS: how the library starts and
// the authorities a server's certificate may chain to when no pin decides.
#pragma once

#include <openssl/ssl.h>

namespace tramex {

// Called once, before any other use of the library.
void StartTlsLibrary();

// Loads the system's trust store into the client context; raises ETlsError
// when the store cannot be read.
void LoadSystemTrustStore(SSL_CTX* context);

}  // namespace tramex
