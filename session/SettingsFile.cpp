// Settings file reading: line N of the file goes to the target of line N.
#include "session/SettingsFile.h"

#include "common/TextCodec.h"
#include "platform/ExclusiveFile.h"
#include "platform/PathSeparator.h"
#include "session/DaysValue.h"

namespace tramex {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Lines 1 to 3 are reserved and lines after 10 carry nothing.
void ApplyLine(int lineNumber, const std::string& text, SessionTargets& targets) {
    switch (lineNumber) {
        case 4:
            targets.SetServidor(text);
            break;
        case 5:
            targets.SetDirectorioDatos(text);
            break;
        case 6:
            targets.SetDias(ParseDays(text));
            break;
        case 7:
            targets.SetTusua(text);
            break;
        case 8:
            targets.SetTClave(text);
            break;
        case 9:
            // A company code given before the file is read wins.
            if (targets.Cia().empty()) targets.SetCia(text);
            break;
        case 10:
            targets.SetModoAutomatico(text);
            break;
        default:
            break;
    }
}

}  // namespace

std::string SettingsFilePath(const std::string& installDirectory) {
    return installDirectory + kPathSeparator + kSettingsFileName;
}

SettingsReadReport ReadSettings(std::string_view fileBytes, SessionTargets& targets) {
    int lineNumber = 0;
    std::string line;
    for (size_t at = 0; at < fileBytes.size(); ++at) {
        const char byte = fileBytes[at];
        if (byte != kCr && byte != kLf) {
            line += byte;
            continue;
        }
        ApplyLine(++lineNumber, Cp1252ToUtf8(line), targets);
        line.clear();
        // CR LF is one line end; a CR on its own ends the line by itself.
        if (byte == kCr && at + 1 < fileBytes.size() && fileBytes[at + 1] == kLf) ++at;
    }
    return SettingsReadReport{true, lineNumber, line.size()};
}

SettingsReadReport LoadSettingsFile(const std::string& path, SessionTargets& targets) {
    if (const auto bytes = ReadFileExclusively(path)) return ReadSettings(*bytes, targets);
    return {};
}

}  // namespace tramex
