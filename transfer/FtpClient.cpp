// TFtpClient: the command exchange with its one reply reader (the 421 rule
// lives here and nowhere else), IsConnected and Disconnect.
#include "transfer/FtpClient.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>

#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"

namespace tramex {

TFtpClient::TFtpClient() : TFtpClient(CreateSocketHandler()) {}

TFtpClient::TFtpClient(std::unique_ptr<TSocketHandler> controlSocket)
    : TTcpConnection(std::move(controlSocket)) {
    Port = 21;
    ReadTimeout = 60000;
}

void RequireSafeArgument(std::string_view argument) {
    if (argument.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw EInvalidCommandArgument();
}

namespace {

// What an observer may see of a command: never a password or an account.
std::string Loggable(const std::string& command) {
    const std::string verb = command.substr(0, command.find(' '));
    for (const char* secret : {"PASS", "ACCT", "XAUT"}) {
        if (verb == secret) return verb + " ****";
    }
    return command;
}

}  // namespace

// Operations check their arguments before they send anything; this last look
// covers whatever a command is built from.
void TFtpClient::SendLine(const std::string& command) {
    RequireSafeArgument(command);
    if (CommandSent) CommandSent(Loggable(command));
    WriteLine(command);
}

TFtpReply TFtpClient::SendCommand(const std::string& command, const std::vector<int>& accepted) {
    SendLine(command);
    return ReadReply(accepted);
}

// A whole reply must arrive within ReadTimeout, and a reply that does not, or
// that is too long, leaves the dialogue out of step: the connection is closed.
TFtpReply TFtpClient::ReadReplyUnchecked() {
    std::optional<Clock::time_point> deadline;
    if (ReadTimeout > 0) deadline = Clock::now() + std::chrono::milliseconds(ReadTimeout);
    try {
        lastReply_ = ReadFtpReply([this, &deadline] {
            return deadline ? ReadNonEmptyLineBefore(*deadline) : ReadNonEmptyLine();
        });
    } catch (const EReplyTooLong&) {
        CloseAndDiscard();
        throw;
    } catch (const EReadTimeout&) {
        CloseAndDiscard();
        throw;
    }
    if (ReplyReceived) ReplyReceived(lastReply_.Code);
    return lastReply_;
}

// A 421 outside the command's own list means the server is going away: the
// connection is dropped at once, without QUIT, whatever the command accepts.
TFtpReply TFtpClient::ReadReply(const std::vector<int>& accepted) {
    TFtpReply reply = ReadReplyUnchecked();
    const bool listNames421 = std::find(accepted.begin(), accepted.end(),
                                        ftpcodes::kServiceNotAvailable) != accepted.end();
    if (reply.Code == ftpcodes::kServiceNotAvailable && !listNames421) {
        CloseAndDiscard();
        throw EFtpServiceNotAvailable(reply);
    }
    if (!IsAcceptedCode(reply.Code, accepted)) throw EReplyError(reply);
    return reply;
}

void TFtpClient::CloseAndDiscard() {
    Close();
    DiscardInput();
}

// A client whose control connection is gone has nobody to talk to; the
// operator is told whether the server hung up or there never was a connection.
void TFtpClient::RequireConnected() {
    if (everConnected_ && IsOpen()) return;
    if (everConnected_ && ClosedByPeer()) throw EConnClosedGracefully();
    throw ENotConnected();
}

void TFtpClient::ResetConnectionState() {
    lastReply_ = {};
    greeting_ = {};
    loginMessage_ = {};
    serverDescription_.clear();
    systemDescription_.clear();
    serverUtcOffset_.clear();
    capabilities_ = {};
    Encoding = TextEncoding::SingleByte;
}

bool TFtpClient::IsConnected() { return everConnected_ && IsOpen(); }

// The reply to QUIT is read only if it arrives quickly; its code is not looked
// at, since the connection is closed either way.
void TFtpClient::Disconnect() {
    if (!IsConnected()) {
        Close();
        return;
    }
    try {
        SendLine("QUIT");
        if (WaitForData(QuitReplyWaitMs)) ReadReplyUnchecked();
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

}  // namespace tramex
