// Archive name and place.
#include "export/RunArchive.h"

#include "export/ReportCommands.h"

#include <filesystem>
#include <system_error>

namespace tramex {
namespace {

// Characters [from, from + count) of text, or what there is of them.
std::string Cut(const std::string& text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string();
}

std::string LastTwo(const std::string& text) {
    return text.size() < 2 ? text : text.substr(text.size() - 2);
}

}  // namespace

std::string ArchiveName(const ParametrosEnvio& parameters) {
    const std::string date = DateText(parameters.Fecha);
    const std::string year = Cut(date, 0, 4);
    const std::string month = LastTwo(Cut(date, 0, 7));
    const std::string day = LastTwo(date);
    return parameters.CodCasa + "_" + parameters.CodPartner + "_" + year + "6" + month + day +
           ".zip";
}

std::string ArchivePath(const ParametrosEnvio& parameters) {
    return parameters.DirectorioDatos + "/" + ArchiveName(parameters);
}

bool ArchiveExists(const std::string& path) {
    std::error_code error;
    const std::filesystem::path archive(std::u8string(path.begin(), path.end()));
    return std::filesystem::exists(archive, error);
}

}  // namespace tramex
