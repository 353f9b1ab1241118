// TLS on one connected socket of the transport: the handshake, reads and
// writes, and the closing alert, each step returning at once with what it
// waits for, so the connection keeps its own bounded waits around them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "common/Error.h"
#include "transfer/SocketHandler.h"

namespace tramex {

// What a TLS step needs before it can go on.
enum class TlsWait { None, Readable, Writable };

// Bytes moved by one TLS read or write; a socket failure carries the code of
// the common socket error table.
struct TlsTransfer {
    size_t bytes = 0;
    int error = 0;
    TlsWait wait = TlsWait::None;
    bool closed = false;  // the peer ended the TLS stream or the connection
};

struct TlsSettings {
    // The server's name: sent for name-based hosting and matched against the
    // certificate (an IPv4 address is matched as an address and not sent).
    std::string ServerName;
    // "sha256:HEX": the certificate is trusted only when its SHA-256
    // fingerprint is this one, whoever issued it. Empty: the system's trust
    // store and the name decide.
    std::string PinnedFingerprint;
    // A PEM file of trusted authorities; empty: the system's trust store.
    std::string TrustStoreFile;
};

// What the handshake agreed, for the run log.
struct TlsSummary {
    std::string Version;      // "TLSv1.3"
    std::string Cipher;       // "TLS_AES_256_GCM_SHA384"
    std::string Fingerprint;  // "sha256:HEX" of the server's certificate
    bool Resumed = false;     // the session of an earlier connection went on
};

// A TLS failure: the library's reason as the message.
class ETlsError : public Error {
  public:
    using Error::Error;
};

// The server's certificate is not to be trusted; the message names the host.
class EUntrustedCertificate : public ETlsError {
  public:
    EUntrustedCertificate(const std::string& host, const std::string& reason)
        : ETlsError("El certificado del servidor " + host + " no es de confianza (" + reason +
                    ")") {}
};

// A pin that is no SHA-256 fingerprint: refused before anything is sent,
// since an unusable pin must never mean "no pin".
class EInvalidFingerprint : public ETlsError {
  public:
    using ETlsError::ETlsError;
};

class TTlsSession {
  public:
    virtual ~TTlsSession() = default;
    // One turn of the handshake: None once it is done and the certificate
    // accepted. Raises ETlsError, EUntrustedCertificate or ESocketError.
    virtual TlsWait Handshake() = 0;
    virtual TlsTransfer Read(char* buffer, size_t max) = 0;
    // Takes all of data or nothing; after a wait, call again with the same data.
    virtual TlsTransfer Write(const char* data, size_t length) = 0;
    // Decrypted bytes held that the socket will not announce as readable.
    virtual bool HasBufferedInput() const = 0;
    // Sends the closing alert without waiting for the peer's: None once sent.
    virtual TlsWait SendCloseNotify() = 0;
    virtual TlsSummary Summary() const = 0;
};

// A client session over the connected socket. With resumeFrom, offers that
// session's TLS session again (FTP servers demand it on data connections).
std::unique_ptr<TTlsSession> CreateClientTlsSession(TSocketHandler& socket,
                                                    const TlsSettings& settings,
                                                    const TTlsSession* resumeFrom);

// "sha256:HEX" in upper case without separators; raises EInvalidFingerprint
// when the text (empty included) is not a SHA-256 fingerprint.
std::string NormalizedFingerprint(const std::string& text);

}  // namespace tramex
