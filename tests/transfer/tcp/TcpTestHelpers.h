// Small helpers shared by the transport scenarios.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
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

// Server scripts: send bytes, then wait for the client's close or close at once;
// or record everything the client sends until it closes.
inline testnet::ScriptedServer::Script SendsThenWaits(std::string bytes, int limitMs = 3000) {
    return [bytes, limitMs](testnet::TestPeer& peer) {
        peer.Send(bytes);
        peer.WaitClosed(limitMs);
    };
}
inline testnet::ScriptedServer::Script SendsThenCloses(std::string bytes) {
    return [bytes](testnet::TestPeer& peer) {
        peer.Send(bytes);
        peer.Close();
    };
}
inline testnet::ScriptedServer::Script ReceivesAll() {
    return [](testnet::TestPeer& peer) { peer.ReadUntilClosed(5000); };
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

// A file with the given content in the temporary directory, removed at the end.
class TempFile {
  public:
    explicit TempFile(const std::string& content) {
        path_ = std::filesystem::temp_directory_path() /
                ("tramex-tcp-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    std::string Path() const { return path_.string(); }

  private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

// The same pseudo-random bytes on every run.
inline std::string RandomBytes(size_t count) {
    std::mt19937 generator(12345);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

}  // namespace tramex::testing
