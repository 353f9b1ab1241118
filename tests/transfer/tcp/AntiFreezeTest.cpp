// The anti-freeze: one per application, in force only on the main thread while
// active, and how a turn processes messages.
#include <gtest/gtest.h>

#include <thread>

#include "tests/support/net/CountingPump.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

namespace tramex::testing {
namespace {

using testnet::CountingPump;

TEST(AntiFreeze, OnlyOneInstanceMayLiveAndAnotherMayFollowOnceItIsGone) {
    CountingPump pump;
    {
        TAntiFreeze first(pump);
        ExpectError<Error>([&] { TAntiFreeze second(pump); },
                           "Only one TAntiFreeze can exist per application.");
        EXPECT_EQ(TAntiFreeze::Instance(), &first);
    }
    EXPECT_EQ(TAntiFreeze::Instance(), nullptr);
    TAntiFreeze later(pump);
    EXPECT_EQ(TAntiFreeze::Instance(), &later);
}

TEST(AntiFreeze, TurnsProcessOnlyOnTheMainThreadWhileActive) {
    CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    TAntiFreeze::IdleTurn();
    EXPECT_EQ(pump.Turns(), 1);
    std::thread other([] { TAntiFreeze::IdleTurn(); });
    other.join();
    EXPECT_EQ(pump.Turns(), 1);
    antiFreeze.Active = false;
    EXPECT_FALSE(TAntiFreeze::InForce());
    TAntiFreeze::IdleTurn();
    EXPECT_EQ(pump.Turns(), 1);
}

TEST(AntiFreeze, BusyTurnsProcessOnlyWhenNotIdleOnlyAndOneMessageModeIsHonoured) {
    CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    TAntiFreeze::BusyTurn();
    EXPECT_EQ(pump.Turns(), 0);
    antiFreeze.IdleOnly = false;
    TAntiFreeze::BusyTurn();
    EXPECT_EQ(pump.Turns(), 1);
    EXPECT_EQ(pump.oneMessageTurns, 0);
    antiFreeze.ProcessAllMessages = false;
    TAntiFreeze::IdleTurn();
    EXPECT_EQ(pump.oneMessageTurns, 1);
}

TEST(AntiFreeze, AWindowHandlerThatClosesTheConnectionDuringAWaitEndsTheWait) {
    CountingPump pump;
    TAntiFreeze antiFreeze(pump);
    antiFreeze.IdleSlice = 30;
    testnet::ScriptedServer server(SendsThenWaits(""));
    TTcpConnection connection;
    OpenTo(connection, server, 5000);
    pump.Reset();
    pump.onTurn = [&] { connection.Close(); };
    ExpectError<EConnClosedGracefully>([&] { connection.ReadLine(); },
                                       "Connection Closed Gracefully.");
    EXPECT_EQ(pump.Turns(), 1);
    EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace tramex::testing
