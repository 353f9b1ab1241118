// Sending lines in both encodings, a file that holds less than it announces,
// and sending to a peer that has gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/transfer/tcp/TcpTestHelpers.h"

namespace tramex::testing {
namespace {

using testnet::ScriptedServer;
using testnet::TestPeer;

TEST(TcpSend, WriteLineEncodesSingleByteWithQuestionMarksAndUtf8AsIs) {
    ScriptedServer server(ReceivesAll());
    TTcpConnection connection;
    OpenTo(connection, server);
    connection.WriteLine("CWD a\xC3\xB1o \xE2\x82\xAC");  // "año €"
    connection.Encoding = TextEncoding::Utf8;
    connection.WriteLine("CWD a\xC3\xB1o \xE2\x82\xAC");
    connection.Close();
    ASSERT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Received().at(0),
              "CWD a\xF1o ?\r\n"
              "CWD a\xC3\xB1o \xE2\x82\xAC\r\n");
}

#ifndef _WIN32
// Linux attribute files are the files at hand that hold less than they announce.
TEST(TcpSend, FileShorterThanItsAnnouncedSizeRaisesNoDataToRead) {
    // Attribute files announce a size larger than the data they hold.
    const std::string path = "/sys/class/net/lo/mtu";
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || status.st_size <= 16)
        GTEST_SKIP() << path << " does not announce more than it holds here";
    ScriptedServer server(ReceivesAll());
    TTcpClient data;
    OpenTo(data, server);
    LocalFile local(path);
    ExpectError<ENoDataToRead>([&] { data.WriteFileData(local, true); }, "No data to read.");
    // The connection stays as it was.
    EXPECT_TRUE(data.IsOpen());
    data.Close();
    ASSERT_EQ(server.Finish(), "");
    std::ifstream actual(path);
    std::string text((std::istreambuf_iterator<char>(actual)), std::istreambuf_iterator<char>());
    EXPECT_EQ(server.Received().at(0), text);
}
#endif

TEST(TcpSend, SendingAfterThePeerResetRaisesASocketErrorAndClosesTheConnection) {
    ScriptedServer server([](TestPeer& peer) { peer.Reset(); });
    TTcpClient data;
    OpenTo(data, server);
    ASSERT_EQ(server.Finish(), "");
    const std::string piece(32768, 'x');
    try {
        for (int i = 0; i < 100; ++i) data.WriteLine(piece);
        ADD_FAILURE() << "sending to a reset connection never failed";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.code(), 10054);
        EXPECT_STREQ(error.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
    EXPECT_TRUE(data.ClosedByPeer());
    EXPECT_FALSE(data.IsOpen());
}

TEST(TcpSend, SendingAfterThePeerClosedRaisesClosedGracefullyBeforeSending) {
    ScriptedServer server([](TestPeer& peer) { peer.Close(); });
    TTcpConnection connection;
    OpenTo(connection, server);
    ASSERT_EQ(server.Finish(), "");
    EXPECT_FALSE(connection.IsOpen());
    ExpectError<EConnClosedGracefully>([&] { connection.WriteLine("QUIT"); },
                                       "Connection Closed Gracefully.");
}

TEST(TcpSend, MissingLocalFileNamesThePathAndTheSystemsReason) {
#ifdef _WIN32
    const std::string path = "C:\\nonexistent-dir\\archive.zip";
    try {
        LocalFile file(path);
        ADD_FAILURE() << "opened " << path;
    } catch (const EFOpenError& error) {
        // Windows' own wording, or Wine's for the same error.
        EXPECT_THAT(error.what(),
                    ::testing::AnyOf("Cannot open file \"" + path +
                                         "\". The system cannot find the path specified.",
                                     "Cannot open file \"" + path + "\". Path not found."));
    }
#else
    const std::string path = "/nonexistent-dir/archive.zip";
    ExpectError<EFOpenError>([&] { LocalFile file(path); },
                             "Cannot open file \"" + path + "\". No such file or directory");
#endif
}

}  // namespace
}  // namespace tramex::testing
