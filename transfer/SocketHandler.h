// The socket layer under a TCP connection: one IPv4 stream socket with
// resolution, connect, timed readiness waits, receive, send and close. Error
// codes are always those of the common socket error table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tramex {

// The code of a send or receive that would have had to wait.
inline constexpr int kWouldBlockCode = 10035;

// Bytes moved by one receive or send, or the table code of its failure.
struct SocketTransfer {
    size_t bytes = 0;
    int error = 0;
};

// Bytes moved by one send taken straight from a file, or the table code of
// its failure. Zero bytes without an error: the file had nothing left to give.
// unsupported: the system will not send this file directly and nothing was
// sent; the rest is to be read and sent with Send, from the file position.
struct FileSendTransfer {
    size_t bytes = 0;
    int error = 0;
    bool unsupported = false;
};

// Sends one open file's data to the socket without copying it through the
// program, piece by piece from the file's current position (which each piece
// advances). Lives for one file transfer.
class TFileSender {
  public:
    virtual ~TFileSender() = default;
    // Sends up to length bytes, possibly fewer.
    virtual FileSendTransfer SendPiece(size_t length) = 0;
};

class TSocketHandler {
  public:
    virtual ~TSocketHandler() = default;

    // Numeric IPv4 text for host: "localhost" in any case and numeric
    // addresses without the resolver, else the resolver's first IPv4 address.
    // Raises ESocketError (11001 for an unknown host).
    virtual std::string ResolveIPv4(const std::string& host) = 0;
    // Creates the stream socket bound to any local address; raises ESocketError.
    virtual void Allocate() = 0;
    virtual bool IsAllocated() const = 0;
    // Blocking connect; returns 0 or the table code. May run on a worker thread
    // while the owner calls AbortConnect.
    virtual int Connect(const std::string& address, uint16_t port) = 0;
    // Makes a Connect running on another thread return soon.
    virtual void AbortConnect() = 0;
    // Waits until data (or the peer's close) can be received; limitMs < 0
    // waits without limit. Raises ESocketError.
    virtual bool WaitReadable(int limitMs) = 0;
    // Waits until a send can take bytes again (or would fail at once);
    // limitMs < 0 waits without limit. Raises ESocketError.
    virtual bool WaitWritable(int limitMs) = 0;
    // A receive may find nothing after all: the code 10035 then.
    virtual SocketTransfer Receive(char* buffer, size_t max) = 0;
    // Never blocks on a connected socket: when the socket takes no byte at
    // all, the code 10035, and the caller waits with WaitWritable. Direct file
    // sends behave the same way.
    virtual SocketTransfer Send(const char* data, size_t length) = 0;
    // A sender for the open file with the given native handle (descriptor or
    // HANDLE), or nullptr when this socket layer has none: the file is then
    // read and sent with Send.
    virtual std::unique_ptr<TFileSender> StartFileSend(intptr_t /*fileHandle*/) { return nullptr; }
    // Shuts down the sending direction and closes; nothing when not allocated.
    virtual void Close() = 0;
};

// The socket layer of this system.
std::unique_ptr<TSocketHandler> CreateSocketHandler();

}  // namespace tramex
