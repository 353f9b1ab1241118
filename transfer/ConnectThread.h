// The short-lived worker that performs a blocking TCP connect while the
// calling thread waits in steps and keeps the window responsive.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "transfer/SocketHandler.h"

namespace tramex {

class TConnectThread {
  public:
    TConnectThread(TSocketHandler& socket, std::string address, uint16_t port);
    // Waits for the worker; an unfinished connect blocks until it returns.
    ~TConnectThread();
    TConnectThread(const TConnectThread&) = delete;
    TConnectThread& operator=(const TConnectThread&) = delete;

    // Sleeps up to limitMs, returning early once the connect has finished.
    bool WaitFinished(int limitMs);
    void Join();
    // Valid once finished: 0 on success, else the table code.
    int ErrorCode() const { return errorCode_; }

  private:
    void Run(std::string address, uint16_t port);

    TSocketHandler& socket_;
    std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    int errorCode_ = 0;
    std::thread worker_;
};

}  // namespace tramex
