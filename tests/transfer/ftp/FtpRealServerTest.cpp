// Uploads to the real servers that scripts/services/ftp.sh starts (pyftpdlib
// and vsftpd), through the client and through tramex-ftp-put, comparing the
// bytes that land in the server's directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "transfer/FtpClient.h"
#include "transfer/FtpError.h"

namespace tramex {
namespace {

namespace fs = std::filesystem;

struct RealServer {
    std::string Name;
    std::string PortVariable;
    std::string DirVariable;
};

const RealServer kPyftpdlib{"pyftpdlib", "TRAMEX_FTP_PYFTPDLIB_PORT", "TRAMEX_FTP_PYFTPDLIB_DIR"};
const RealServer kVsftpd{"vsftpd", "TRAMEX_FTP_VSFTPD_PORT", "TRAMEX_FTP_VSFTPD_DIR"};

std::string Variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed;
    for (char& byte : bytes) state = state * 1103515245u + 12345u, byte = static_cast<char>(state >> 16);
    return bytes;
}

class RealFtpServer : public ::testing::TestWithParam<std::tuple<RealServer, std::size_t>> {
protected:
    void SetUp() override {
        const RealServer& server = std::get<0>(GetParam());
        port = Variable(server.PortVariable);
        uploadDir = Variable(server.DirVariable);
        if (port.empty() || uploadDir.empty() || Variable("TRAMEX_FTP_USER").empty())
            GTEST_SKIP() << server.PortVariable << " is not set: run scripts/services/ftp.sh start "
                         << "(scripts/test.sh does) to test against " << server.Name;
        local = fs::temp_directory_path() / ("tramex-ftp-real-" + std::to_string(getpid()));
        fs::create_directories(local);
        client.Host = "127.0.0.1";
        client.Port = static_cast<uint16_t>(std::stoi(port));
        client.Username = Variable("TRAMEX_FTP_USER");
        client.Password = Variable("TRAMEX_FTP_PASSWORD");
        client.ReadTimeout = 20000;
    }
    void TearDown() override {
        if (!local.empty()) fs::remove_all(local);
    }

    std::string UniqueName(const std::string& stem) const {
        return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(std::get<1>(GetParam())) + ".zip";
    }

    std::string port;
    fs::path uploadDir;
    fs::path local;
    TFtpClient client;
};

// The export run's calls: disconnect if connected, connect, store, disconnect.
TEST_P(RealFtpServer, UploadLandsByteForByte) {
    const std::size_t size = std::get<1>(GetParam());
    const std::string content = Pattern(size, static_cast<unsigned>(size) + 7);
    const fs::path path = local / "archive.zip";
    std::ofstream(path, std::ios::binary) << content;
    const std::string remote = UniqueName("upload");

    if (client.IsConnected()) client.Disconnect();
    client.Connect();
    ASSERT_TRUE(client.IsConnected());
    client.StoreFile(path.string(), remote, false, 0);
    client.Disconnect();

    const fs::path stored = uploadDir / remote;
    ASSERT_TRUE(fs::exists(stored)) << stored;
    EXPECT_EQ(fs::file_size(stored), size);
    EXPECT_TRUE(ReadWholeFile(stored) == content) << "stored bytes differ from " << path;
    fs::remove(stored);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RealFtpServer,
    ::testing::Combine(::testing::Values(kPyftpdlib, kVsftpd),
                       ::testing::Values(std::size_t{0}, std::size_t{1}, std::size_t{32768},
                                         std::size_t{32769}, std::size_t{20} << 20)),
    [](const auto& info) {
        return std::get<0>(info.param).Name + "_" + std::to_string(std::get<1>(info.param));
    });

class RealFtpLogin : public ::testing::TestWithParam<std::tuple<RealServer, std::string>> {};

// A wrong password must surface the server's own words, not a generic text.
TEST_P(RealFtpLogin, RefusedLoginCarriesTheServersText) {
    const auto& [server, serverText] = GetParam();
    const std::string port = Variable(server.PortVariable);
    if (port.empty()) GTEST_SKIP() << server.PortVariable << " is not set (scripts/services/ftp.sh)";
    TFtpClient client;
    client.Host = "localhost";
    client.Port = static_cast<uint16_t>(std::stoi(port));
    client.Username = Variable("TRAMEX_FTP_USER");
    client.Password = "not-the-password";
    client.ReadTimeout = 20000;
    try {
        client.Connect();
        ADD_FAILURE() << "logged in with a wrong password";
    } catch (const EReplyError& error) {
        EXPECT_EQ(error.Code(), 530);
        EXPECT_EQ(error.what(), serverText);
    }
    EXPECT_FALSE(client.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealFtpLogin,
                         ::testing::Values(std::make_tuple(kPyftpdlib, std::string("Authentication failed.\r\n")),
                                           std::make_tuple(kVsftpd, std::string("Login incorrect.\r\n"))),
                         [](const auto& info) { return std::get<0>(info.param).Name; });

// Runs tramex-ftp-put; returns its exit status and what it wrote on stderr.
std::pair<int, std::string> RunFtpPut(const std::vector<std::string>& arguments, const fs::path& errors) {
    std::string command = std::string(TRAMEX_BINARY_DIR) + "/tramex-ftp-put";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(errors)};
}

class FtpPutTool : public ::testing::TestWithParam<RealServer> {};

TEST_P(FtpPutTool, UploadsIntoTheDirectoryAndReportsRefusals) {
    const RealServer& server = GetParam();
    const std::string port = Variable(server.PortVariable);
    const fs::path uploadDir = Variable(server.DirVariable);
    if (port.empty()) GTEST_SKIP() << server.PortVariable << " is not set (scripts/services/ftp.sh)";
    const std::string user = Variable("TRAMEX_FTP_USER");
    const fs::path incoming = uploadDir / ("incoming-" + std::to_string(getpid()));
    fs::create_directories(incoming);
    if (const passwd* account = getpwnam(user.c_str())) {  // vsftpd writes as the local user
        ASSERT_EQ(chown(incoming.c_str(), account->pw_uid, account->pw_gid), 0);
    }
    const fs::path local = fs::temp_directory_path() / ("tramex-ftp-put-" + std::to_string(getpid()) + ".zip");
    const std::string content = Pattern(32769, 3);
    std::ofstream(local, std::ios::binary) << content;
    const fs::path errors = local.string() + ".err";

    const auto [status, stderrText] =
        RunFtpPut({"--host", "127.0.0.1", "--port", port, "--user", user, "--password",
                   Variable("TRAMEX_FTP_PASSWORD"), "--dir", incoming.filename().string(), local.string()},
                  errors);
    EXPECT_EQ(status, 0) << stderrText;
    EXPECT_TRUE(ReadWholeFile(incoming / local.filename()) == content);

    const auto [refusedStatus, refusedText] =
        RunFtpPut({"--host", "127.0.0.1", "--port", port, "--user", user, "--password", "wrong",
                   local.string(), "never.zip"},
                  errors);
    EXPECT_NE(refusedStatus, 0);
    EXPECT_THAT(refusedText, ::testing::AnyOf(::testing::StartsWith("Login incorrect."),
                                              ::testing::StartsWith("Authentication failed.")));
    EXPECT_FALSE(fs::exists(uploadDir / "never.zip"));

    fs::remove_all(incoming);
    fs::remove(local);
    fs::remove(errors);
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpPutTool, ::testing::Values(kPyftpdlib, kVsftpd),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
}  // namespace tramex
