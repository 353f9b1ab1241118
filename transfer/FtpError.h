// Errors raised by the FTP client itself; the transport's errors and the file
// layer's open error reach the caller unchanged beside these.
#pragma once

#include <string>

#include "common/Error.h"
#include "transfer/FtpReply.h"

namespace tramex {

// A reply outside the command's accepted codes; the message is the server's
// own text, each line followed by CR LF.
class EReplyError : public Error {
  public:
    explicit EReplyError(const TFtpReply& reply) : Error(reply.Message()), Reply(reply) {}
    int Code() const { return Reply.Code; }
    TFtpReply Reply;
};

// A 421 reply: the server is closing the control connection.
class EFtpServiceNotAvailable : public EReplyError {
  public:
    using EReplyError::EReplyError;
};

class EProtocolError : public Error {
  public:
    using Error::Error;
};

// A reply beyond the lines or bytes one reply may hold: a server that sends
// without end must not exhaust the memory.
class EReplyTooLong : public EProtocolError {
  public:
    EReplyTooLong() : EProtocolError("Reply too long.") {}
};

// CR, LF or NUL in a command argument would end the command early and put
// the rest on the wire as a command of its own.
class EInvalidCommandArgument : public EProtocolError {
  public:
    EInvalidCommandArgument() : EProtocolError("Invalid character in FTP command argument.") {}
};

// The server's size or digest of a stored file differs from the local file's.
class EUploadCheckFailed : public Error {
  public:
    using Error::Error;
};

class EAlreadyConnected : public Error {
  public:
    EAlreadyConnected() : Error("Already connected.") {}
};

class EHostRequired : public Error {
  public:
    EHostRequired() : Error("") {}
};

class EPortRequired : public Error {
  public:
    EPortRequired() : Error("") {}
};

class EUploadFileNameEmpty : public Error {
  public:
    EUploadFileNameEmpty() : Error("The destination filename can not be empty") {}
};

class ENotConnected : public Error {
  public:
    ENotConnected() : Error("Not Connected") {}
};

// A text that should hold an integer and does not.
class EConvertError : public Error {
  public:
    using Error::Error;
};

}  // namespace tramex
