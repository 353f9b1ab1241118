// Sending: lines in both encodings, file data whole or from the current
// position, empty and shrinking files, and no anti-freeze turns while sending.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/net/CountingPump.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

namespace tramex::testing {
namespace {

using testnet::ScriptedServer;
using testnet::TestPeer;

TEST(TcpSend, WriteLineEncodesSingleByteWithQuestionMarksAndUtf8AsIs) {
    ScriptedServer server([](TestPeer& peer) { peer.ReadUntilClosed(3000); });
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

TEST(TcpSend, WholeFileIsSentInPiecesAndArrivesIntactWithoutAntiFreezeTurns) {
    const std::string content = RandomBytes(3 * 32768 + 17);
    TempFile file(content);
    testnet::CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    ScriptedServer server([](TestPeer& peer) { peer.ReadUntilClosed(5000); });
    TTcpClient data;
    OpenTo(data, server);
    LocalFile local(file.Path());
    local.Seek(1000);  // the whole file is sent whatever the position
    pump.Reset();
    data.WriteFileData(local, true);
    EXPECT_EQ(pump.Turns(), 0);
    data.Close();
    ASSERT_EQ(server.Finish(), "");
    EXPECT_TRUE(server.Received().at(0) == content);
    EXPECT_EQ(server.Received().at(0).size(), content.size());
}

TEST(TcpSend, RestOfTheFileIsSentFromTheCurrentPosition) {
    const std::string content = RandomBytes(40000);
    TempFile file(content);
    ScriptedServer server([](TestPeer& peer) { peer.ReadUntilClosed(5000); });
    TTcpClient data;
    OpenTo(data, server);
    LocalFile local(file.Path());
    local.Seek(32769);
    data.WriteFileData(local, false);
    data.Close();
    ASSERT_EQ(server.Finish(), "");
    EXPECT_TRUE(server.Received().at(0) == content.substr(32769));
}

TEST(TcpSend, EmptyFileSendsNothing) {
    TempFile file("");
    ScriptedServer server([](TestPeer& peer) { peer.ReadUntilClosed(3000); });
    TTcpClient data;
    OpenTo(data, server);
    LocalFile local(file.Path());
    data.WriteFileData(local, true);
    data.Close();
    ASSERT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Received().at(0), "");
}

TEST(TcpSend, FileShorterThanItsAnnouncedSizeRaisesNoDataToRead) {
    // Attribute files announce a size larger than the data they hold.
    const std::string path = "/sys/class/net/lo/mtu";
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || status.st_size <= 16)
        GTEST_SKIP() << path << " does not announce more than it holds here";
    ScriptedServer server([](TestPeer& peer) { peer.ReadUntilClosed(3000); });
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
    const std::string path = "/nonexistent-dir/archive.zip";
    ExpectError<EFOpenError>([&] { LocalFile file(path); },
                             "Cannot open file \"" + path + "\". No such file or directory");
}

}  // namespace
}  // namespace tramex::testing
