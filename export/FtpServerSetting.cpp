// The forms of a destination's server, and the pin of a TLS destination's host.
#include "export/FtpServerSetting.h"

#include "common/TextCodec.h"
#include "transfer/TlsSession.h"

namespace tramex {
namespace {

struct Scheme {
    const char* prefix;
    bool implicitTls;
    std::uint16_t defaultPort;
};
constexpr Scheme kTlsSchemes[] = {{"ftpes://", false, 0}, {"ftps://", true, kImplicitFtpsPort}};

// Digits only, 1 to 65535; 0 when not.
std::uint16_t PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5) return 0;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

// What follows the scheme: "host" or "host:PUERTO".
void ReadHostAndPort(const std::string& server, std::string address, FtpServerSetting& setting) {
    // "ftpes://host/" is how such addresses are often copied.
    while (!address.empty() && address.back() == '/') address.pop_back();
    const std::size_t colon = address.find(':');
    setting.Host = address.substr(0, colon);
    if (colon != std::string::npos) setting.Port = PortNumber(address.substr(colon + 1));
    if (setting.Host.empty() || (colon != std::string::npos && setting.Port == 0) ||
        setting.Host.find_first_of("/ ") != std::string::npos)
        throw EInvalidFtpServer(server);
}

}  // namespace

FtpServerSetting ReadFtpServerSetting(const std::string& server,
                                      const std::map<std::string, std::string>& pins) {
    FtpServerSetting setting;
    std::string address = server;
    const std::string lowered = AsciiLowercase(server);
    for (const Scheme& scheme : kTlsSchemes) {
        const std::string prefix = scheme.prefix;
        if (!lowered.starts_with(prefix)) continue;
        setting.Tls = true;
        setting.ImplicitTls = scheme.implicitTls;
        setting.Port = scheme.defaultPort;
        address = server.substr(prefix.size());
    }
    if (!setting.Tls && lowered.find("://") != std::string::npos) throw EInvalidFtpServer(server);
    ReadHostAndPort(server, address, setting);
    if (!setting.Tls) return setting;
    for (const auto& [host, fingerprint] : pins)
        if (AsciiLowercase(host) == AsciiLowercase(setting.Host))
            setting.PinnedFingerprint = NormalizedFingerprint(fingerprint);
    return setting;
}

}  // namespace tramex
