// A loopback server that plays a script against each accepted connection on
// its own thread. A script failure (a wait that ran out, a wrong line) is kept
// and handed to the test by Finish(), never lost in the thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/net/TestSocket.h"

namespace tramex::testnet {

class ScriptedServer {
  public:
    using Script = std::function<void(TestPeer& peer)>;

    // Accepts one connection per script, in turn, and plays that script on it.
    explicit ScriptedServer(std::vector<Script> scripts, int acceptLimitMs = 5000);
    explicit ScriptedServer(Script script, int acceptLimitMs = 5000);
    ~ScriptedServer();

    uint16_t Port() const { return listener_.Port(); }
    // Waits for the scripts to end; returns the failures met (empty when all
    // scripts ran through).
    std::string Finish();
    // What each connection received, in order of acceptance (after Finish).
    const std::vector<std::string>& Received() const { return received_; }

  private:
    void Run(int acceptLimitMs);

    TestListener listener_;
    std::vector<Script> scripts_;
    std::vector<std::string> received_;
    std::string failures_;
    std::mutex mutex_;
    std::thread thread_;
};

}  // namespace tramex::testnet
