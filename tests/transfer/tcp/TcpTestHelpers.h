// Small helpers shared by the transport scenarios.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/net/ScriptedServer.h"
#include "transfer/TcpConnection.h"

namespace tramex::testing {

// A connection to the scripted server on loopback with short limits.
inline void OpenTo(TTcpConnection& connection, const testnet::ScriptedServer& server,
                   int readTimeoutMs = 2000) {
    connection.Host = "127.0.0.1";
    connection.Port = server.Port();
    connection.ReadTimeout = readTimeoutMs;
    connection.ConnectTimeout = 2000;
    connection.Open();
}

// Runs fn, expecting an error of type E whose message is exactly `message`.
template <typename E, typename Fn>
void ExpectError(Fn&& fn, const std::string& message) {
    try {
        fn();
        ADD_FAILURE() << "no error raised, expected: " << message;
    } catch (const E& error) {
        EXPECT_EQ(error.what(), message);
    } catch (const std::exception& other) {
        ADD_FAILURE() << "unexpected error: " << other.what();
    }
}

}  // namespace tramex::testing
