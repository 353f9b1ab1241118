// The options of the tramex-extract tool, which writes the ten extract files of
// one run without the windows.
#pragma once

#include "common/Error.h"
#include "session/ParametrosEnvio.h"

#include <optional>
#include <string>
#include <vector>

namespace tramex {

class UsageError : public Error {
  public:
    using Error::Error;
};

struct ExtractCommandLine {
    std::string database;  // "host:path" or a local database file
    std::optional<std::string> user;
    std::optional<std::string> password;
    ParametrosEnvio parameters;  // date, branch, family and output directory
};

// Raises UsageError for an unknown option, a missing value or required
// option, or a date that is not a valid YYYY-MM-DD.
ExtractCommandLine ParseExtractCommandLine(const std::vector<std::string>& arguments);

extern const char* const kExtractUsage;

}  // namespace tramex
