// The data module: its connection's design defaults and the single instance pointer.
#include "data/Tfdm.h"

namespace tramex {

Tfdm* fdm = nullptr;

Tfdm::Tfdm() {
    // Until the first connect: the administrator login the ERP ships with.
    Quintor.SetEntry("User_Name", "SYSDBA");
    Quintor.SetEntry("Password", "masterkey");
}

void Tfdm::UseInstallation(const std::string& installDirectory) {
    if (installDirectory.empty()) return;
    Quintor.SetEntry("Database", installDirectory + "/datos/quintor.fdb");
}

}  // namespace tramex
