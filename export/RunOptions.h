// The optional options file tramex.ini beside settingsenvio.conf: limits of
// the unattended run, where the run log goes, how the upload names its file,
// the fingerprints of FTPS servers. Absent keys take their defaults.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tramex {

inline constexpr const char* kOptionsFileName = "tramex.ini";
inline constexpr int kMaxRetryWaitSeconds = 600;

struct RunOptions {
    // [Desatendido] LimiteAvisosSegundos: an unattended run's boxes close by
    // themselves after this long; 0 waits for an operator.
    int limiteAvisosSegundos = 900;
    // [Desatendido] EsperaOtraExportacionSegundos: how long a run waits for
    // another export to release the data directory.
    int esperaOtraExportacionSegundos = 600;
    // [Registro] Archivo: the run log's file; empty = tramex.log in the
    // installation directory.
    std::string archivoRegistro;
    // [FTP] SubirConNombreTemporal: store as NAME.parcial, rename when confirmed.
    bool subirConNombreTemporal = false;
    // [FTP] UsarDireccionDeRespuestaPasiva: data connections go to the address
    // a 227 reply names (for the rare server that needs it) instead of to
    // the server the client is talking to.
    bool usarDireccionDeRespuestaPasiva = false;
    // [FTP] Reintentos: more attempts after a failure that may pass.
    int reintentos = 3;
    // [FTP] EsperaReintentoSegundos: the wait before the first retry,
    // doubled before each next one, at most kMaxRetryWaitSeconds.
    int esperaReintentoSegundos = 60;
    // [FTP] Verificar: compare what the server stored with the archive.
    bool verificar = true;
    // [HuellasFTPS] host=sha256:HEX
    std::map<std::string, std::string> huellasFtps;
};

// Reads the file at path (UTF-8), each value literally. A value that is not
// valid keeps its default and is described in problems, one text each.
RunOptions LoadRunOptions(const std::string& path, std::vector<std::string>& problems);

// The options in force for this program run (defaults until set).
const RunOptions& CurrentRunOptions();
void SetCurrentRunOptions(const RunOptions& options);

}  // namespace tramex
