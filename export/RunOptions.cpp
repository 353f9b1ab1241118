// Options file reading through QSettings' INI format.
#include "export/RunOptions.h"

#include <QFileInfo>
#include <QSettings>

namespace tramex {
namespace {

// A whole number from minimum up, or the default with a problem noted.
int ReadSeconds(QSettings& settings, const char* key, int fallback, int minimum,
                std::vector<std::string>& problems) {
    if (!settings.contains(key)) return fallback;
    const QString text = settings.value(key).toString().trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= minimum) return value;
    problems.push_back(std::string(key) + "=" + text.toStdString() + " no es válido; se usa " +
                       std::to_string(fallback));
    return fallback;
}

bool ReadFlag(QSettings& settings, const char* key, bool fallback,
              std::vector<std::string>& problems) {
    if (!settings.contains(key)) return fallback;
    const QString text = settings.value(key).toString().trimmed();
    if (text == "0" || text == "1") return text == "1";
    problems.push_back(std::string(key) + "=" + text.toStdString() + " no es válido; se usa " +
                       (fallback ? "1" : "0"));
    return fallback;
}

RunOptions& Current() {
    static RunOptions options;
    return options;
}

}  // namespace

RunOptions LoadRunOptions(const std::string& path, std::vector<std::string>& problems) {
    RunOptions options;
    const QString file = QString::fromStdString(path);
    if (!QFileInfo::exists(file)) return options;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        problems.push_back(path + " no se pudo leer; se usan los valores por omisión");
        return options;
    }
    options.limiteAvisosSegundos = ReadSeconds(settings, "Desatendido/LimiteAvisosSegundos",
                                               options.limiteAvisosSegundos, 0, problems);
    options.esperaOtraExportacionSegundos =
        ReadSeconds(settings, "Desatendido/EsperaOtraExportacionSegundos",
                    options.esperaOtraExportacionSegundos, 0, problems);
    options.archivoRegistro = settings.value("Registro/Archivo").toString().toStdString();
    options.subirConNombreTemporal =
        ReadFlag(settings, "FTP/SubirConNombreTemporal", options.subirConNombreTemporal, problems);
    options.reintentos = ReadSeconds(settings, "FTP/Reintentos", options.reintentos, 0, problems);
    options.esperaReintentoSegundos = ReadSeconds(settings, "FTP/EsperaReintentoSegundos",
                                                  options.esperaReintentoSegundos, 0, problems);
    options.verificar = ReadFlag(settings, "FTP/Verificar", options.verificar, problems);
    settings.beginGroup("HuellasFTPS");
    for (const QString& host : settings.childKeys()) {
        options.huellasFtps[host.toStdString()] = settings.value(host).toString().toStdString();
    }
    settings.endGroup();
    return options;
}

const RunOptions& CurrentRunOptions() { return Current(); }
void SetCurrentRunOptions(const RunOptions& options) { Current() = options; }

}  // namespace tramex
