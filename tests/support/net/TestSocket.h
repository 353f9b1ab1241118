// Loopback sockets for tests: a listener on 127.0.0.1 with a free port and the
// server side of an accepted connection. Every wait has a time limit; a wait
// that runs out raises TestNetError.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tramex::testnet {

class TestNetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A socket: a descriptor on POSIX, a SOCKET handle on Windows; -1 for none.
using TestSocketHandle = std::intptr_t;

// The server side of one accepted connection; records every byte received.
class TestPeer {
  public:
    explicit TestPeer(TestSocketHandle fd) : fd_(fd) {}
    ~TestPeer();
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    void Send(std::string_view bytes);
    // The next line received, without its LF and a CR before it.
    std::string ReadLine(int limitMs);
    // Exactly count bytes.
    std::string ReadBytes(size_t count, int limitMs);
    // Everything until the client closes its sending direction.
    std::string ReadUntilClosed(int limitMs);
    // True when the client closed its side within limitMs (pending data are read).
    bool WaitClosed(int limitMs);
    void ShutdownSend();
    // Sends the bytes and shuts down the sending direction so that, where the
    // system allows (Linux), the last bytes and the FIN leave in one segment.
    void SendThenShutdown(std::string_view bytes);
    void Close();
    // Closes with a reset instead of an orderly close.
    void Reset();
    // Everything received so far, lines and raw bytes alike.
    const std::string& Received() const { return received_; }

  private:
    // One wait and receive into pending_; false at the client's close.
    bool ReceiveMore(int limitMs);

    TestSocketHandle fd_;
    std::string received_;
    std::string pending_;  // received, not yet returned by a read
};

class TestListener {
  public:
    // Listens on 127.0.0.1 on a free port.
    explicit TestListener(int backlog = 16);
    ~TestListener();
    TestListener(const TestListener&) = delete;
    TestListener& operator=(const TestListener&) = delete;

    uint16_t Port() const { return port_; }
    std::unique_ptr<TestPeer> Accept(int limitMs);
    void Close();

  private:
    TestSocketHandle fd_ = -1;
    uint16_t port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (bound briefly, then released).
uint16_t UnusedLoopbackPort();

// True when a Windows build runs under Wine, whose sockets differ from
// Windows' in a few places the tests name.
bool RunningUnderWine();

}  // namespace tramex::testnet
