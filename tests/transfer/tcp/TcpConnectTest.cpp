// Opening connections: name resolution, refused and unknown peers, the
// connect limit with the anti-freeze's turns, and a fresh state at every open.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/net/CountingPump.h"
#include "tests/support/net/TestSocket.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

namespace tramex::testing {
namespace {

using testnet::ScriptedServer;
using testnet::TestPeer;

TEST(TcpConnect, LocalhostInAnyCaseReachesTheLoopbackAddress) {
    const std::vector<std::string> names = {"localhost", "LOCALHOST", "LocalHost"};
    std::vector<ScriptedServer::Script> scripts(names.size(), [](TestPeer& peer) {
        peer.Send("220 ready\r\n");
        peer.WaitClosed(2000);
    });
    ScriptedServer server(scripts);
    for (const std::string& name : names) {
        TTcpConnection connection;
        connection.Host = name;
        connection.Port = server.Port();
        connection.Open();
        EXPECT_EQ(connection.PeerAddress(), "127.0.0.1") << name;
        EXPECT_EQ(connection.ReadNonEmptyLine(), "220 ready") << name;
        connection.Close();
    }
    EXPECT_EQ(server.Finish(), "");
}

TEST(TcpConnect, RefusedConnectRaisesTheRefusedTextAndLeavesTheConnectionClosed) {
    testnet::CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    TTcpConnection connection;
    connection.Host = "127.0.0.1";
    connection.Port = testnet::UnusedLoopbackPort();
    try {
        connection.Open();
        ADD_FAILURE() << "the connect was not refused";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.code(), 10061);
        EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(connection.IsOpen());
    // The connect ran on the worker while this thread gave idle turns.
    EXPECT_GE(pump.Turns(), 1);
}

TEST(TcpConnect, PlainBlockingConnectWithoutTheAntiFreezeReportsTheSameRefusal) {
    TTcpConnection connection;
    connection.Host = "127.0.0.1";
    connection.Port = testnet::UnusedLoopbackPort();
    ExpectError<ESocketError>([&] { connection.Open(); },
                              "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(connection.IsOpen());
}

TEST(TcpConnect, UnknownHostRaisesHostNotFound) {
    TTcpConnection connection;
    connection.Host = "no-such-host.invalid";
    connection.Port = 21;
    ExpectError<ESocketError>([&] { connection.Open(); },
                              "Socket Error # 11001\r\nHost not found.");
    EXPECT_FALSE(connection.IsOpen());
}

// A listener whose accept queue is full drops further connection requests, so
// a connect to it neither succeeds nor fails until its limit runs out.
class FullListener {
  public:
    FullListener() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 0);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        for (int i = 0; i < 3; ++i) {
            const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers_.push_back(filler);
        }
        usleep(50 * 1000);  // lets the handshakes of the fillers settle
    }
    ~FullListener() {
        for (int filler : fillers_) close(filler);
        close(listener_);
    }
    uint16_t Port() const { return port_; }

  private:
    int listener_;
    uint16_t port_ = 0;
    std::vector<int> fillers_;
};

TEST(TcpConnect, ConnectLimitUsedUpRaisesConnectTimedOutWithIdleTurnsEveryStep) {
    FullListener full;
    testnet::CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    TTcpConnection connection;
    connection.Host = "127.0.0.1";
    connection.Port = full.Port();
    connection.AntiFreezeConnectLimitMs = 500;  // the rule for ConnectTimeout 0
    connection.ConnectStepMs = 50;
    const auto start = std::chrono::steady_clock::now();
    ExpectError<EConnectTimeout>([&] { connection.Open(); }, "Connect timed out.");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(490));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    EXPECT_EQ(pump.Turns(), 10);
    EXPECT_FALSE(connection.IsOpen());
}

TEST(TcpConnect, TimeSpentInWindowHandlersDoesNotCountAgainstTheConnectLimit) {
    FullListener full;
    testnet::CountingPump pump;
    pump.onTurn = [] { usleep(100 * 1000); };
    TAntiFreeze antiFreeze(pump);
    antiFreeze.IdleSlice = 40;  // smaller than the step: the slice is the step
    TTcpConnection connection;
    connection.Host = "127.0.0.1";
    connection.Port = full.Port();
    connection.ConnectTimeout = 200;
    const auto start = std::chrono::steady_clock::now();
    ExpectError<EConnectTimeout>([&] { connection.Open(); }, "Connect timed out.");
    // Five steps of 40 ms, each followed by a 100 ms handler.
    EXPECT_EQ(pump.Turns(), 5);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(690));
}

TEST(TcpConnect, ExplicitConnectTimeoutAppliesOffTheMainThreadWithoutTurns) {
    FullListener full;
    testnet::CountingPump pump;
    pump.mainThread = std::thread::id();  // no thread is the main thread
    TAntiFreeze antiFreeze(pump);
    TTcpConnection connection;
    connection.Host = "127.0.0.1";
    connection.Port = full.Port();
    connection.ConnectTimeout = 150;
    ExpectError<EConnectTimeout>([&] { connection.Open(); }, "Connect timed out.");
    EXPECT_EQ(pump.Turns(), 0);
}

TEST(TcpConnect, EveryOpenStartsWithAnEmptyBufferAndClearedFlags) {
    ScriptedServer server(std::vector<ScriptedServer::Script>{[](TestPeer& peer) {
                                                                  peer.Send("220 old\r\nleft over");
                                                                  peer.Close();
                                                              },
                                                              [](TestPeer& peer) {
                                                                  peer.Send("220 new\r\n");
                                                                  peer.WaitClosed(2000);
                                                              }});
    TTcpConnection connection;
    OpenTo(connection, server);
    EXPECT_EQ(connection.ReadNonEmptyLine(), "220 old");
    ExpectError<EConnClosedGracefully>([&] { connection.ReadLine(); },
                                       "Connection Closed Gracefully.");
    EXPECT_TRUE(connection.ClosedByPeer());
    connection.Open();
    EXPECT_FALSE(connection.ClosedByPeer());
    EXPECT_EQ(connection.ReadNonEmptyLine(), "220 new");
    connection.Close();
    EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace tramex::testing
