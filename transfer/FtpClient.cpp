// TFtpClient: the command exchange with its one reply reader (the 421 rule
// lives here and nowhere else), IsConnected and Disconnect.
#include "transfer/FtpClient.h"

#include <algorithm>

#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"

namespace tramex {

TFtpClient::TFtpClient() : TFtpClient(CreateSocketHandler()) {}

TFtpClient::TFtpClient(std::unique_ptr<TSocketHandler> controlSocket)
    : TTcpConnection(std::move(controlSocket)) {
    Port = 21;
    ReadTimeout = 60000;
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

void TFtpClient::SendLine(const std::string& command) {
    if (CommandSent) CommandSent(Loggable(command));
    WriteLine(command);
}

TFtpReply TFtpClient::SendCommand(const std::string& command, const std::vector<int>& accepted) {
    SendLine(command);
    return ReadReply(accepted);
}

TFtpReply TFtpClient::ReadReplyUnchecked() {
    lastReply_ = ReadFtpReply([this] { return ReadNonEmptyLine(); });
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

// A client whose control connection is gone (never opened, closed by us, or
// closed by the server with nothing left to read) has nobody to talk to.
void TFtpClient::RequireConnected() {
    if (!everConnected_ || !IsOpen()) throw ENotConnected();
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
