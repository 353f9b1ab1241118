// The one anti-freeze of the application and the turns the transport gives it.
#include "transfer/AntiFreeze.h"

#include <atomic>

#include "common/Error.h"

namespace tramex {
namespace {

std::atomic<TAntiFreeze*> liveInstance{nullptr};

}  // namespace

TAntiFreeze::TAntiFreeze(MessagePump& pump) : pump_(pump) {
    TAntiFreeze* expected = nullptr;
    if (!liveInstance.compare_exchange_strong(expected, this))
        throw Error("Only one TAntiFreeze can exist per application.");
}

TAntiFreeze::~TAntiFreeze() {
    TAntiFreeze* expected = this;
    liveInstance.compare_exchange_strong(expected, nullptr);
}

TAntiFreeze* TAntiFreeze::Instance() { return liveInstance.load(); }

bool TAntiFreeze::InForce() {
    TAntiFreeze* instance = Instance();
    return instance != nullptr && instance->Active && instance->pump_.IsMainThread();
}

int TAntiFreeze::CurrentIdleSlice() { return InForce() ? Instance()->IdleSlice : 0; }

void TAntiFreeze::IdleTurn() {
    if (InForce()) Instance()->Process();
}

void TAntiFreeze::BusyTurn() {
    if (InForce() && !Instance()->IdleOnly) Instance()->Process();
}

void TAntiFreeze::Process() {
    if (ProcessAllMessages)
        pump_.ProcessAllPendingMessages();
    else
        pump_.ProcessOnePendingMessage();
}

}  // namespace tramex
