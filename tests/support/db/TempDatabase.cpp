// Temporary databases for the tests, embedded or on the test server.
#include "tests/support/db/TempDatabase.h"

#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace tramex::test {
namespace {

std::string UniqueName() {
    static std::atomic<int> counter{0};
    std::random_device random;
    return "tramex-db-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 1000000);
}

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

void UsePrivateLockFolder() {
    if (Variable("FIREBIRD_LOCK")) return;
    const auto folder =
        std::filesystem::temp_directory_path() / ("tramex-fb-lock-" + std::to_string(getuid()));
    std::filesystem::create_directories(folder);
    setenv("FIREBIRD_LOCK", folder.c_str(), 0);
}

TempDatabase::TempDatabase(std::string location, std::string folder, std::string user,
                           std::string password)
    : location_(std::move(location)),
      folder_(std::move(folder)),
      user_(std::move(user)),
      password_(std::move(password)),
      connection_(std::make_unique<Connection>()) {}

TempDatabase::TempDatabase() {
    UsePrivateLockFolder();
    const auto folder = std::filesystem::temp_directory_path() / UniqueName();
    std::filesystem::create_directories(folder);
    folder_ = folder.string();
    location_ = (folder / "test.fdb").string();
    user_ = "SYSDBA";
    password_ = "masterkey";
    connection_ = std::make_unique<Connection>();
    Create();
}

std::unique_ptr<TempDatabase> TempDatabase::OnServer(std::string* reason) {
    const char* names[] = {"TRAMEX_FB_SERVER_HOST", "TRAMEX_FB_SERVER_USER",
                           "TRAMEX_FB_SERVER_PASSWORD", "TRAMEX_FB_SERVER_DIR"};
    for (const char* name : names) {
        if (!Variable(name)) {
            if (reason)
                *reason =
                    std::string(name) + " is not set (scripts/services/firebird.sh start sets it)";
            return nullptr;
        }
    }
    const std::string path =
        std::string(Variable("TRAMEX_FB_SERVER_DIR")) + "/" + UniqueName() + ".fdb";
    std::unique_ptr<TempDatabase> database(
        new TempDatabase(std::string(Variable("TRAMEX_FB_SERVER_HOST")) + ":" + path, "",
                         Variable("TRAMEX_FB_SERVER_USER"), Variable("TRAMEX_FB_SERVER_PASSWORD")));
    database->Create();
    return database;
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
