// The ftpes:// form of a destination's server and the pin of its host.
#include "export/FtpServerSetting.h"
#include "common/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace tramex {
namespace {}  // namespace

FtpServerSetting ReadFtpServerSetting(const std::string& server,
                                      const std::map<std::string, std::string>& pins) {
    FtpServerSetting setting;
    setting.Host = server;
    const std::string prefix = kExplicitTlsPrefix;
    if (AsciiLowercase(server.substr(0, prefix.size())) != prefix) return setting;
    setting.Tls = true;
    setting.Host = server.substr(prefix.size());
    // "ftpes://host/" is how such addresses are often copied.
    while (!setting.Host.empty() && setting.Host.back() == '/') setting.Host.pop_back();
    for (const auto& [host, fingerprint] : pins)
        if (AsciiLowercase(host) == AsciiLowercase(setting.Host))
            setting.PinnedFingerprint = fingerprint;
    return setting;
}

}  // namespace tramex
