// A company database where the main window looks for it: <prefix>/datos/
// <company>/quintor.fdb, holding the branch and destination tables, on the
// embedded engine or on the test server. Dropped when the test ends.
#pragma once

#include "tests/support/db/TempDatabase.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tramex::testing {

class ErpDatabase {
  public:
    // Embedded, under root (the Servidor text is root itself).
    ErpDatabase(const std::filesystem::path& root, const std::string& company);
    // On the test server (Servidor is host:folder), or nullptr with the reason
    // when the TRAMEX_FB_SERVER_* variables are not set.
    static std::unique_ptr<ErpDatabase> OnServer(const std::string& company, std::string* reason);

    const std::string& Servidor() const { return servidor_; }
    const std::string& User() const { return database_->User(); }
    const std::string& Password() const { return database_->Password(); }

    // Statements in Windows-1252 bytes, each committed at once.
    void Execute(const std::string& sql);
    // Every row of the query as "a|b|..." with NULL as "<null>", bytes as stored.
    std::vector<std::string> Rows(const std::string& sql);
    // The whole destination table in column order, sorted.
    std::vector<std::string> Destinations();

  private:
    ErpDatabase(std::string servidor, const std::string& company, const std::string& user,
                const std::string& password, std::string serverFolder);

    std::string servidor_;
    std::unique_ptr<test::TempDatabase> database_;
};

}  // namespace tramex::testing
