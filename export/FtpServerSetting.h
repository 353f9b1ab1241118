// A destination's FTP server as the operator writes it: "host" or
// "host:PUERTO" in clear, "ftpes://host[:PUERTO]" for explicit TLS and
// "ftps://host[:PUERTO]" for implicit TLS (port 990 unless given).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "common/Error.h"

namespace tramex {

inline constexpr std::uint16_t kImplicitFtpsPort = 990;

struct FtpServerSetting {
    std::string Host;
    std::uint16_t Port = 0;  // 0: none given, the usual FTP port
    bool Tls = false;
    bool ImplicitTls = false;       // the handshake before the greeting
    std::string PinnedFingerprint;  // the host's pin, normalized; empty: trust store
};

// An unknown scheme, an empty host or a port that is no number from 1 to 65535.
class EInvalidFtpServer : public Error {
  public:
    explicit EInvalidFtpServer(const std::string& server)
        : Error("Servidor FTP no válido: " + server) {}
};

// Reads the server column; a TLS destination takes the pin given for its host
// in pins (host names compare without regard to case). Raises
// EInvalidFtpServer, or EInvalidFingerprint for an unusable pin.
FtpServerSetting ReadFtpServerSetting(const std::string& server,
                                      const std::map<std::string, std::string>& pins);

}  // namespace tramex
