// A one-shot signal between a test and its server thread, waited on with a
// time limit so a test that goes wrong fails instead of hanging.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tramex::testnet {

class Cue {
  public:
    void Signal() {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        changed_.notify_all();
    }
    // True when signalled within limitMs.
    bool Wait(int limitMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                                 [this] { return signalled_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace tramex::testnet
