// What a server announces in its reply to FEAT (RFC 2389), and the two
// signs that it wants to be told our time zone with SITE ZONE.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transfer/FtpReply.h"

namespace tramex {

class FtpCapabilities {
public:
    FtpCapabilities() = default;
    // Codes 211 and 221 carry the list between their first and last lines;
    // any other code means the server lists nothing.
    explicit FtpCapabilities(const TFtpReply& featReply);

    // True when some line's first word equals the name, ignoring case.
    bool Supports(std::string_view name) const;
    // True when a SITE line lists ZONE among its ";"-separated parameters.
    bool SiteListsZone() const;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// Servers whose greeting names them as wanting SITE ZONE, or whose SITE
// capability lists it.
bool WantsSiteZone(std::string_view serverDescription, const FtpCapabilities& capabilities);

}  // namespace tramex
