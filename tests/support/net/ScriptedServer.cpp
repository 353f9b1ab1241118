// Plays scripts against accepted loopback connections on one server thread.
#include "tests/support/net/ScriptedServer.h"

#include <exception>

namespace tramex::testnet {

ScriptedServer::ScriptedServer(std::vector<Script> scripts, int acceptLimitMs)
    : scripts_(std::move(scripts)) {
    thread_ = std::thread(&ScriptedServer::Run, this, acceptLimitMs);
}

ScriptedServer::ScriptedServer(Script script, int acceptLimitMs)
    : ScriptedServer(std::vector<Script>{std::move(script)}, acceptLimitMs) {}

ScriptedServer::~ScriptedServer() { Finish(); }

void ScriptedServer::Run(int acceptLimitMs) {
    for (const Script& script : scripts_) {
        std::unique_ptr<TestPeer> peer;
        try {
            peer = listener_.Accept(acceptLimitMs);
            script(*peer);
        } catch (const std::exception& failure) {
            std::lock_guard lock(mutex_);
            failures_ += std::string(failures_.empty() ? "" : "; ") + failure.what();
        }
        std::lock_guard lock(mutex_);
        received_.push_back(peer ? peer->Received() : std::string());
        if (!failures_.empty()) break;
    }
}

std::string ScriptedServer::Finish() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return failures_;
}

}  // namespace tramex::testnet
