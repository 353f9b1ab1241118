// TFtpClient::Connect: greeting, HOST, login, FEAT, type, SYST and SITE ZONE,
// and the one repeated connect for servers that hang up after refusing HOST.
#include <exception>

#include "transfer/FtpClient.h"
#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"

namespace tramex {

void TFtpClient::Connect() { ConnectFromStart(SendHost); }

void TFtpClient::ConnectFromStart(bool sendHost) {
    ResetConnectionState();
    if (everConnected_ && IsOpen()) {
        CloseAndDiscard();
        throw EAlreadyConnected();
    }
    if (Host.empty()) throw EHostRequired();
    if (Port == 0) throw EPortRequired();
    RequireSafeSettings();

    Open();
    everConnected_ = true;
    Encoding = TextEncoding::SingleByte;
    bool greetingAccepted = false;
    try {
        if (ImplicitTls) StartTls(TlsSettingsForHost());
        ReadGreeting();
        greetingAccepted = true;
        if (sendHost && !SendHostKeepsConnection()) {
            CloseAndDiscard();
            ConnectFromStart(false);
            return;
        }
        if (UseTls && !ImplicitTls) StartControlTls();
        if (AutoLogin) RunLoggedInSetup();
    } catch (...) {
        AbandonConnection(greetingAccepted);
        throw;
    }
}

// Settings come from database rows and options: each one that can end up in
// a command is checked before the connection is opened.
void TFtpClient::RequireSafeSettings() const {
    for (const std::string* setting : {&Host, &HostArgument, &Username, &Password, &Account,
                                       &ClientName, &ClientVersion, &ClientPlatform})
        RequireSafeArgument(*setting);
}

TlsSettings TFtpClient::TlsSettingsForHost() const {
    return {Host, PinnedFingerprint, TrustStoreFile};
}

// AUTH TLS (RFC 4217): anything but 234 leaves the dialogue in clear, so the
// connect ends there, before the user name or the password is sent.
void TFtpClient::StartControlTls() {
    SendCommand("AUTH TLS", ftpcodes::kAuthTls);
    StartTls(TlsSettingsForHost());
}

// Every data connection is to be encrypted too: no buffer size (it means
// nothing over a stream), protection level Private.
void TFtpClient::ProtectDataConnections() {
    SendCommand("PBSZ 0", ftpcodes::kPbsz);
    SendCommand("PROT P", ftpcodes::kProt);
}

void TFtpClient::RunLoggedInSetup() {
    Login();
    ReadSystem();
    SendSiteZoneWhenWanted();
    SendType();
}

// The original error is what the caller must see, so a failing QUIT exchange
// on the way out is dropped.
void TFtpClient::AbandonConnection(bool greetingAccepted) {
    if (greetingAccepted) {
        try {
            Disconnect();
        } catch (const std::exception&) {
        }
    }
    CloseAndDiscard();
}

// Some servers send a 1xx ("ready in a moment") before their 220.
void TFtpClient::ReadGreeting() {
    TFtpReply reply = ReadReply(ftpcodes::kAny);
    if (reply.Code >= 100 && reply.Code < 200) reply = ReadReply(ftpcodes::kGreeting);
    if (!IsAcceptedCode(reply.Code, ftpcodes::kGreeting)) throw EReplyError(reply);
    greeting_ = reply;
    serverDescription_ = reply.FirstLine();
}

// HOST names the virtual host we want (RFC 7151); a numeric address goes in
// brackets. Returns false when the server hung up after refusing it, so that
// the caller connects again without HOST.
bool TFtpClient::SendHostKeepsConnection() {
    std::string argument = HostArgument.empty() ? Host : HostArgument;
    if (argument == PeerAddress()) argument = "[" + argument + "]";
    const TFtpReply reply = SendCommand("HOST " + argument, ftpcodes::kAny);
    if (reply.Code == ftpcodes::kServiceReady) {
        greeting_ = reply;
        return true;
    }
    // A look at the socket notices a server that closed right after its reply;
    // the reply line alone does not tell.
    IsOpen();
    return !ClosedByPeer();
}

void TFtpClient::ReadSystem() {
    const TFtpReply reply = SendCommand("SYST", ftpcodes::kAny);
    systemDescription_ = reply.Code == ftpcodes::kSyntaxError ? "Unknown" : reply.FirstLine();
}

void TFtpClient::SendSiteZoneWhenWanted() {
    if (!WantsSiteZone(serverDescription_, capabilities_)) return;
    const TFtpReply reply = SendCommand("SITE ZONE", ftpcodes::kAny);
    if (reply.Code == ftpcodes::kSystemStatus) serverUtcOffset_ = reply.FirstLine();
}

void TFtpClient::SendType() {
    SendCommand(TransferType == TFtpTransferType::Binary ? "TYPE I" : "TYPE A", ftpcodes::kType);
}

}  // namespace tramex
