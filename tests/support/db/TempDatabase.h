// Test fixture: a fresh Firebird database in its own temporary folder,
// attached through the data layer and dropped again when the test ends.
#pragma once

#include "data/Connection.h"

#include <memory>
#include <string>

namespace tramex::test {

class TempDatabase {
  public:
    // An embedded database file (no server needed).
    TempDatabase();
    // A database on the test server (host:path), or nullptr when the
    // TRAMEX_FB_SERVER_* variables are not set; reason says which is missing.
    static std::unique_ptr<TempDatabase> OnServer(std::string* reason = nullptr);
    ~TempDatabase();
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    Connection& Db() { return *connection_; }
    // The "Database" entry that reaches this database.
    const std::string& Location() const { return location_; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    // A second, independent connection (another user of the same database).
    std::unique_ptr<Connection> Connect() const;
    void Execute(const std::string& sql) { connection_->ExecuteDdl(sql); }

  private:
    TempDatabase(std::string location, std::string folder, std::string user, std::string password);
    void Create();
    void SetEntries(Connection& connection) const;

    std::string location_;
    std::string folder_;  // removed at the end when we made it
    std::string user_;
    std::string password_;
    std::unique_ptr<Connection> connection_;
};

// The embedded engine keeps lock files in a folder shared with a local
// server; a private one keeps root-owned files out of the server's way.
void UsePrivateLockFolder();

}  // namespace tramex::test
