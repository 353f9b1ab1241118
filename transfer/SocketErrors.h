// Typed errors of the TCP transport. Socket failures carry the socket error
// code of the common table, so an operator reads the same text on every system.
#pragma once

#include <string>

#include "common/Error.h"

namespace tramex {

// Text of the table for a socket error code; empty for a code not in it.
std::string SocketErrorText(int code);

// "Socket Error # <code>" + CR LF + the table's text.
std::string SocketErrorMessage(int code);

class ESocketError : public Error {
  public:
    explicit ESocketError(int code) : Error(SocketErrorMessage(code)), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

// Code 10038: an operation on a handle that is no socket (any more).
class ENotASocket : public ESocketError {
  public:
    ENotASocket() : ESocketError(kCode) {}
    static constexpr int kCode = 10038;
};

// Raises ENotASocket for 10038, ESocketError for any other code.
[[noreturn]] void RaiseSocketError(int code);

class EConnectTimeout : public Error {
  public:
    EConnectTimeout() : Error("Connect timed out.") {}
};

// A connect failure without a usable socket error code of its own.
class EConnectError : public Error {
  public:
    explicit EConnectError(const std::string& message) : Error(message) {}
};

class EConnClosedGracefully : public Error {
  public:
    EConnClosedGracefully() : Error("Connection Closed Gracefully.") {}
};

class EMaxLineLengthExceeded : public Error {
  public:
    EMaxLineLengthExceeded() : Error("Max line length exceeded.") {}
};

class EMaxLineReadAttemptsExceeded : public Error {
  public:
    EMaxLineReadAttemptsExceeded() : Error("Max line read attempts exceeded.") {}
};

class EReadTimeout : public Error {
  public:
    EReadTimeout() : Error("Read timed out.") {}
};

// A send during which the socket took no byte for the connection's limit.
class EWriteTimeout : public Error {
  public:
    EWriteTimeout() : Error("Write timed out.") {}
};

class ENoDataToRead : public Error {
  public:
    ENoDataToRead() : Error("No data to read.") {}
};

}  // namespace tramex
