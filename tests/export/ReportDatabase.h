// Test fixture: a throwaway Firebird database in a temporary directory with
// small stand-in report procedures that echo their arguments, so a test sees
// exactly what the run sent and what it wrote.
#pragma once

#include "tests/support/db/TempDatabase.h"

#include <string>

namespace tramex::test {

class ReportDatabase : public TempDatabase {
  public:
    ReportDatabase();

    const std::string& Path() const { return Location(); }
    // A fresh data directory for the extract files.
    std::string DataDirectory() const;
    // Replaces one procedure's body; its parameters and columns stay.
    void Replace(const std::string& procedureDdl) { Execute(procedureDdl); }
};

// The stand-in rep_sku_zel that fails on its second run in a connection.
extern const char* const kSkuFailingOnSecondRun;
// The stand-in rep_ventasdet_zel that always fails.
extern const char* const kVentasDetalleFailing;
// The stand-in rep_ventasdet_zel that fails after 3000 rows.
extern const char* const kVentasDetalleFailingMidway;

}  // namespace tramex::test
