// The demo company database, made by the deployment script itself.
#include "tests/support/db/DemoDatabase.h"

#include "tests/support/db/TempDatabase.h"

#include <QProcess>

#include <stdexcept>

namespace tramex::test {

std::string CreateDemoDatabase(const std::string& erp, const std::string& company) {
    UsePrivateLockFolder();  // shared with the script's isql-fb
    QProcess script;
    script.start("/bin/bash", {TRAMEX_SOURCE_DIR "/deploy/erp/create-demo-db.sh",
                               QString::fromStdString(erp), QString::fromStdString(company)});
    if (!script.waitForFinished(60000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0) {
        throw std::runtime_error("create-demo-db.sh failed: " +
                                 script.readAllStandardError().toStdString());
    }
    return erp + "/datos/" + company + "/quintor.fdb";
}

}  // namespace tramex::test
