// Parsing of the tramex-ftp-put command line (see FtpPutCommandLine.h).
#include "transfer/FtpPutCommandLine.h"

#include <map>

#include "transfer/TlsSession.h"

namespace tramex {
namespace {

// Digits only, from 1 to `largest`.
unsigned long ParseCount(const std::string& text, unsigned long largest, const std::string& what) {
    unsigned long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > largest)
            throw EUsageError("invalid " + what + ": " + text);
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (text.empty() || value == 0 || value > largest)
        throw EUsageError("invalid " + what + ": " + text);
    return value;
}

// The limits are held in milliseconds in an int.
constexpr unsigned long kLargestTimeoutSeconds = 2147483;

}  // namespace

FtpPutRequest ParseFtpPutCommandLine(const std::vector<std::string>& arguments) {
    FtpPutRequest request;
    const std::map<std::string, std::string*> options = {{"--host", &request.Host},
                                                         {"--user", &request.User},
                                                         {"--password", &request.Password},
                                                         {"--dir", &request.Directory},
                                                         {"--fingerprint", &request.Fingerprint}};
    const std::map<std::string, bool*> flags = {
        {"--temp-name", &request.TemporaryName},
        {"--tls", &request.Tls},
        {"--pasv-address-from-reply", &request.PassiveAddressFromReply}};
    std::vector<std::string> positional;
    bool userGiven = false, passwordGiven = false, fingerprintGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = argument.starts_with("--") && argument.size() > 2;
        if (!isOption) {
            positional.push_back(argument);
            continue;
        }
        if (const auto flag = flags.find(argument); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        if (i + 1 >= arguments.size()) throw EUsageError("missing value after " + argument);
        const std::string& value = arguments[++i];
        if (argument == "--port") {
            request.Port = static_cast<std::uint16_t>(ParseCount(value, 65535, "port"));
        } else if (argument == "--timeout") {
            request.TimeoutSeconds =
                static_cast<int>(ParseCount(value, kLargestTimeoutSeconds, "timeout"));
        } else if (const auto found = options.find(argument); found != options.end()) {
            *found->second = value;
            userGiven |= argument == "--user";
            passwordGiven |= argument == "--password";
            fingerprintGiven |= argument == "--fingerprint";
        } else {
            throw EUsageError("unknown option " + argument);
        }
    }
    if (request.Host.empty()) throw EUsageError("--host is required");
    if (!userGiven) throw EUsageError("--user is required");
    if (!passwordGiven) throw EUsageError("--password is required");
    if (positional.empty() || positional.size() > 2) throw EUsageError("expected FILE [REMOTE]");
    // A script passing an unset variable gives an empty pin: that must fail,
    // not quietly send the password in clear.
    if (fingerprintGiven) {
        request.Tls = true;
        try {
            NormalizedFingerprint(request.Fingerprint);
        } catch (const EInvalidFingerprint& invalid) {
            throw EUsageError(invalid.what());
        }
    }
    request.LocalFile = positional[0];
    if (positional.size() == 2) request.RemoteName = positional[1];
    return request;
}

std::string ConsoleLines(const std::string& message) {
    std::string lines;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\r') {
            lines += message[i];
        } else if (i + 1 >= message.size() || message[i + 1] != '\n') {
            lines += '\n';
        }
    }
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    return lines + '\n';
}

}  // namespace tramex
