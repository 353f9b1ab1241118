// The one written form of a certificate fingerprint, so a pin compares equal
// however the operator copied it (case, colons).
#include <cctype>

#include "common/TextCodec.h"
#include "transfer/TlsSession.h"

namespace tramex {

namespace {

EInvalidFingerprint Invalid(const std::string& text) {
    return EInvalidFingerprint("Huella no válida (se espera sha256:HEX)" +
                               (text.empty() ? std::string() : ": " + text));
}

}  // namespace

std::string NormalizedFingerprint(const std::string& text) {
    const std::string prefix = "sha256:";
    const std::string lowered = AsciiLowercase(text);
    if (!lowered.starts_with(prefix)) throw Invalid(text);
    std::string hex;
    for (char c : lowered.substr(prefix.size())) {
        if (c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) throw Invalid(text);
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (hex.size() != 64) throw Invalid(text);
    return "sha256:" + hex;
}

}  // namespace tramex
