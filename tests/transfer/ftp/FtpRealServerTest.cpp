// Uploads to the real servers that scripts/services/ftp.sh starts (pyftpdlib
// and vsftpd, in clear and under explicit TLS with a self-signed certificate
// that the client pins), through the client and through tramex-ftp-put,
// comparing the bytes that land in the server's directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
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
    std::string RefusedLogin;  // the server's own words for a wrong password
    bool Tls = false;
};

void PrintTo(const RealServer& server, std::ostream* out) { *out << server.Name; }

const RealServer kPyftpdlib{"pyftpdlib", "TRAMEX_FTP_PYFTPDLIB_PORT", "TRAMEX_FTP_PYFTPDLIB_DIR",
                            "Authentication failed."};
const RealServer kVsftpd{"vsftpd", "TRAMEX_FTP_VSFTPD_PORT", "TRAMEX_FTP_VSFTPD_DIR",
                         "Login incorrect."};
const RealServer kPyftpdlibTls{"pyftpdlib_tls", "TRAMEX_FTP_PYFTPDLIB_TLS_PORT",
                               "TRAMEX_FTP_PYFTPDLIB_TLS_DIR", "Authentication failed.", true};
const RealServer kVsftpdTls{"vsftpd_tls", "TRAMEX_FTP_VSFTPD_TLS_PORT", "TRAMEX_FTP_VSFTPD_TLS_DIR",
                            "Login incorrect.", true};

std::string Variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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
    for (char& byte : bytes)
        state = state * 1103515245u + 12345u, byte = static_cast<char>(state >> 16);
    return bytes;
}

class RealFtpServer : public ::testing::TestWithParam<RealServer> {
  protected:
    void SetUp() override {
        port = Variable(GetParam().PortVariable);
        uploadDir = Variable(GetParam().DirVariable);
        if (port.empty() || uploadDir.empty() || Variable("TRAMEX_FTP_USER").empty())
            GTEST_SKIP() << GetParam().PortVariable
                         << " is not set: run scripts/services/ftp.sh start "
                         << "(scripts/test.sh does) to test against " << GetParam().Name;
        local = fs::temp_directory_path() / ("tramex-ftp-real-" + std::to_string(getpid()));
        fs::create_directories(local);
        client.Host = "127.0.0.1";
        client.Port = static_cast<uint16_t>(std::stoi(port));
        client.Username = Variable("TRAMEX_FTP_USER");
        client.Password = Variable("TRAMEX_FTP_PASSWORD");
        client.ReadTimeout = 20000;
        client.UseTls = GetParam().Tls;
        if (GetParam().Tls) client.PinnedFingerprint = Variable("TRAMEX_FTP_TLS_FINGERPRINT");
    }
    // The tool's arguments with this server's protection added.
    std::vector<std::string> WithTlsOptions(std::vector<std::string> arguments) const {
        if (GetParam().Tls)
            arguments.insert(arguments.begin(),
                             {"--fingerprint", Variable("TRAMEX_FTP_TLS_FINGERPRINT")});
        return arguments;
    }
    void TearDown() override {
        if (!local.empty()) fs::remove_all(local);
    }

    std::string port;
    fs::path uploadDir;
    fs::path local;
    TFtpClient client;
};

// The export run's calls, once per size around the send buffer: connect,
// store, disconnect, with the same client each time.
TEST_P(RealFtpServer, UploadLandsByteForByte) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{32768},
                                   std::size_t{32769}, std::size_t{20} << 20}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string content = Pattern(size, static_cast<unsigned>(size) + 7);
        const fs::path path = local / "archive.zip";
        std::ofstream(path, std::ios::binary) << content;
        const std::string remote =
            "upload-" + std::to_string(getpid()) + "-" + std::to_string(size) + ".zip";

        client.Connect();
        ASSERT_TRUE(client.IsConnected());
        client.StoreFile(path.string(), remote, false, 0);
        // vsftpd refuses data connections that do not resume the session.
        EXPECT_EQ(client.LastDataTlsResumed(), GetParam().Tls);
        client.Disconnect();

        const fs::path stored = uploadDir / remote;
        ASSERT_TRUE(fs::exists(stored)) << stored;
        EXPECT_EQ(fs::file_size(stored), size);
        EXPECT_TRUE(ReadWholeFile(stored) == content) << "stored bytes differ from " << path;
        fs::remove(stored);
    }
}

// The upload goes up as NAME.parcial and only the server's rename puts it
// under its final name, replacing an older file of that name.
TEST_P(RealFtpServer, TemporaryNameUploadIsRenamedOnDisk) {
    const std::string content = Pattern(32769, 11);
    const fs::path path = local / "archive.zip";
    std::ofstream(path, std::ios::binary) << content;
    const std::string remote = "renamed-" + std::to_string(getpid()) + ".zip";
    std::ofstream(uploadDir / remote) << "older upload";
    client.UploadWithTemporaryName = true;
    client.Connect();
    client.StoreFile(path.string(), remote, false, 0);
    client.Disconnect();
    EXPECT_TRUE(ReadWholeFile(uploadDir / remote) == content);
    EXPECT_FALSE(fs::exists(uploadDir / (remote + ".parcial")));
    fs::remove(uploadDir / remote);
}

// Runs tramex-ftp-put; returns its exit status and what it wrote on stderr.
std::pair<int, std::string> RunFtpPut(const std::vector<std::string>& arguments,
                                      const fs::path& errors) {
    std::string command = std::string(TRAMEX_BINARY_DIR) + "/tramex-ftp-put";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(errors)};
}

TEST_P(RealFtpServer, FtpPutToolUploadsIntoTheDirectoryAndReportsRefusals) {
    const std::string user = Variable("TRAMEX_FTP_USER");
    const fs::path incoming = uploadDir / ("incoming-" + std::to_string(getpid()));
    fs::create_directories(incoming);
    if (const passwd* account = getpwnam(user.c_str())) {  // vsftpd writes as the local user
        ASSERT_EQ(chown(incoming.c_str(), account->pw_uid, account->pw_gid), 0);
    }
    const fs::path archive = local / "envio.zip";
    const std::string content = Pattern(32769, 3);
    std::ofstream(archive, std::ios::binary) << content;
    const fs::path errors = local / "errors.txt";

    const auto [status, stderrText] = RunFtpPut(
        WithTlsOptions({"--host", "127.0.0.1", "--port", port, "--user", user, "--password",
                        Variable("TRAMEX_FTP_PASSWORD"), "--dir", incoming.filename().string(),
                        "--timeout", "20", "--temp-name", archive.string()}),
        errors);
    EXPECT_EQ(status, 0) << stderrText;
    EXPECT_TRUE(ReadWholeFile(incoming / archive.filename()) == content);
    EXPECT_FALSE(fs::exists(incoming / (archive.filename().string() + ".parcial")));

    const auto [refusedStatus, refusedText] =
        RunFtpPut(WithTlsOptions({"--host", "127.0.0.1", "--port", port, "--user", user,
                                  "--password", "wrong", archive.string(), "never.zip"}),
                  errors);
    // A wrong password surfaces the server's own words, in plain line ends.
    EXPECT_EQ(refusedStatus, 1);
    EXPECT_EQ(refusedText, GetParam().RefusedLogin + "\n");
    EXPECT_FALSE(fs::exists(uploadDir / "never.zip"));

    fs::remove_all(incoming);
}

// The self-signed certificate is trusted only through its pin, and the
// failures name the host and, for a pin that does not match, both prints; a
// pin that is no SHA-256 fingerprint fails before anything is trusted.
// Only the servers with a certificate take part.
using RealFtpsServer = RealFtpServer;

TEST_P(RealFtpsServer, SelfSignedCertificateIsTrustedOnlyWithItsPin) {
    const std::string pin = client.PinnedFingerprint;
    const std::string wrongPin = "sha256:" + std::string(64, 'A');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "El certificado del servidor 127.0.0.1 no es de confianza (self-signed certificate)"},
        {wrongPin, "El certificado del servidor 127.0.0.1 no es de confianza (huella " + pin +
                       ", se esperaba " + wrongPin + ")"},
        {pin, ""},
        {Lowered(pin), ""},  // as an operator may copy it
        {"sha256:AB12", "Huella no válida (se espera sha256:HEX): sha256:AB12"}};
    for (const auto& [pinned, failure] : cases) {
        SCOPED_TRACE(pinned);
        client.PinnedFingerprint = pinned;
        try {
            client.Connect();
            EXPECT_EQ(failure, "");
            EXPECT_EQ(client.TlsDetails().Fingerprint, pin);
            client.Disconnect();
        } catch (const ETlsError& error) {
            EXPECT_EQ(error.what(), failure);
        }
        EXPECT_FALSE(client.IsConnected());
    }
}

// Implicit TLS (ftps://) to the vsftpd whose certificate the test's own
// authority issued for 127.0.0.1 and another name: given that authority as
// its trust store, the client uploads at 127.0.0.1, refuses the certificate
// when it asked for localhost, and trusts nothing without the authority.
TEST(ImplicitFtps, TheTestAuthorityVouchesOnlyForTheNamesItCertified) {
    const std::string port = Variable("TRAMEX_FTP_VSFTPD_IMPLICIT_PORT");
    const std::string authority = Variable("TRAMEX_FTP_TEST_CA");
    if (port.empty() || authority.empty())
        GTEST_SKIP() << "TRAMEX_FTP_VSFTPD_IMPLICIT_PORT is not set: run scripts/services/ftp.sh";
    TFtpClient client;
    client.Port = static_cast<uint16_t>(std::stoi(port));
    client.Username = Variable("TRAMEX_FTP_USER");
    client.Password = Variable("TRAMEX_FTP_PASSWORD");
    client.ImplicitTls = true;
    const auto connect = [&client](const std::string& host, const std::string& store) {
        client.Host = host;
        client.TrustStoreFile = store;
        client.Connect();
    };
    const fs::path local = fs::temp_directory_path() / ("tramex-ftps-" + std::to_string(getpid()));
    std::ofstream(local, std::ios::binary) << Pattern(32769, 5);
    connect("127.0.0.1", authority);
    client.StoreFile(local.string(), local.filename().string(), false, 0);
    client.Disconnect();
    const fs::path stored = fs::path(Variable("TRAMEX_FTP_VSFTPD_IMPLICIT_DIR")) / local.filename();
    EXPECT_TRUE(ReadWholeFile(stored) == Pattern(32769, 5));
    fs::remove(stored);
    fs::remove(local);

    using ::testing::ThrowsMessage;
    EXPECT_THAT([&] { connect("localhost", authority); },
                ThrowsMessage<EUntrustedCertificate>("El certificado del servidor localhost no "
                                                     "es de confianza (hostname mismatch)"));
    EXPECT_THAT([&] { connect("127.0.0.1", ""); },
                ThrowsMessage<EUntrustedCertificate>(
                    "El certificado del servidor 127.0.0.1 no es de confianza (unable to get "
                    "local issuer certificate)"));
}

INSTANTIATE_TEST_SUITE_P(Servers, RealFtpServer,
                         ::testing::Values(kPyftpdlib, kVsftpd, kPyftpdlibTls, kVsftpdTls),
                         [](const auto& info) { return info.param.Name; });
INSTANTIATE_TEST_SUITE_P(Servers, RealFtpsServer, ::testing::Values(kPyftpdlibTls, kVsftpdTls),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
}  // namespace tramex
