// A message pump for tests: counts the anti-freeze's turns and when they came,
// and can run a handler inside a turn as a window message would.
#pragma once

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "transfer/AntiFreeze.h"

namespace tramex::testnet {

class CountingPump : public MessagePump {
  public:
    using Clock = std::chrono::steady_clock;

    void ProcessAllPendingMessages() override { Record(); }
    void ProcessOnePendingMessage() override {
        ++oneMessageTurns;
        Record();
    }
    bool IsMainThread() const override { return std::this_thread::get_id() == mainThread; }

    int Turns() const { return static_cast<int>(turnTimes.size()); }
    void Reset() {
        turnTimes.clear();
        oneMessageTurns = 0;
    }

    std::thread::id mainThread = std::this_thread::get_id();
    std::vector<Clock::time_point> turnTimes;
    int oneMessageTurns = 0;
    std::function<void()> onTurn;  // runs inside each turn, as a window handler

  private:
    void Record() {
        turnTimes.push_back(Clock::now());
        if (onTurn) onTurn();
    }
};

}  // namespace tramex::testnet
