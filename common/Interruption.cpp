// The stop request: one atomic word set from anywhere, and a watcher thread
// that looks at it every few milliseconds for the callbacks that need to act
// on another thread's behalf.
#include "common/Interruption.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace tramex {

InterruptedError::InterruptedError(const std::string& reason)
    : Error("Exportación interrumpida (" + reason + ")") {}

namespace interruption {
namespace {

std::atomic<const char*> requestReason{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

// The watcher lives as long as somebody listens; it is a plain polling loop
// because a signal handler may not wake a condition variable.
class Watcher {
  public:
    ~Watcher() { Stop(); }

    int Add(std::function<void()> callback) {
        std::lock_guard lock(mutex_);
        const int key = ++lastKey_;
        callbacks_[key] = std::move(callback);
        if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
        return key;
    }

    void Remove(int key) {
        std::lock_guard lock(mutex_);
        callbacks_.erase(key);
    }

  private:
    void Loop() {
        while (!stopping_) {
            if (Requested()) {
                RunCallbacks();
            } else {
                std::lock_guard lock(mutex_);
                fired_.clear();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Each callback runs once per request; the lock keeps Remove from
    // returning while its callback still runs.
    void RunCallbacks() {
        std::lock_guard lock(mutex_);
        for (auto& [key, callback] : callbacks_) {
            if (fired_.insert(key).second) callback();
        }
    }

    void Stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
    }

    std::mutex mutex_;
    std::map<int, std::function<void()>> callbacks_;
    std::set<int> fired_;
    int lastKey_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

Watcher& TheWatcher() {
    static Watcher watcher;
    return watcher;
}

}  // namespace

void Request(const char* reason) noexcept {
    const char* none = nullptr;
    requestReason.compare_exchange_strong(none, reason ? reason : "");
}

bool Requested() noexcept { return requestReason.load() != nullptr; }

std::string Reason() {
    const char* reason = requestReason.load();
    return reason ? reason : "";
}

void ThrowIfRequested() {
    if (Requested()) throw InterruptedError(Reason());
}

int OnRequest(std::function<void()> callback) { return TheWatcher().Add(std::move(callback)); }

void Forget(int key) { TheWatcher().Remove(key); }

void ResetForTests() noexcept { requestReason.store(nullptr); }

}  // namespace interruption
}  // namespace tramex
