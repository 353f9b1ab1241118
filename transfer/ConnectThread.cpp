// The connect worker: runs one blocking connect and reports when it is done.
#include "transfer/ConnectThread.h"

#include <chrono>
#include <utility>

namespace tramex {

TConnectThread::TConnectThread(TSocketHandler& socket, std::string address, uint16_t port)
    : socket_(socket), worker_(&TConnectThread::Run, this, std::move(address), port) {}

TConnectThread::~TConnectThread() { Join(); }

void TConnectThread::Run(std::string address, uint16_t port) {
    const int code = socket_.Connect(address, port);
    std::lock_guard lock(mutex_);
    errorCode_ = code;
    finished_ = true;
    finishedChanged_.notify_all();
}

bool TConnectThread::WaitFinished(int limitMs) {
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, std::chrono::milliseconds(limitMs),
                                     [this] { return finished_; });
}

void TConnectThread::Join() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace tramex
