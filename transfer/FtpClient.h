// The FTP upload client: one control connection (the client is itself that
// connection), automatic login, an optional change of directory, one binary
// upload in passive mode and an orderly disconnect. Every failure is raised.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "transfer/FtpFeatures.h"
#include "transfer/FtpReply.h"
#include "transfer/TcpConnection.h"

namespace tramex {

enum class TFtpTransferType { Ascii, Binary };

inline constexpr const char* kTemporaryUploadSuffix = ".parcial";

// Raises EInvalidCommandArgument when the text holds CR, LF or NUL.
void RequireSafeArgument(std::string_view argument);

class TFtpClient : public TTcpConnection {
  public:
    TFtpClient();
    // Test seam: the control connection runs on the given socket layer.
    explicit TFtpClient(std::unique_ptr<TSocketHandler> controlSocket);
    // Closes an open control connection without QUIT.
    ~TFtpClient() override = default;

    // Settings (Host, Port, ReadTimeout and ConnectTimeout come from the
    // connection; Port is 21 and ReadTimeout 60000 ms here).
    std::string Username;
    std::string Password;
    std::string Account;  // sent with ACCT only when the server asks for it
    TFtpTransferType TransferType = TFtpTransferType::Binary;
    bool AutoLogin = true;
    bool SendFeat = true;
    bool SendHost = true;
    std::string HostArgument;  // argument of HOST; Host when empty
    // False: data connections go to the control connection's peer, whatever
    // address the PASV reply names. True: to the reply's address, replaced
    // by the peer's only when the reply's is private and the peer's public.
    bool PassiveAddressFromReply = false;
    int TransferTimeout = 0;  // read limit of data connections, ms (0: none)
    // CLNT identification; "Tramex2 FTP 1.0" while ClientName is empty.
    std::string ClientName;
    std::string ClientVersion;
    std::string ClientPlatform;
    int QuitReplyWaitMs = 100;  // how long Disconnect waits for QUIT's reply
    // True: a store goes to the remote name plus kTemporaryUploadSuffix and
    // is renamed to the remote name once the server confirmed it, so a cut
    // upload never sits under the final name. Appends go straight on.
    bool UploadWithTemporaryName = false;
    // Explicit TLS: after the greeting (and HOST) the client asks for TLS and
    // sends the login and every file only under it; a server that refuses
    // fails the connect before the user name crosses.
    bool UseTls = false;
    // "sha256:HEX": with TLS, a certificate is trusted only with this SHA-256
    // fingerprint (for servers with a certificate of their own making). Empty:
    // the system's trust store and the host name decide.
    std::string PinnedFingerprint;
    // Implicit TLS: the handshake right after the TCP connect, before the
    // greeting; pins and checks as for explicit TLS.
    bool ImplicitTls = false;
    // A PEM file of trusted authorities in place of the system's trust store.
    std::string TrustStoreFile;

    // After a store's final reply, ask the server for the stored file's size
    // (when FEAT lists SIZE) and a digest of it (HASH, XSHA256, XSHA1, XMD5,
    // XCRC), and fail the store with EUploadCheckFailed when one differs.
    bool VerifyUpload = true;

    // Observers, for a log of the dialogue: each command as sent, with the
    // argument of PASS, ACCT and XAUT replaced by "****", and each reply's code.
    std::function<void(const std::string& command)> CommandSent;
    std::function<void(int code)> ReplyReceived;
    // Events worth a line in a log that are no command or reply.
    std::function<void(const std::string& text)> Notice;

    bool IsConnected();
    void Disconnect();
    void Connect();
    void ChangeDirectory(const std::string& remotePath);
    // startPosition -1: the whole file without REST.
    void StoreFile(const std::string& localPath, const std::string& remoteName, bool append,
                   std::int64_t startPosition);

    // Connection state, renewed at every connect.
    const TFtpReply& LastReply() const { return lastReply_; }
    const TFtpReply& Greeting() const { return greeting_; }
    const TFtpReply& LoginMessage() const { return loginMessage_; }
    const std::string& ServerDescription() const { return serverDescription_; }
    const std::string& SystemDescription() const { return systemDescription_; }
    const std::string& ServerUtcOffset() const { return serverUtcOffset_; }
    const FtpCapabilities& Capabilities() const { return capabilities_; }
    // Whether the last data connection resumed the control connection's session.
    bool LastDataTlsResumed() const { return lastDataTlsResumed_; }
    // What the last store's check compared ("tamaño y SHA-256"); empty when
    // the server offered nothing to compare.
    const std::string& LastStoreCheck() const { return lastStoreCheck_; }

  private:
    // Command exchange and reply reading (FtpClient.cpp).
    void SendLine(const std::string& command);
    TFtpReply SendCommand(const std::string& command, const std::vector<int>& accepted);
    TFtpReply ReadReply(const std::vector<int>& accepted);
    TFtpReply ReadReplyUnchecked();
    void RequireConnected();
    void ResetConnectionState();
    void CloseAndDiscard();

    // Connect steps (FtpClientConnect.cpp).
    void ConnectFromStart(bool sendHost);
    void RunLoggedInSetup();
    void ReadGreeting();
    bool SendHostKeepsConnection();
    void ReadSystem();
    void SendSiteZoneWhenWanted();
    void SendType();
    void StartControlTls();
    void ProtectDataConnections();
    TlsSettings TlsSettingsForHost() const;
    void AbandonConnection(bool greetingAccepted);

    // Login and features (FtpClientLogin.cpp).
    void Login();
    void LoginWithUserAndPass();
    void SendAccountWhenNeeded(const TFtpReply& lastLoginReply);
    std::string PasswordFor(const TFtpReply& userReply) const;
    void ProcessFeatures();
    std::string ClientIdentification() const;

    // Store (FtpClientStore.cpp).
    std::string DataHostFor(const std::string& replyHost) const;
    void TransferFile(class LocalFile& file, const std::string& transferCommand,
                      const std::string& dataHost, std::uint16_t dataPort, bool wholeFile);
    std::exception_ptr SendOverDataConnection(class LocalFile& file, const std::string& dataHost,
                                              std::uint16_t dataPort, bool wholeFile);
    void ReadFinalReply(const std::exception_ptr& dataFailure);
    void SendRestart(std::int64_t position);
    void RemoveFailedStore(const std::string& storedName);

    // The check of a stored file (FtpStoreCheck.cpp).
    void CheckStoredFile(class LocalFile& file, const std::string& storedName);
    void CheckStoredSize(class LocalFile& file, const std::string& storedName);
    std::string CheckStoredDigest(const std::string& localPath, const std::string& storedName);
    void RequireSafeSettings() const;

    bool everConnected_ = false;
    bool lastDataTlsResumed_ = false;
    bool transferAccepted_ = false;  // the server took the last STOR or APPE
    std::string lastStoreCheck_;
    TFtpReply lastReply_;
    TFtpReply greeting_;
    TFtpReply loginMessage_;
    std::string serverDescription_;
    std::string systemDescription_;
    std::string serverUtcOffset_;
    FtpCapabilities capabilities_;
};

}  // namespace tramex
