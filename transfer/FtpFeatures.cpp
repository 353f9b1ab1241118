// FEAT reply handling (see FtpFeatures.h).
#include "transfer/FtpFeatures.h"

#include "transfer/FtpText.h"

namespace tramex {
namespace {

std::string_view FirstWord(std::string_view line) {
    line = StripControlAndSpace(line);
    return line.substr(0, line.find(' '));
}

std::string_view AfterFirstWord(std::string_view line) {
    line = StripControlAndSpace(line);
    const std::size_t space = line.find(' ');
    return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
}

}  // namespace

FtpCapabilities::FtpCapabilities(const TFtpReply& featReply) {
    if ((featReply.Code == 211 || featReply.Code == 221) && featReply.Text.size() > 2)
        lines_.assign(featReply.Text.begin() + 1, featReply.Text.end() - 1);
}

bool FtpCapabilities::Supports(std::string_view name) const {
    for (const std::string& line : lines_)
        if (EqualsIgnoringCase(FirstWord(line), name)) return true;
    return false;
}

bool FtpCapabilities::SiteListsZone() const {
    for (const std::string& line : lines_) {
        if (!EqualsIgnoringCase(FirstWord(line), "SITE")) continue;
        for (std::string_view parameter : SplitOn(AfterFirstWord(line), ';'))
            if (EqualsIgnoringCase(StripControlAndSpace(parameter), "ZONE")) return true;
    }
    return false;
}

bool WantsSiteZone(std::string_view serverDescription, const FtpCapabilities& capabilities) {
    static constexpr std::string_view kServersWantingZone[] = {
        "Serv-U ", "BPFTP Server ", "TitanFTP server ", "Titan FTP Server "};
    for (std::string_view name : kServersWantingZone)
        if (StartsWithIgnoringCase(serverDescription, name)) return true;
    return capabilities.SiteListsZone();
}

}  // namespace tramex
