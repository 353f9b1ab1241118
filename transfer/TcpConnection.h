// A TCP connection over IPv4 for the FTP client: opens under a time limit,
// reads text lines, writes lines and file data, and keeps the window
// responsive through the anti-freeze while it waits.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/LocalFile.h"
#include "transfer/SocketErrors.h"
#include "transfer/SocketHandler.h"
#include "transfer/TcpTextEncoding.h"
#include "transfer/TlsSession.h"

namespace tramex {

class TTcpConnection {
  public:
    TTcpConnection();
    // Test seam: runs the connection on the given socket layer.
    explicit TTcpConnection(std::unique_ptr<TSocketHandler> socket);
    virtual ~TTcpConnection();
    TTcpConnection(const TTcpConnection&) = delete;
    TTcpConnection& operator=(const TTcpConnection&) = delete;

    std::string Host;
    uint16_t Port = 0;
    int ConnectTimeout = 0;  // ms; 0: the default rule, -1: no limit at all
    int ReadTimeout = -1;    // ms; -1 or 0: no limit
    // ms a send may wait for the socket to take a byte; 0: as ReadTimeout,
    // -1: no limit.
    int WriteTimeout = 0;
    int RecvBufferSize = 32768;  // largest single receive
    int SendBufferSize = 32768;  // largest piece of file data per send
    int MaxLineLength = 16384;
    TextEncoding Encoding = TextEncoding::SingleByte;
    // Connect waits sleep in steps of this many ms (or the idle slice if smaller).
    int ConnectStepMs = 125;
    // Connect limit when ConnectTimeout is 0 and the anti-freeze is in force.
    int AntiFreezeConnectLimitMs = 120000;

    // Resolves Host and connects to Port; raises on failure, leaving it closed.
    void Open();
    // Shuts down the sending direction and closes; nothing when closed.
    void Close();
    // Open and not closed by the peer, or received data still unread.
    bool IsOpen();
    // Waits up to limitMs (< 0: no limit) for data; true when input arrived.
    bool WaitForData(int limitMs);
    // The next line without its end; an empty text with ReadLineTimedOut()
    // set when ReadTimeout ran out first.
    std::string ReadLine();
    bool ReadLineTimedOut() const { return readLineTimedOut_; }
    // The next line that is not empty once stripped of codes 0 to 32.
    std::string ReadNonEmptyLine();
    using Clock = std::chrono::steady_clock;
    // The same, with every wait also ending at the deadline, so a peer that
    // trickles bytes cannot stretch a read beyond it.
    std::string ReadNonEmptyLineBefore(Clock::time_point deadline);
    // Sends the text and CR LF at once, encoded with Encoding.
    void WriteLine(const std::string& utf8Text);
    // Sends the whole file, or the rest from its current position.
    void WriteFileData(LocalFile& file, bool wholeFile);
    // Numeric IPv4 text of the peer of the last successful Open.
    std::string PeerAddress() const { return peerAddress_; }
    bool ClosedByPeer() const { return closedByPeer_; }
    // Drops all received and unread input.
    void DiscardInput();

    // Runs the TLS handshake on the open connection; from then on every read
    // and write goes through TLS. Each wait of the handshake is bounded by
    // limitMs (<= 0: ReadTimeout), and so is the whole handshake. With
    // resumeFrom, offers that connection's TLS session again. On failure the
    // connection is closed.
    void StartTls(const TlsSettings& settings, const TTcpConnection* resumeFrom = nullptr,
                  int limitMs = 0);
    bool UsesTls() const { return tls_ != nullptr; }
    // What the handshake agreed; empty texts without TLS.
    TlsSummary TlsDetails() const;
    // Sends TLS's closing alert, waiting for the socket as a send does; nothing
    // without TLS. Close() only tries once without waiting.
    void SendCloseNotify();

  private:
    int ConnectLimit() const;
    void ConnectOnWorker(const std::string& address, int limitMs);
    void EnsureSocket() const;
    enum class Readiness { Readable, Writable };
    bool WaitReady(Readiness readiness, int limitMs);
    bool WaitInSlices(Readiness readiness, int limitMs, int sliceMs);
    bool PollOnce(Readiness readiness, int limitMs);
    enum class ReceiveOutcome { Data, Nothing, TimedOut, PeerClosed, Failed };
    ReceiveOutcome ReceiveOnce(bool raise);
    bool FillInput(int limitMs, bool raise);
    std::string ReadLineWithin(std::optional<Clock::time_point> deadline);
    std::string ReadNonEmptyLineWithin(std::optional<Clock::time_point> deadline);
    int LineWaitLimit(std::optional<Clock::time_point> deadline) const;
    [[noreturn]] void FailSend(int error);
    void WaitUntilSendable();
    void SendBytes(const char* data, size_t length);
    std::optional<size_t> SendPieceDirect(TFileSender& sender, size_t piece);
    size_t SendPieceRead(LocalFile& file, size_t piece);
    void CloseAfterFailure();
    ReceiveOutcome ReceiveOnceTls(bool raise);
    SocketTransfer SendOnce(const char* data, size_t length);
    void WaitForHandshake(TlsWait wait, Clock::time_point deadline, int limitMs);

    std::unique_ptr<TSocketHandler> socket_;
    std::unique_ptr<TTlsSession> tls_;
    bool opened_ = false;
    bool closedByPeer_ = false;
    bool readLineTimedOut_ = false;
    std::string input_;
    size_t lineSearchStart_ = 0;  // bytes of input_ already searched for LF
    std::vector<char> receiveBuffer_;
    std::vector<char> fileBuffer_;
    std::string peerAddress_;
};

// A data connection: the same transport, opened by the FTP client per transfer.
class TTcpClient : public TTcpConnection {
  public:
    using TTcpConnection::TTcpConnection;
};

}  // namespace tramex
