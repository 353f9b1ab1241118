// Temporary databases for the tests, embedded or on the test server.
#include "tests/support/db/TempDatabase.h"

#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace tramex::test {
namespace {

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

std::string UniqueName(const std::string& prefix) {
    static std::atomic<int> counter{0};
    std::random_device random;
    return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 1000000);
}

std::optional<TestServer> FindTestServer(std::string* reason) {
    for (const char* name : {"TRAMEX_FB_SERVER_HOST", "TRAMEX_FB_SERVER_USER",
                             "TRAMEX_FB_SERVER_PASSWORD", "TRAMEX_FB_SERVER_DIR"}) {
        if (!Variable(name)) {
            if (reason)
                *reason =
                    std::string(name) + " is not set (scripts/services/firebird.sh start sets it)";
            return std::nullopt;
        }
    }
    return TestServer{Variable("TRAMEX_FB_SERVER_HOST"), Variable("TRAMEX_FB_SERVER_USER"),
                      Variable("TRAMEX_FB_SERVER_PASSWORD"), Variable("TRAMEX_FB_SERVER_DIR")};
}

void UsePrivateLockFolder() {
    if (Variable("FIREBIRD_LOCK")) return;
    const auto folder =
        std::filesystem::temp_directory_path() / ("tramex-fb-lock-" + std::to_string(getuid()));
    std::filesystem::create_directories(folder);
    setenv("FIREBIRD_LOCK", folder.c_str(), 0);
}

TempDatabase::TempDatabase(std::string location, std::string user, std::string password,
                           std::string folder)
    : location_(std::move(location)),
      folder_(std::move(folder)),
      user_(std::move(user)),
      password_(std::move(password)),
      connection_(std::make_unique<Connection>()) {
    Create();
}

TempDatabase::TempDatabase() : connection_(std::make_unique<Connection>()) {
    UsePrivateLockFolder();
    const auto folder = std::filesystem::temp_directory_path() / UniqueName("tramex-db");
    std::filesystem::create_directories(folder);
    folder_ = folder.string();
    location_ = (folder / "test.fdb").string();
    user_ = "SYSDBA";
    password_ = "masterkey";
    Create();
}

std::unique_ptr<TempDatabase> TempDatabase::OnServer(std::string* reason) {
    const auto server = FindTestServer(reason);
    if (!server) return nullptr;
    return std::make_unique<TempDatabase>(
        server->host + ":" + server->folder + "/" + UniqueName("tramex-db") + ".fdb", server->user,
        server->password);
}

void TempDatabase::SetEntries(Connection& connection) const {
    connection.SetEntry("Database", location_);
    connection.SetEntry("User_Name", user_);
    connection.SetEntry("Password", password_);
}

void TempDatabase::Create() {
    SetEntries(*connection_);
    connection_->CreateDatabase();
}

std::unique_ptr<Connection> TempDatabase::Connect() const {
    auto connection = std::make_unique<Connection>();
    SetEntries(*connection);
    connection->Open();
    return connection;
}

TempDatabase::~TempDatabase() {
    try {
        SetEntries(*connection_);
        connection_->DropDatabase();
    } catch (const std::exception&) {
        // A test that broke the connection still gets its folder removed below.
    }
    connection_.reset();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

}  // namespace tramex::test
