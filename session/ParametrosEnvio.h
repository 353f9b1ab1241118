// The run parameters of one export: filled by the settings file, the command
// line, the branch selector and the family's destination row; read by the run.
#pragma once

#include <chrono>
#include <string>

namespace tramex {

// All text is UTF-8 (database bytes are decoded from Windows-1252 when copied in).
struct ParametrosEnvio {
    std::string DirectorioDatos;          // data directory (settings line 5)
    std::string ModoAutomatico;           // "1" = unattended (settings line 10)
    std::string IdAgencia;                // branch id as decimal text, "0" = all branches
    std::string Familia;                  // family code
    std::chrono::year_month_day Fecha{};  // the date shown in the main window

    // Destination copied from the family's CONFIGURA_LINKFTP row.
    std::string ServidorFtp;
    std::string UsuarioFtp;
    std::string ClaveFtp;
    std::string CodCasa;
    std::string CodPartner;
    std::string UbicaDoc;
};

}  // namespace tramex
