// Opening connections: name resolution, refused and unknown peers, the
// connect limit with the anti-freeze's turns, and a fresh state at every open.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/net/CountingPump.h"
#include "tests/support/net/TestSocket.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

#ifndef _WIN32
#include "transfer/posix/ErrnoCodes.h"

// The system resolver, stubbed for one name: a resolver that cannot reach its
// servers (the usual "network is down") answers EAI_AGAIN. Every other name
// goes to the real resolver.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** found) {
    if (node && std::string(node) == "resolver-down.test") return EAI_AGAIN;
    using Resolver = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Resolver>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return real(node, service, hints, found);
}
#endif

namespace tramex::testing {
namespace {

using testnet::ScriptedServer;

TEST(TcpConnect, LocalhostInAnyCaseReachesTheLoopbackAddress) {
    const std::vector<std::string> names = {"localhost", "LOCALHOST", "LocalHost"};
    ScriptedServer server(
        std::vector<ScriptedServer::Script>(names.size(), SendsThenWaits("220 ready\r\n")));
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

// With the anti-freeze the connect runs on a worker while this thread gives
// idle turns; without it the connect blocks. Both report alike.
TEST(TcpConnect, RefusedAndUnknownPeersRaiseTheirTextAndLeaveTheConnectionClosed) {
    struct Case {
        std::string Host;
        uint16_t Port;
        bool WithAntiFreeze;
        std::string Message;
    };
    const std::string refused = "Socket Error # 10061\r\nConnection refused.";
    const Case cases[] = {
        {"127.0.0.1", testnet::UnusedLoopbackPort(), true, refused},
        {"127.0.0.1", testnet::UnusedLoopbackPort(), false, refused},
        {"no-such-host.invalid", 21, false, "Socket Error # 11001\r\nHost not found."},
#ifndef _WIN32  // the resolver stub above is POSIX only
        {"resolver-down.test", 21, false,
         "Socket Error # 11002\r\nNon-authoritative host not found."},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Host + (c.WithAntiFreeze ? " with the anti-freeze" : ""));
        testnet::CountingPump pump;
        std::optional<TAntiFreeze> antiFreeze;
        if (c.WithAntiFreeze) antiFreeze.emplace(pump);
        TTcpConnection connection;
        connection.Host = c.Host;
        connection.Port = c.Port;
        ExpectError<ESocketError>([&] { connection.Open(); }, c.Message);
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(pump.Turns() >= 1, c.WithAntiFreeze);
    }
}

#ifndef _WIN32
// Whatever a system call or the resolver reports, the operator reads a text.
TEST(TcpConnect, EveryCodeTheSystemMappingGivesHasAText) {
    for (int systemNumber = 0; systemNumber < 4096; ++systemNumber)
        EXPECT_NE(SocketErrorText(TableCodeOfErrno(systemNumber)), "") << "errno " << systemNumber;
    for (int resolverCode : {EAI_AGAIN, EAI_BADFLAGS, EAI_FAIL, EAI_FAMILY, EAI_MEMORY, EAI_NONAME,
                             EAI_SERVICE, EAI_SOCKTYPE, EAI_SYSTEM, EAI_OVERFLOW, -12345})
        EXPECT_NE(SocketErrorText(TableCodeOfResolverError(resolverCode)), "")
            << "resolver " << resolverCode;
    EXPECT_EQ(SocketErrorText(11002), "Non-authoritative host not found.");
}
#endif

// A connect that stays pending needs a listener whose backlog is full; only
// Linux leaves the extra connects waiting (Windows refuses them at once).
#ifndef _WIN32
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

// Each case: how the limit is set, the idle turns given, and the time it takes.
TEST(TcpConnect, ConnectLimitUsedUpRaisesConnectTimedOut) {
    struct Case {
        const char* Name;
        std::function<void(testnet::CountingPump&, TAntiFreeze&, TTcpConnection&)> Arrange;
        int Turns;
        int AtLeastMs;
    };
    const Case cases[] = {
        {"anti-freeze limit for ConnectTimeout 0: one idle turn every step",
         [](auto&, auto&, TTcpConnection& connection) {
             connection.AntiFreezeConnectLimitMs = 500;
             connection.ConnectStepMs = 50;
         },
         10, 490},
        // Five steps of 40 ms (the slice is the step), each followed by a 100 ms handler.
        {"time spent in window handlers does not count against the limit",
         [](testnet::CountingPump& pump, TAntiFreeze& antiFreeze, TTcpConnection& connection) {
             pump.onTurn = [] { usleep(100 * 1000); };
             antiFreeze.IdleSlice = 40;
             connection.ConnectTimeout = 200;
         },
         5, 690},
        {"off the main thread the explicit limit applies without turns",
         [](testnet::CountingPump& pump, auto&, TTcpConnection& connection) {
             pump.mainThread = std::thread::id();
             connection.ConnectTimeout = 150;
         },
         0, 140},
    };
    FullListener full;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        testnet::CountingPump pump;
        TAntiFreeze antiFreeze(pump);
        TTcpConnection connection;
        connection.Host = "127.0.0.1";
        connection.Port = full.Port();
        c.Arrange(pump, antiFreeze, connection);
        const auto start = std::chrono::steady_clock::now();
        ExpectError<EConnectTimeout>([&] { connection.Open(); }, "Connect timed out.");
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed, std::chrono::milliseconds(c.AtLeastMs));
        EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
        EXPECT_EQ(pump.Turns(), c.Turns);
        EXPECT_FALSE(connection.IsOpen());
    }
}
#endif

TEST(TcpConnect, EveryOpenStartsWithAnEmptyBufferAndClearedFlags) {
    ScriptedServer server(std::vector<ScriptedServer::Script>{
        SendsThenCloses("220 old\r\nleft over"), SendsThenWaits("220 new\r\n")});
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
