// Company databases for the window tests.
#include "tests/app/ErpDatabase.h"

#include "data/Instantanea.h"
#include "tests/support/db/TempDatabase.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace tramex::testing {
namespace {

const char* const kSchema[] = {
    "CREATE TABLE SUCURSALES (SUCU_ID INTEGER NOT NULL PRIMARY KEY, SUCU_NOMBRE VARCHAR(60))",
    // No key, as in the ERP; the check lets a test make one saved row fail.
    "CREATE TABLE CONFIGURA_LINKFTP (CFLK_CODFAMI VARCHAR(2), SUCU_ID INTEGER, "
    "CFLK_SERVER VARCHAR(60), CFLK_USUARIO VARCHAR(60), CFLK_CLAVE VARCHAR(60), "
    "CFLK_CODCASA VARCHAR(20), CFLK_UBICADOC VARCHAR(60), CFLK_CODPARTNER VARCHAR(20), "
    "CFLK_DIAS INTEGER CHECK (CFLK_DIAS IS NULL OR CFLK_DIAS >= 0))",
};

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::string UniqueFolderName() {
    static std::atomic<int> counter{0};
    return "tramex-erp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

ErpDatabase::ErpDatabase(std::string servidor, std::string company, std::string user,
                         std::string password, std::filesystem::path serverFolder)
    : servidor_(std::move(servidor)),
      company_(std::move(company)),
      user_(std::move(user)),
      password_(std::move(password)),
      serverFolder_(std::move(serverFolder)) {}

ErpDatabase::ErpDatabase(const std::filesystem::path& root, const std::string& company)
    : ErpDatabase(root.string(), company, "SYSDBA", "masterkey", {}) {
    test::UsePrivateLockFolder();
    std::filesystem::create_directories(root / "datos" / company);
    Create();
}

std::unique_ptr<ErpDatabase> ErpDatabase::OnServer(const std::string& company,
                                                   std::string* reason) {
    for (const char* name : {"TRAMEX_FB_SERVER_HOST", "TRAMEX_FB_SERVER_USER",
                             "TRAMEX_FB_SERVER_PASSWORD", "TRAMEX_FB_SERVER_DIR"}) {
        if (!Variable(name)) {
            *reason =
                std::string(name) + " is not set (scripts/services/firebird.sh start sets it)";
            return nullptr;
        }
    }
    const auto folder =
        std::filesystem::path(Variable("TRAMEX_FB_SERVER_DIR")) / UniqueFolderName();
    std::filesystem::create_directories(folder / "datos" / company);
    // The server runs as its own user and creates the file itself.
    for (const auto& made : {folder, folder / "datos", folder / "datos" / company})
        std::filesystem::permissions(made, std::filesystem::perms::all);
    std::unique_ptr<ErpDatabase> database(new ErpDatabase(
        std::string(Variable("TRAMEX_FB_SERVER_HOST")) + ":" + folder.string(), company,
        Variable("TRAMEX_FB_SERVER_USER"), Variable("TRAMEX_FB_SERVER_PASSWORD"), folder));
    database->Create();
    return database;
}

void ErpDatabase::Create() {
    connection_.SetEntry("Database", servidor_ + "/datos/" + company_ + "/quintor.fdb");
    connection_.SetEntry("User_Name", user_);
    connection_.SetEntry("Password", password_);
    connection_.CreateDatabase();
    for (const char* statement : kSchema) connection_.ExecuteDdl(statement);
}

ErpDatabase::~ErpDatabase() {
    try {
        connection_.DropDatabase();
    } catch (const std::exception&) {
        // The folder goes below all the same.
    }
    std::error_code ignored;
    if (!serverFolder_.empty()) std::filesystem::remove_all(serverFolder_, ignored);
}

void ErpDatabase::Execute(const std::string& sql) { connection_.ExecuteDdl(sql); }

std::vector<std::string> ErpDatabase::Rows(const std::string& sql) {
    Instantanea reader(&connection_);
    reader.SetCommandText(sql);
    reader.Open();
    std::vector<std::string> rows;
    for (reader.First(); !reader.Eof(); reader.Next()) {
        std::string line;
        for (size_t i = 0; i < reader.Fields().size(); ++i) {
            const int field = static_cast<int>(i);
            line += (i ? "|" : "") + (reader.IsNull(field) ? "<null>" : reader.FieldText(field));
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> ErpDatabase::Destinations() {
    return Rows(
        "SELECT CFLK_CODFAMI, SUCU_ID, CFLK_SERVER, CFLK_USUARIO, CFLK_CLAVE, CFLK_CODCASA, "
        "CFLK_UBICADOC, CFLK_CODPARTNER, CFLK_DIAS FROM CONFIGURA_LINKFTP ORDER BY 1, 3, 2");
}

}  // namespace tramex::testing
