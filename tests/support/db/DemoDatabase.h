// The demo company database the deployment script creates, for tests that
// run the window or the export over the data an operator first sees.
#pragma once

#include <string>

namespace tramex::test {

// Runs deploy/erp/create-demo-db.sh for company under the ERP folder erp
// (sales around today) and returns the database file's path, erp/datos/
// <company>/quintor.fdb. Raises std::runtime_error when the script fails.
std::string CreateDemoDatabase(const std::string& erp, const std::string& company);

}  // namespace tramex::test
