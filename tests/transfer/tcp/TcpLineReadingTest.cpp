// Reading lines from a scripted server: line ends, blank lines, the peer's
// close, over-long lines, time-outs and the wire encodings.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/net/CountingPump.h"
#include "tests/support/net/Cue.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

namespace tramex::testing {
namespace {

using testnet::Cue;
using testnet::ScriptedServer;
using testnet::TestPeer;

TEST(TcpLineReading, CrLfAndBareLfEndingsReadAlikeAndBlankLinesAreSkipped) {
    ScriptedServer server([](TestPeer& peer) {
        // Split across sends so a line arrives in pieces.
        peer.Send("220 first\r\n\r\n \t\r\n");
        peer.Send("230 sec");
        peer.Send("ond\n\n  331 padded  \r\n");
        peer.WaitClosed(2000);
    });
    TTcpConnection connection;
    OpenTo(connection, server);
    EXPECT_EQ(connection.ReadNonEmptyLine(), "220 first");
    EXPECT_EQ(connection.ReadNonEmptyLine(), "230 second");
    EXPECT_EQ(connection.ReadNonEmptyLine(), "331 padded");
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, ReadLineKeepsBlankLinesAndDropsOnlyTheCrBeforeLf) {
    ScriptedServer server(SendsThenWaits("a\r\n\r\nb\rc\n"));
    TTcpConnection connection;
    OpenTo(connection, server);
    EXPECT_EQ(connection.ReadLine(), "a");
    EXPECT_EQ(connection.ReadLine(), "");
    EXPECT_FALSE(connection.ReadLineTimedOut());
    EXPECT_EQ(connection.ReadLine(), "b\rc");
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, LastLineBeforeThePeersCloseIsReturnedAndOnlyTheNextReadFails) {
    ScriptedServer server(SendsThenCloses("221 Goodbye.\r\n"));
    TTcpConnection connection;
    OpenTo(connection, server);
    ASSERT_EQ(server.Finish(), "");
    EXPECT_EQ(connection.ReadNonEmptyLine(), "221 Goodbye.");
    ExpectError<EConnClosedGracefully>([&] { connection.ReadNonEmptyLine(); },
                                       "Connection Closed Gracefully.");
    EXPECT_FALSE(connection.IsOpen());
    ExpectError<EConnClosedGracefully>([&] { connection.ReadLine(); },
                                       "Connection Closed Gracefully.");
}

TEST(TcpLineReading, IsOpenStaysTrueWhileUnreadDataRemainAfterThePeerClosed) {
    ScriptedServer server(SendsThenCloses("150 one\r\n226 two\r\n"));
    TTcpConnection connection;
    OpenTo(connection, server);
    ASSERT_EQ(server.Finish(), "");
    EXPECT_EQ(connection.ReadNonEmptyLine(), "150 one");
    // The close is only seen when the next receive finds the end.
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_TRUE(connection.ClosedByPeer());
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(connection.ReadNonEmptyLine(), "226 two");
    EXPECT_FALSE(connection.IsOpen());
}

TEST(TcpLineReading, UnfinishedLastLineKeepsTheConnectionCountedOpenUntilDiscarded) {
    ScriptedServer server(SendsThenCloses("226 no end"));
    TTcpConnection connection;
    OpenTo(connection, server);
    ASSERT_EQ(server.Finish(), "");
    ExpectError<EConnClosedGracefully>([&] { connection.ReadLine(); },
                                       "Connection Closed Gracefully.");
    EXPECT_TRUE(connection.IsOpen());
    connection.DiscardInput();
    EXPECT_FALSE(connection.IsOpen());
}

TEST(TcpLineReading, LineLengthLimitCountsTheCrAndLeavesTheConnectionOpen) {
    const std::string longest(16383, 'x');
    const std::string tooLong(16384, 'y');
    ScriptedServer server(
        SendsThenWaits(longest + "\r\n" + std::string(16384, 'z') + "\n" + tooLong + "\r\n"));
    TTcpConnection connection;
    OpenTo(connection, server);
    EXPECT_EQ(connection.ReadLine(), longest);
    EXPECT_EQ(connection.ReadLine(), std::string(16384, 'z'));
    ExpectError<EMaxLineLengthExceeded>([&] { connection.ReadLine(); },
                                        "Max line length exceeded.");
    EXPECT_TRUE(connection.IsOpen());
    // The over-long line stays in the buffer: the next read fails the same way.
    ExpectError<EMaxLineLengthExceeded>([&] { connection.ReadLine(); },
                                        "Max line length exceeded.");
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, LineWithoutEndFailsOnceLongerThanTheLimitWithoutWaitingForMore) {
    Cue readerDone;
    ScriptedServer server([&](TestPeer& peer) {
        peer.Send(std::string(20000, 'a'));
        readerDone.Wait(5000);
    });
    TTcpConnection connection;
    OpenTo(connection, server, 5000);
    const auto start = std::chrono::steady_clock::now();
    ExpectError<EMaxLineLengthExceeded>([&] { connection.ReadLine(); },
                                        "Max line length exceeded.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    readerDone.Signal();
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, SilentServerTimesOutWithIdleTurnsAboutEverySlice) {
    testnet::CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    antiFreeze.IdleSlice = 50;
    Cue readerDone;
    ScriptedServer server([&](TestPeer& peer) {
        peer.Send("220 ");  // no line end: the reader must keep waiting
        readerDone.Wait(5000);
    });
    TTcpConnection connection;
    OpenTo(connection, server, 400);
    ASSERT_TRUE(connection.WaitForData(2000));
    pump.Reset();
    const auto start = std::chrono::steady_clock::now();
    ExpectError<EReadTimeout>([&] { connection.ReadNonEmptyLine(); }, "Read timed out.");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    readerDone.Signal();
    EXPECT_GE(elapsed, std::chrono::milliseconds(400));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
    // 400 ms in 50 ms slices: eight waits that brought nothing, one idle turn each
    // (the busy turn of the first receive processes nothing).
    EXPECT_EQ(pump.Turns(), 8);
    for (size_t i = 1; i < pump.turnTimes.size(); ++i)
        EXPECT_LT(pump.turnTimes[i] - pump.turnTimes[i - 1], std::chrono::milliseconds(200));
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, WithoutTheAntiFreezeAReadTimeOutIsOneWaitAndReturnsAnEmptyLine) {
    ScriptedServer server(SendsThenWaits(""));
    TTcpConnection connection;
    OpenTo(connection, server, 150);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.ReadLine(), "");
    EXPECT_TRUE(connection.ReadLineTimedOut());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, IsOpenAndWaitForDataGiveOneIdleTurnWhenNothingIsPending) {
    testnet::CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    Cue lineWanted;
    ScriptedServer server([&](TestPeer& peer) {
        if (!lineWanted.Wait(5000)) throw testnet::TestNetError("cue never came");
        peer.Send("200 late\r\n");
        peer.WaitClosed(3000);
    });
    TTcpConnection connection;
    OpenTo(connection, server);
    pump.Reset();
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(pump.Turns(), 1);
    EXPECT_FALSE(connection.WaitForData(0));
    EXPECT_EQ(pump.Turns(), 2);
    lineWanted.Signal();
    EXPECT_TRUE(connection.WaitForData(3000));
    EXPECT_EQ(connection.ReadNonEmptyLine(), "200 late");
    connection.Close();
    EXPECT_FALSE(connection.WaitForData(100));
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpLineReading, ResetByThePeerRaisesTheResetTextAndClosesTheConnection) {
    if (testnet::RunningUnderWine())
        GTEST_SKIP() << "Wine closes a socket lingering for 0 s with a FIN, not a reset";
    ScriptedServer server([](TestPeer& peer) {
        peer.ReadLine(2000);
        peer.Reset();
    });
    TTcpConnection connection;
    OpenTo(connection, server);
    connection.WriteLine("NOOP");
    ASSERT_EQ(server.Finish(), "");
    ExpectError<ESocketError>([&] { connection.ReadLine(); },
                              "Socket Error # 10054\r\nConnection reset by peer.");
    EXPECT_FALSE(connection.IsOpen());
}

TEST(TcpLineReading, SingleByteLinesTurnEachByteIntoItsCodePointAndUtf8LinesStayAsSent) {
    ScriptedServer server(
        SendsThenWaits("257 \"/a\xF1o\xA0\" created\r\n257 \"/a\xC3\xB1o\" created\r\n"));
    TTcpConnection connection;
    OpenTo(connection, server);
    EXPECT_EQ(connection.ReadNonEmptyLine(), "257 \"/a\xC3\xB1o\xC2\xA0\" created");
    connection.Encoding = TextEncoding::Utf8;
    EXPECT_EQ(connection.ReadNonEmptyLine(), "257 \"/a\xC3\xB1o\" created");
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace tramex::testing
