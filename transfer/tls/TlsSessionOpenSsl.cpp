// TLS sessions over OpenSSL. The library reads and writes through a BIO over
// the transport's own non-blocking socket layer, so it never waits itself:
// every "want read/write" goes back to the connection, which waits in its
// bounded, anti-freeze-aware way and calls again.
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <cstdio>

#include "transfer/SocketErrors.h"
#include "transfer/TlsSession.h"
#include "transfer/tls/TlsSystem.h"

namespace tramex {
namespace {

struct BioState {
    TSocketHandler* socket = nullptr;
    int error = 0;  // the last socket failure, table code
};

BioState& StateOf(BIO* bio) { return *static_cast<BioState*>(BIO_get_data(bio)); }

int BioWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    const SocketTransfer result = StateOf(bio).socket->Send(data, static_cast<size_t>(length));
    if (result.error == kWouldBlockCode) {
        BIO_set_retry_write(bio);
        return -1;
    }
    if (result.error != 0) {
        StateOf(bio).error = result.error;
        return -1;
    }
    return static_cast<int>(result.bytes);
}

int BioRead(BIO* bio, char* buffer, int max) {
    BIO_clear_retry_flags(bio);
    const SocketTransfer result = StateOf(bio).socket->Receive(buffer, static_cast<size_t>(max));
    if (result.error == kWouldBlockCode) {
        BIO_set_retry_read(bio);
        return -1;
    }
    if (result.error != 0) {
        StateOf(bio).error = result.error;
        return -1;
    }
    return static_cast<int>(result.bytes);  // 0: the peer closed
}

long BioControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

BIO_METHOD* SocketBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* created =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "tramex socket");
        BIO_meth_set_write(created, BioWrite);
        BIO_meth_set_read(created, BioRead);
        BIO_meth_set_ctrl(created, BioControl);
        return created;
    }();
    return method;
}

// One context for every connection, so a data connection can resume the
// session its control connection negotiated.
SSL_CTX* ClientContext() {
    static SSL_CTX* context = [] {
        StartTlsLibrary();
        SSL_CTX* created = SSL_CTX_new(TLS_client_method());
        if (!created) throw ETlsError("No se pudo preparar TLS.");
        SSL_CTX_set_min_proto_version(created, TLS1_2_VERSION);
        try {
            LoadSystemTrustStore(created);
        } catch (...) {
            SSL_CTX_free(created);
            throw;
        }
        // The chain is checked after the handshake, where a pin may
        // replace it and the failure can name the host.
        SSL_CTX_set_verify(created, SSL_VERIFY_NONE, nullptr);
        // Servers that drop the data connection without the closing alert
        // are common; the FTP reply confirms each upload.
        SSL_CTX_set_options(created, SSL_OP_IGNORE_UNEXPECTED_EOF);
        return created;
    }();
    return context;
}

std::string LibraryReason() {
    unsigned long code = 0, last = 0;
    while ((code = ERR_get_error()) != 0) last = code;
    if (last == 0) return "sin detalle de la biblioteca TLS";
    const char* reason = ERR_reason_error_string(last);
    if (reason) return reason;
    char text[256];
    ERR_error_string_n(last, text, sizeof text);
    return text;
}

bool IsIPv4Address(const std::string& host) {
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1;
}

std::string Sha256Fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    std::string text = "sha256:";
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", digest[i]);
        text += hex;
    }
    return text;
}

class TOpenSslSession : public TTlsSession {
  public:
    TOpenSslSession(TSocketHandler& socket, const TlsSettings& settings,
                    const TOpenSslSession* resumeFrom)
        : settings_(settings) {
        ssl_ = SSL_new(ClientContext());
        BIO* bio = BIO_new(SocketBioMethod());
        if (!ssl_ || !bio) {
            BIO_free(bio);
            SSL_free(ssl_);
            throw ETlsError("No se pudo preparar TLS.");
        }
        bioState_.socket = &socket;
        BIO_set_data(bio, &bioState_);
        BIO_set_init(bio, 1);
        SSL_set_bio(ssl_, bio, bio);
        try {
            if (!settings.PinnedFingerprint.empty())
                pin_ = NormalizedFingerprint(settings.PinnedFingerprint);
            if (!settings.TrustStoreFile.empty()) UseTrustStoreFile(settings.TrustStoreFile);
        } catch (...) {
            SSL_free(ssl_);
            throw;
        }
        CheckNameAgainstCertificate();
        if (resumeFrom) {
            SSL_SESSION* session = SSL_get1_session(resumeFrom->ssl_);
            if (session) SSL_set_session(ssl_, session);
            SSL_SESSION_free(session);
        }
    }
    ~TOpenSslSession() override { SSL_free(ssl_); }

    TlsWait Handshake() override {
        ERR_clear_error();
        const int result = SSL_connect(ssl_);
        if (result == 1) {
            AcceptCertificate();
            return TlsWait::None;
        }
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ) return TlsWait::Readable;
        if (error == SSL_ERROR_WANT_WRITE) return TlsWait::Writable;
        if (error == SSL_ERROR_SYSCALL && bioState_.error != 0) RaiseSocketError(bioState_.error);
        throw ETlsError("Negociación TLS con " + settings_.ServerName + " fallida (" +
                        (error == SSL_ERROR_SSL ? LibraryReason()
                                                : std::string("el servidor cerró la conexión")) +
                        ")");
    }

    TlsTransfer Read(char* buffer, size_t max) override {
        ERR_clear_error();
        size_t bytes = 0;
        if (SSL_read_ex(ssl_, buffer, max, &bytes) == 1) return {bytes, 0, TlsWait::None, false};
        return Failed(0);
    }

    TlsTransfer Write(const char* data, size_t length) override {
        ERR_clear_error();
        size_t bytes = 0;
        if (SSL_write_ex(ssl_, data, length, &bytes) == 1) return {bytes, 0, TlsWait::None, false};
        return Failed(0);
    }

    bool HasBufferedInput() const override { return SSL_has_pending(ssl_) == 1; }

    TlsWait SendCloseNotify() override {
        ERR_clear_error();
        const int result = SSL_shutdown(ssl_);
        if (result >= 0) return TlsWait::None;
        // Only a full socket is worth a wait; any other failure ends the
        // connection anyway.
        return SSL_get_error(ssl_, result) == SSL_ERROR_WANT_WRITE ? TlsWait::Writable
                                                                   : TlsWait::None;
    }

    TlsSummary Summary() const override {
        return {SSL_get_version(ssl_), SSL_get_cipher_name(ssl_), fingerprint_,
                SSL_session_reused(ssl_) == 1};
    }

  private:
    void UseTrustStoreFile(const std::string& file) {
        X509_STORE* store = X509_STORE_new();
        if (!store || X509_STORE_load_file(store, file.c_str()) != 1) {
            X509_STORE_free(store);
            throw ETlsError("No se pudieron leer las autoridades de " + file + " (" +
                            LibraryReason() + ")");
        }
        SSL_set1_verify_cert_store(ssl_, store);
        X509_STORE_free(store);
    }

    void CheckNameAgainstCertificate() {
        const std::string& name = settings_.ServerName;
        if (IsIPv4Address(name)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), name.c_str());
            return;
        }
        SSL_set_tlsext_host_name(ssl_, name.c_str());
        SSL_set1_host(ssl_, name.c_str());
    }

    void AcceptCertificate() {
        X509* certificate = SSL_get0_peer_certificate(ssl_);
        if (!certificate)
            throw EUntrustedCertificate(settings_.ServerName,
                                        "el servidor no presentó certificado");
        fingerprint_ = Sha256Fingerprint(certificate);
        if (!pin_.empty()) {
            if (fingerprint_ != pin_)
                throw EUntrustedCertificate(settings_.ServerName,
                                            "huella " + fingerprint_ + ", se esperaba " + pin_);
            return;
        }
        const long verdict = SSL_get_verify_result(ssl_);
        if (verdict != X509_V_OK)
            throw EUntrustedCertificate(settings_.ServerName,
                                        X509_verify_cert_error_string(verdict));
    }

    TlsTransfer Failed(size_t bytes) {
        const int error = SSL_get_error(ssl_, 0);
        TlsTransfer transfer{bytes, 0, TlsWait::None, false};
        switch (error) {
            case SSL_ERROR_WANT_READ:
                transfer.wait = TlsWait::Readable;
                return transfer;
            case SSL_ERROR_WANT_WRITE:
                transfer.wait = TlsWait::Writable;
                return transfer;
            case SSL_ERROR_ZERO_RETURN:
                transfer.closed = true;
                return transfer;
            case SSL_ERROR_SYSCALL:
                transfer.error = bioState_.error;
                transfer.closed = bioState_.error == 0;
                return transfer;
            default:
                throw ETlsError("TLS con " + settings_.ServerName + ": " + LibraryReason());
        }
    }

    TlsSettings settings_;
    std::string pin_;
    std::string fingerprint_;
    BioState bioState_;
    SSL* ssl_ = nullptr;
};

}  // namespace

std::unique_ptr<TTlsSession> CreateClientTlsSession(TSocketHandler& socket,
                                                    const TlsSettings& settings,
                                                    const TTlsSession* resumeFrom) {
    return std::make_unique<TOpenSslSession>(socket, settings,
                                             dynamic_cast<const TOpenSslSession*>(resumeFrom));
}

}  // namespace tramex
