// Sending lines in both encodings, a file that holds less than it announces,
// and sending to a peer that has gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/net/CountingPump.h"
#include "tests/support/net/Cue.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

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

// A peer that stops reading: once the socket's buffers are full no byte is
// taken, and after the limit the send fails and the connection is closed.
// Meanwhile the window gets its idle turns, slice by slice, as in a read.
TEST(TcpSend, PeerThatStopsReadingMakesLinesAndFilesFailWithWriteTimedOut) {
    const std::string bytes = RandomBytes(32 << 20);
    TempFile file(bytes);
    for (const bool wholeFile : {true, false}) {
        SCOPED_TRACE(wholeFile ? "file data" : "one long line");
        testnet::CountingPump pump;
        TAntiFreeze antiFreeze(pump);
        antiFreeze.IdleSlice = 50;
        testnet::Cue senderDone;
        ScriptedServer server([&](TestPeer&) { senderDone.Wait(10000); });
        TTcpClient data;
        OpenTo(data, server, 0);
        data.WriteTimeout = 500;
        LocalFile local(file.Path());
        const auto start = std::chrono::steady_clock::now();
        ExpectError<EWriteTimeout>(
            [&] { wholeFile ? data.WriteFileData(local, true) : data.WriteLine(bytes); },
            "Write timed out.");
        const auto elapsed = std::chrono::steady_clock::now() - start;
        senderDone.Signal();
        EXPECT_GE(elapsed, std::chrono::milliseconds(500));
        EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
        EXPECT_GE(pump.Turns(), 10);  // 500 ms in slices of 50 ms
        EXPECT_FALSE(data.IsOpen());
        EXPECT_EQ(server.Finish(), "");
    }
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
