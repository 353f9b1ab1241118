// Command line of tramex-ftp-put, and the form its messages take on the console:
//   --host H [--port N] --user U --password P [--dir D] [--timeout SECONDS]
//   [--temp-name] [--tls] [--fingerprint sha256:HEX] [--pasv-address-from-reply]
//   FILE [REMOTE]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Error.h"

namespace tramex {

struct FtpPutRequest {
    std::string Host;
    std::uint16_t Port = 21;
    std::string User;
    std::string Password;
    std::string Directory;  // empty: stay in the login directory
    std::string LocalFile;
    std::string RemoteName;      // empty: the local file's name
    int TimeoutSeconds = 60;     // for the connect, each reply and each send
    bool TemporaryName = false;  // store under a temporary name, then rename
    bool Tls = false;            // explicit TLS (FTPS)
    std::string Fingerprint;     // "sha256:HEX" the certificate must have; implies Tls
    // Data connections go where the 227 reply says (under the private/public
    // rule) instead of to the control connection's peer.
    bool PassiveAddressFromReply = false;
};

class EUsageError : public Error {
  public:
    using Error::Error;
};

// Raises EUsageError with a one-line explanation.
FtpPutRequest ParseFtpPutCommandLine(const std::vector<std::string>& arguments);

// An error message as console lines: CR LF and lone CR become LF, trailing
// line ends go, and one LF ends the text (a text-mode stream then writes the
// system's own line end once per line).
std::string ConsoleLines(const std::string& message);

inline constexpr const char* kFtpPutUsage =
    "usage: tramex-ftp-put --host H [--port N] --user U --password P [--dir D] "
    "[--timeout SECONDS] [--temp-name] [--tls] [--fingerprint sha256:HEX] "
    "[--pasv-address-from-reply] FILE [REMOTE]";

}  // namespace tramex
