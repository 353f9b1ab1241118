// Command line of tramex-ftp-put:
//   --host H [--port N] --user U --password P [--dir D] FILE [REMOTE]
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
    std::string RemoteName;  // empty: the local file's name
};

class EUsageError : public Error {
  public:
    using Error::Error;
};

// Raises EUsageError with a one-line explanation.
FtpPutRequest ParseFtpPutCommandLine(const std::vector<std::string>& arguments);

// An error's message as lines for standard error: the FTP replies' CR LF
// line ends become plain "\n" (a Windows console stream turns each into
// CR LF once) and trailing line ends are dropped.
std::string ErrorOutputText(const std::string& message);

inline constexpr const char* kFtpPutUsage =
    "usage: tramex-ftp-put --host H [--port N] --user U --password P [--dir D] FILE [REMOTE]";

}  // namespace tramex
