// A destination's FTP server as the operator writes it: a host name or
// address, or "ftpes://host" for an upload under explicit TLS.
#pragma once

#include <map>
#include <string>

namespace tramex {

inline constexpr const char* kExplicitTlsPrefix = "ftpes://";

struct FtpServerSetting {
    std::string Host;
    bool Tls = false;
    std::string PinnedFingerprint;  // from the options' pins; empty: trust store
};

// Reads the server column; the pin is the one given for the host in pins
// (host names compare without regard to case).
FtpServerSetting ReadFtpServerSetting(const std::string& server,
                                      const std::map<std::string, std::string>& pins);

}  // namespace tramex
