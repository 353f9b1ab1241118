// The data module: created first at start-up and alive for the whole program,
// it holds the database connection and the queries every window runs over it.
#pragma once

#include "data/Connection.h"

#include <string>

namespace tramex {

class Tfdm {
  public:
    Tfdm();

    // The ERP company database; every query of the program runs over it.
    Connection Quintor;

    // The query behind the branch list.
    static constexpr const char* TAgencia = "SELECT * FROM SUCURSALES";
    // The query behind the destination editor: the whole table.
    static constexpr const char* TConfigtramex = "SELECT * FROM CONFIGURA_LINKFTP";

    // "1" = unattended; copied from the run parameters when generation starts.
    std::string ModoAutomatico;

    // Points the connection's default "Database" entry at the installation's
    // own database, <installDirectory>/datos/quintor.fdb, for queries that open
    // the connection before the first connect. An empty directory keeps the
    // default relative to the working directory.
    void UseInstallation(const std::string& installDirectory);
};

// The program's one data module, set by start-up before any window exists.
extern Tfdm* fdm;

}  // namespace tramex
