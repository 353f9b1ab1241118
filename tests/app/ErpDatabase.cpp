// Company databases for the window tests.
#include "tests/app/ErpDatabase.h"

#include "data/Instantanea.h"

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

}  // namespace

ErpDatabase::ErpDatabase(std::string servidor, const std::string& company, const std::string& user,
                         const std::string& password, std::string serverFolder)
    : servidor_(std::move(servidor)),
      database_(
          std::make_unique<test::TempDatabase>(servidor_ + "/datos/" + company + "/quintor.fdb",
                                               user, password, std::move(serverFolder))) {
    for (const char* statement : kSchema) database_->Execute(statement);
}

ErpDatabase::ErpDatabase(const std::filesystem::path& root, const std::string& company)
    : ErpDatabase(
          [&] {
              test::UsePrivateLockFolder();
              std::filesystem::create_directories(root / "datos" / company);
              return root.string();
          }(),
          company, "SYSDBA", "masterkey", {}) {}

std::unique_ptr<ErpDatabase> ErpDatabase::OnServer(const std::string& company,
                                                   std::string* reason) {
    const auto server = test::FindTestServer(reason);
    if (!server) return nullptr;
    const auto folder = std::filesystem::path(server->folder) / test::UniqueName("tramex-erp");
    std::filesystem::create_directories(folder / "datos" / company);
    // The server runs as its own user and creates the file itself.
    for (const auto& made : {folder, folder / "datos", folder / "datos" / company})
        std::filesystem::permissions(made, std::filesystem::perms::all);
    return std::unique_ptr<ErpDatabase>(new ErpDatabase(server->host + ":" + folder.string(),
                                                        company, server->user, server->password,
                                                        folder.string()));
}

void ErpDatabase::Execute(const std::string& sql) { database_->Execute(sql); }

std::vector<std::string> ErpDatabase::Rows(const std::string& sql) {
    Instantanea reader(&database_->Db());
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
