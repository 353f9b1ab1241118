// Options file reading: every value literally, as the administrator typed it.
#include "export/RunOptions.h"

#include <filesystem>

#include "common/IniFile.h"
#include "transfer/TlsSession.h"

namespace tramex {
namespace {

// One key of the file, named "Section/Key" in the problems it causes.
struct OptionKey {
    const char* section;
    const char* key;
    std::string Name() const { return std::string(section) + "/" + key; }
};

void NoteInvalid(const OptionKey& option, const std::string& text, const std::string& fallback,
                 std::vector<std::string>& problems) {
    problems.push_back(option.Name() + "=" + text + " no es válido; se usa " + fallback);
}

// A whole number from minimum up, or the default with a problem noted.
int ReadSeconds(const IniFile& ini, OptionKey option, int fallback, int minimum,
                std::vector<std::string>& problems) {
    const std::optional<std::string> text = ini.Value(option.section, option.key);
    if (!text) return fallback;
    try {
        std::size_t used = 0;
        const int value = std::stoi(*text, &used);
        if (used == text->size() && value >= minimum) return value;
    } catch (const std::logic_error&) {
        // not a number, or too large for one: noted below
    }
    NoteInvalid(option, *text, std::to_string(fallback), problems);
    return fallback;
}

bool ReadFlag(const IniFile& ini, OptionKey option, bool fallback,
              std::vector<std::string>& problems) {
    const std::optional<std::string> text = ini.Value(option.section, option.key);
    if (!text) return fallback;
    if (*text == "0" || *text == "1") return *text == "1";
    NoteInvalid(option, *text, fallback ? "1" : "0", problems);
    return fallback;
}

// Pins are kept as written: an unusable one fails its host's upload rather
// than leave the host unpinned. Said here too, so the log tells it early.
std::map<std::string, std::string> ReadPins(const IniFile& ini,
                                            std::vector<std::string>& problems) {
    std::map<std::string, std::string> pins;
    for (const auto& [host, pin] : ini.Entries("HuellasFTPS")) {
        pins[host] = pin;
        try {
            NormalizedFingerprint(pin);
        } catch (const EInvalidFingerprint& invalid) {
            problems.push_back("HuellasFTPS/" + host + ": " + invalid.what());
        }
    }
    return pins;
}

RunOptions& Current() {
    static RunOptions options;
    return options;
}

}  // namespace

RunOptions LoadRunOptions(const std::string& path, std::vector<std::string>& problems) {
    RunOptions options;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(std::u8string(path.begin(), path.end())),
                                 error))
        return options;
    const std::optional<IniFile> ini = IniFile::Load(path);
    if (!ini) {
        problems.push_back(path + " no se pudo leer; se usan los valores por omisión");
        return options;
    }
    for (const std::string& line : ini->UnreadLines())
        problems.push_back(path + ": línea sin clave=valor: " + line);
    options.limiteAvisosSegundos = ReadSeconds(*ini, {"Desatendido", "LimiteAvisosSegundos"},
                                               options.limiteAvisosSegundos, 0, problems);
    options.esperaOtraExportacionSegundos =
        ReadSeconds(*ini, {"Desatendido", "EsperaOtraExportacionSegundos"},
                    options.esperaOtraExportacionSegundos, 0, problems);
    options.archivoRegistro = ini->Value("Registro", "Archivo").value_or("");
    options.subirConNombreTemporal =
        ReadFlag(*ini, {"FTP", "SubirConNombreTemporal"}, options.subirConNombreTemporal, problems);
    options.usarDireccionDeRespuestaPasiva =
        ReadFlag(*ini, {"FTP", "UsarDireccionDeRespuestaPasiva"},
                 options.usarDireccionDeRespuestaPasiva, problems);
    options.reintentos = ReadSeconds(*ini, {"FTP", "Reintentos"}, options.reintentos, 0, problems);
    options.esperaReintentoSegundos = ReadSeconds(*ini, {"FTP", "EsperaReintentoSegundos"},
                                                  options.esperaReintentoSegundos, 0, problems);
    options.verificar = ReadFlag(*ini, {"FTP", "Verificar"}, options.verificar, problems);
    options.huellasFtps = ReadPins(*ini, problems);
    return options;
}

const RunOptions& CurrentRunOptions() { return Current(); }
void SetCurrentRunOptions(const RunOptions& options) { Current() = options; }

}  // namespace tramex
