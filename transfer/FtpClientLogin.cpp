// TFtpClient login: USER/PASS (with the one-time password when the server
// sends a challenge), the scrambled XAUT form, ACCT, then FEAT and the type.
#include "transfer/FtpClient.h"
#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"
#include "transfer/FtpXaut.h"
#include "transfer/OtpPassword.h"

namespace tramex {
namespace {

std::string JoinedText(const TFtpReply& reply) {
    std::string text;
    for (std::size_t i = 0; i < reply.Text.size(); ++i) text += (i ? "\r\n" : "") + reply.Text[i];
    return text;
}

}  // namespace

void TFtpClient::Login() {
    if (const auto challenge = FindXautChallenge(JoinedText(greeting_))) {
        const TFtpReply reply =
            SendCommand("XAUT 2 " + XautScramble(Username, Password, *challenge), ftpcodes::kXaut);
        if (reply.Code == ftpcodes::kNeedPassword) SendAccountWhenNeeded(reply);
    } else {
        LoginWithUserAndPass();
    }
    loginMessage_ = lastReply_;
    if (UsesTls()) ProtectDataConnections();
    if (SendFeat) ProcessFeatures();
    SendType();
}

void TFtpClient::LoginWithUserAndPass() {
    const TFtpReply userReply = SendCommand("USER " + Username, ftpcodes::kUser);
    if (userReply.Code != ftpcodes::kNeedPassword) return;
    const TFtpReply passReply = SendCommand("PASS " + PasswordFor(userReply), ftpcodes::kPass);
    SendAccountWhenNeeded(passReply);
}

void TFtpClient::SendAccountWhenNeeded(const TFtpReply& lastLoginReply) {
    const bool needed =
        lastLoginReply.Code == ftpcodes::kNeedAccount ||
        (JoinedText(lastLoginReply).find("ACCOUNT") != std::string::npos && !Account.empty());
    if (!needed) return;
    if (Account.empty()) throw EReplyError(lastLoginReply);
    SendCommand("ACCT " + Account, ftpcodes::kAcct);
}

std::string TFtpClient::PasswordFor(const TFtpReply& userReply) const {
    if (const auto challenge = FindOtpChallenge(JoinedText(userReply)))
        return OtpResponse(*challenge, Password);
    return Password;
}

void TFtpClient::ProcessFeatures() {
    capabilities_ = FtpCapabilities(SendCommand("FEAT", ftpcodes::kAny));
    if (capabilities_.Supports("CLNT"))
        SendCommand("CLNT " + ClientIdentification(), ftpcodes::kAny);
    if (capabilities_.Supports("UTF8")) Encoding = TextEncoding::Utf8;
}

std::string TFtpClient::ClientIdentification() const {
    if (ClientName.empty()) return "Tramex2 FTP 1.0";
    std::string identification = ClientName;
    for (const std::string* part : {&ClientVersion, &ClientPlatform})
        if (!part->empty()) identification += " " + *part;
    return identification;
}

}  // namespace tramex
