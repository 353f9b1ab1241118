// Test fixture: a fresh Firebird database, embedded in its own temporary
// folder or on the test server, attached through the data layer and dropped
// again when the test ends.
#pragma once

#include "data/Connection.h"

#include <memory>
#include <optional>
#include <string>

namespace tramex::test {

// The test server, as scripts/services/firebird.sh start describes it.
struct TestServer {
    std::string host;
    std::string user;
    std::string password;
    std::string folder;  // where the server may create database files
};
// The test server, or nullopt when a TRAMEX_FB_SERVER_* variable is not set;
// reason (when given) says which.
std::optional<TestServer> FindTestServer(std::string* reason = nullptr);

// A name no other test database of this or another process uses.
std::string UniqueName(const std::string& prefix);

class TempDatabase {
  public:
    // An embedded database file (no server needed).
    TempDatabase();
    // A database created at location (path or host:path); folder, when given,
    // is removed with everything in it when the test ends.
    TempDatabase(std::string location, std::string user, std::string password,
                 std::string folder = {});
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
    // The temporary folder of an embedded database made by TempDatabase().
    const std::string& Folder() const { return folder_; }
    // A second, independent connection (another user of the same database).
    std::unique_ptr<Connection> Connect() const;
    void Execute(const std::string& sql) { connection_->ExecuteDdl(sql); }

  private:
    void Create();
    void SetEntries(Connection& connection) const;

    std::string location_;
    std::string folder_;  // removed at the end when set
    std::string user_;
    std::string password_;
    std::unique_ptr<Connection> connection_;
};

// The embedded engine keeps lock files in a folder shared with a local
// server; a private one keeps root-owned files out of the server's way.
void UsePrivateLockFolder();

}  // namespace tramex::test
