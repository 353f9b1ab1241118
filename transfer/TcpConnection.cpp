// TCP connection: open under a limit, line reading over an input buffer, and
// sends of lines and file pieces, with anti-freeze turns in every wait.
#include "transfer/TcpConnection.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <optional>

#include "transfer/AntiFreeze.h"
#include "transfer/ConnectThread.h"

namespace tramex {
namespace {

constexpr int kReceiveTimedOutCode = 10060;

std::string StripControls(const std::string& line) {
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(line.begin(), line.end(), isControl);
    const auto last = std::find_if_not(line.rbegin(), line.rend(), isControl).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace

TTcpConnection::TTcpConnection() : TTcpConnection(CreateSocketHandler()) {}

TTcpConnection::TTcpConnection(std::unique_ptr<TSocketHandler> socket)
    : socket_(std::move(socket)) {}

TTcpConnection::~TTcpConnection() { Close(); }

// --- Open -------------------------------------------------------------------

int TTcpConnection::ConnectLimit() const {
    if (ConnectTimeout != 0) return ConnectTimeout;
    return TAntiFreeze::InForce() ? AntiFreezeConnectLimitMs : 0;
}

void TTcpConnection::Open() {
    std::string address;
    tls_.reset();
    try {
        // Looked up before the socket exists: resolution gives no idle turns.
        address = socket_->ResolveIPv4(Host);
        socket_->Allocate();
        const int limit = ConnectLimit();
        if (limit == 0) {
            if (const int code = socket_->Connect(address, Port)) RaiseSocketError(code);
        } else {
            ConnectOnWorker(address, limit);
        }
    } catch (...) {
        socket_->Close();
        opened_ = false;
        throw;
    }
    DiscardInput();
    closedByPeer_ = false;
    readLineTimedOut_ = false;
    peerAddress_ = address;
    opened_ = true;
}

// limitMs < 0: no limit. Only the sleep steps use up the limit, so time spent
// in window handlers during the idle turns does not count against it.
void TTcpConnection::ConnectOnWorker(const std::string& address, int limitMs) {
    const int idleSlice = TAntiFreeze::CurrentIdleSlice();
    const int step = idleSlice > 0 ? std::min(ConnectStepMs, idleSlice) : ConnectStepMs;
    TConnectThread worker(*socket_, address, Port);
    int sleptMs = 0;
    bool finished = false;
    while (!finished && (limitMs < 0 || sleptMs < limitMs)) {
        const int thisStep = limitMs < 0 ? step : std::min(step, limitMs - sleptMs);
        finished = worker.WaitFinished(thisStep);
        sleptMs += thisStep;
        try {
            TAntiFreeze::IdleTurn();
        } catch (...) {
            // The turn may end the wait (a stop of the run): the worker must
            // not outlive the socket it connects.
            socket_->AbortConnect();
            worker.Join();
            throw;
        }
    }
    if (!finished) {
        socket_->AbortConnect();
        worker.Join();
        throw EConnectTimeout();
    }
    worker.Join();
    const int code = worker.ErrorCode();
    if (code == 10009 || code == ENotASocket::kCode) throw EConnectError(SocketErrorMessage(code));
    if (code != 0) RaiseSocketError(code);
}

// --- Close and state ---------------------------------------------------------

void TTcpConnection::Close() {
    if (tls_) {
        if (opened_ && !closedByPeer_ && socket_->IsAllocated()) tls_->SendCloseNotify();
        tls_.reset();
    }
    socket_->Close();
    opened_ = false;
}

void TTcpConnection::CloseAfterFailure() {
    closedByPeer_ = true;
    socket_->Close();
}

void TTcpConnection::DiscardInput() {
    input_.clear();
    lineSearchStart_ = 0;
}

bool TTcpConnection::IsOpen() {
    if (socket_->IsAllocated() && opened_ && !closedByPeer_) {
        try {
            FillInput(0, false);
        } catch (const Error&) {
            // A failed look at the socket only decides the answer below.
        }
        if (closedByPeer_) socket_->Close();
    }
    return (socket_->IsAllocated() && opened_ && !closedByPeer_) || !input_.empty();
}

bool TTcpConnection::WaitForData(int limitMs) {
    if (!socket_->IsAllocated() || !opened_) return false;
    return FillInput(limitMs, true);
}

// --- Waiting and receiving ----------------------------------------------------

void TTcpConnection::EnsureSocket() const {
    if (!socket_->IsAllocated()) throw EConnClosedGracefully();
}

// limitMs < 0: no limit. Reads and sends wait alike: in idle slices with the
// anti-freeze's turns between them when it is in force, else in one wait.
bool TTcpConnection::WaitReady(Readiness readiness, int limitMs) {
    const int slice = TAntiFreeze::CurrentIdleSlice();
    if (slice <= 0) {
        EnsureSocket();
        return PollOnce(readiness, limitMs);
    }
    return WaitInSlices(readiness, limitMs, slice);
}

bool TTcpConnection::PollOnce(Readiness readiness, int limitMs) {
    // TLS may hold decrypted bytes of a record already taken off the socket.
    if (readiness == Readiness::Readable && tls_ && tls_->HasBufferedInput()) return true;
    return readiness == Readiness::Readable ? socket_->WaitReadable(limitMs)
                                            : socket_->WaitWritable(limitMs);
}

bool TTcpConnection::WaitInSlices(Readiness readiness, int limitMs, int sliceMs) {
    int remainingMs = limitMs;
    for (;;) {
        const bool lastWait = limitMs >= 0 && sliceMs >= remainingMs;
        EnsureSocket();
        const bool ready = PollOnce(readiness, lastWait ? remainingMs : sliceMs);
        if (ready)
            TAntiFreeze::BusyTurn();
        else
            TAntiFreeze::IdleTurn();
        if (ready || lastWait) return ready;
        if (limitMs >= 0) remainingMs -= sliceMs;
    }
}

TTcpConnection::ReceiveOutcome TTcpConnection::ReceiveOnce(bool raise) {
    if (tls_) return ReceiveOnceTls(raise);
    receiveBuffer_.resize(static_cast<size_t>(std::max(RecvBufferSize, 1)));
    const SocketTransfer result = socket_->Receive(receiveBuffer_.data(), receiveBuffer_.size());
    if (result.error == kReceiveTimedOutCode) return ReceiveOutcome::TimedOut;
    // Readable, then nothing after all (a segment dropped on the way up).
    if (result.error == kWouldBlockCode) return ReceiveOutcome::Nothing;
    if (result.error != 0) {
        CloseAfterFailure();
        if (raise && input_.empty()) RaiseSocketError(result.error);
        return ReceiveOutcome::Failed;
    }
    if (result.bytes == 0) {
        closedByPeer_ = true;
        return ReceiveOutcome::PeerClosed;
    }
    input_.append(receiveBuffer_.data(), result.bytes);
    return ReceiveOutcome::Data;
}

// One wait and, when the socket is readable, one receive: true when the input
// buffer grew.
bool TTcpConnection::FillInput(int limitMs, bool raise) {
    if (!WaitReady(Readiness::Readable, limitMs)) return false;
    return ReceiveOnce(raise) == ReceiveOutcome::Data;
}

// --- Lines -------------------------------------------------------------------

std::string TTcpConnection::ReadLine() { return ReadLineWithin(std::nullopt); }

// Each wait lasts ReadTimeout, cut short by the deadline when there is one;
// 0 once the deadline has passed.
int TTcpConnection::LineWaitLimit(std::optional<Clock::time_point> deadline) const {
    const int limit = ReadTimeout > 0 ? ReadTimeout : -1;
    if (!deadline) return limit;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    const int leftMs = left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX));
    return limit < 0 ? leftMs : std::min(limit, leftMs);
}

std::string TTcpConnection::ReadLineWithin(std::optional<Clock::time_point> deadline) {
    readLineTimedOut_ = false;
    size_t lineEnd = input_.find('\n', lineSearchStart_);
    while (lineEnd == std::string::npos) {
        lineSearchStart_ = input_.size();
        // A peer may send without end; once the unfinished line is already
        // too long, waiting for its LF cannot change the outcome.
        if (input_.size() > static_cast<size_t>(MaxLineLength)) throw EMaxLineLengthExceeded();
        if (closedByPeer_) {
            socket_->Close();
            throw EConnClosedGracefully();
        }
        const int limit = LineWaitLimit(deadline);
        const ReceiveOutcome outcome = limit != 0 && WaitReady(Readiness::Readable, limit)
                                           ? ReceiveOnce(true)
                                           : ReceiveOutcome::TimedOut;
        if (outcome == ReceiveOutcome::TimedOut) {
            readLineTimedOut_ = true;
            return {};
        }
        lineEnd = input_.find('\n', lineSearchStart_);
    }
    if (lineEnd > static_cast<size_t>(MaxLineLength)) throw EMaxLineLengthExceeded();
    size_t textEnd = lineEnd;
    if (textEnd > 0 && input_[textEnd - 1] == '\r') --textEnd;
    std::string line = DecodeWireText(std::string_view(input_).substr(0, textEnd), Encoding);
    input_.erase(0, lineEnd + 1);
    lineSearchStart_ = 0;
    return line;
}

std::string TTcpConnection::ReadNonEmptyLine() { return ReadNonEmptyLineWithin(std::nullopt); }

std::string TTcpConnection::ReadNonEmptyLineBefore(Clock::time_point deadline) {
    return ReadNonEmptyLineWithin(deadline);
}

std::string TTcpConnection::ReadNonEmptyLineWithin(std::optional<Clock::time_point> deadline) {
    for (int attempt = 0; attempt < INT_MAX; ++attempt) {
        std::string line = StripControls(ReadLineWithin(deadline));
        if (!line.empty()) return line;
        if (readLineTimedOut_) throw EReadTimeout();
    }
    throw EMaxLineReadAttemptsExceeded();
}

// --- Sending -----------------------------------------------------------------

// A send error other than a time-out means the connection is gone.
void TTcpConnection::FailSend(int error) {
    if (error != kReceiveTimedOutCode) CloseAfterFailure();
    RaiseSocketError(error);
}

// The socket took no byte: waits until it takes bytes again. A send that
// cannot go on leaves part of a line or file on the wire, after which the
// stream is of no use, so the connection is closed.
void TTcpConnection::WaitUntilSendable() {
    const int limit = WriteTimeout != 0 ? WriteTimeout : ReadTimeout;
    if (WaitReady(Readiness::Writable, limit > 0 ? limit : -1)) return;
    Close();
    throw EWriteTimeout();
}

void TTcpConnection::SendBytes(const char* data, size_t length) {
    if (closedByPeer_) throw EConnClosedGracefully();
    while (length > 0) {
        const SocketTransfer result = SendOnce(data, length);
        if (result.error == kWouldBlockCode) {
            WaitUntilSendable();
            continue;
        }
        if (result.error != 0) FailSend(result.error);
        if (result.bytes == 0) {
            closedByPeer_ = true;
            throw EConnClosedGracefully();
        }
        data += result.bytes;
        length -= result.bytes;
        TAntiFreeze::BusyTurn();
    }
}

void TTcpConnection::WriteLine(const std::string& utf8Text) {
    const std::string bytes = EncodeWireText(utf8Text + "\r\n", Encoding);
    SendBytes(bytes.data(), bytes.size());
}

// Pieces go straight from the file to the socket where the socket layer can
// do that, sparing a copy of every byte through fileBuffer_; otherwise, or
// from the moment the system refuses this file, they are read and sent.
void TTcpConnection::WriteFileData(LocalFile& file, bool wholeFile) {
    if (wholeFile) file.Seek(0);
    int64_t remaining = file.Size() - (wholeFile ? 0 : file.Position());
    if (remaining <= 0) return;
    const int64_t pieceLimit = std::max(SendBufferSize, 1);
    // Data under TLS has to pass through the program to be encrypted.
    std::unique_ptr<TFileSender> direct =
        tls_ ? nullptr : socket_->StartFileSend(file.NativeHandle());
    while (remaining > 0) {
        const size_t piece = static_cast<size_t>(std::min(remaining, pieceLimit));
        std::optional<size_t> sent;
        // After a peer close the read path keeps its order: an empty read
        // still reports the file before the send reports the connection.
        if (direct && !closedByPeer_) sent = SendPieceDirect(*direct, piece);
        if (!sent) {
            direct.reset();
            sent = SendPieceRead(file, piece);
        }
        remaining -= static_cast<int64_t>(*sent);
    }
}

// One send from the file: the bytes sent, or nothing when the system will not
// send this file directly (nothing was sent then).
std::optional<size_t> TTcpConnection::SendPieceDirect(TFileSender& sender, size_t piece) {
    FileSendTransfer result = sender.SendPiece(piece);
    while (result.error == kWouldBlockCode) {
        WaitUntilSendable();
        result = sender.SendPiece(piece);
    }
    if (result.unsupported) return std::nullopt;
    if (result.error != 0) FailSend(result.error);
    if (result.bytes == 0) throw ENoDataToRead();
    TAntiFreeze::BusyTurn();
    return result.bytes;
}

size_t TTcpConnection::SendPieceRead(LocalFile& file, size_t piece) {
    if (fileBuffer_.size() < piece) fileBuffer_.resize(piece);
    const size_t got = file.Read(fileBuffer_.data(), piece);
    if (got == 0) throw ENoDataToRead();
    SendBytes(fileBuffer_.data(), got);
    return got;
}

}  // namespace tramex
