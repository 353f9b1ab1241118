// A request to stop the run at its next safe point: a termination signal, a
// close or end-of-session message. Requesting is safe from a signal handler;
// everything else runs on ordinary threads.
#pragma once

#include "common/Error.h"

#include <functional>
#include <string>

namespace tramex {

// Raised at a safe point once a stop was requested.
class InterruptedError : public Error {
  public:
    explicit InterruptedError(const std::string& reason);
};

namespace interruption {

// Async-signal-safe: records the first reason (a static text) and nothing else.
void Request(const char* reason) noexcept;
bool Requested() noexcept;
// The first reason given, or empty text.
std::string Reason();
// Raises InterruptedError when a stop was requested.
void ThrowIfRequested();

// Runs callback on a watcher thread once a stop is requested (at once when it
// already was): the way to break off a call that blocks the main thread, such
// as a running database statement. Returns a key for Forget.
int OnRequest(std::function<void()> callback);
void Forget(int key);

// Tests only: forgets a request.
void ResetForTests() noexcept;

}  // namespace interruption
}  // namespace tramex
