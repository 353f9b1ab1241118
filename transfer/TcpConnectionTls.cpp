// TCP connection under TLS: the handshake and the TLS forms of one receive
// and one send, all waiting through the connection's own bounded waits.
#include <algorithm>
#include <climits>

#include "transfer/TcpConnection.h"

namespace tramex {

void TTcpConnection::StartTls(const TlsSettings& settings, const TTcpConnection* resumeFrom,
                              int limitMs) {
    EnsureSocket();
    const int limit = limitMs > 0 ? limitMs : (ReadTimeout > 0 ? ReadTimeout : -1);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(limit, 0));
    try {
        // Bytes that came in clear after the server agreed to TLS could be
        // taken for replies sent under it: a connection tampered with.
        if (!input_.empty())
            throw ETlsError("El servidor " + settings.ServerName +
                            " envió datos sin cifrar antes de la negociación TLS");
        tls_ = CreateClientTlsSession(*socket_, settings,
                                      resumeFrom ? resumeFrom->tls_.get() : nullptr);
        for (TlsWait wait = tls_->Handshake(); wait != TlsWait::None; wait = tls_->Handshake())
            WaitForHandshake(wait, deadline, limit);
    } catch (...) {
        tls_.reset();
        Close();
        throw;
    }
}

// limitMs < 0: no limit; else the handshake as a whole ends at deadline.
void TTcpConnection::WaitForHandshake(TlsWait wait, Clock::time_point deadline, int limitMs) {
    int waitMs = -1;
    if (limitMs >= 0) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) throw EReadTimeout();
        waitMs = static_cast<int>(std::min<long long>(left, INT_MAX));
    }
    const Readiness readiness =
        wait == TlsWait::Readable ? Readiness::Readable : Readiness::Writable;
    if (!WaitReady(readiness, waitMs)) throw EReadTimeout();
}

TlsSummary TTcpConnection::TlsDetails() const { return tls_ ? tls_->Summary() : TlsSummary{}; }

void TTcpConnection::SendCloseNotify() {
    if (!tls_ || closedByPeer_ || !socket_->IsAllocated()) return;
    while (tls_->SendCloseNotify() == TlsWait::Writable) WaitUntilSendable();
}

TTcpConnection::ReceiveOutcome TTcpConnection::ReceiveOnceTls(bool raise) {
    receiveBuffer_.resize(static_cast<size_t>(std::max(RecvBufferSize, 1)));
    const TlsTransfer result = tls_->Read(receiveBuffer_.data(), receiveBuffer_.size());
    if (result.wait == TlsWait::Writable) WaitUntilSendable();
    // A record not yet complete, or one that carried no data (a session ticket).
    if (result.wait != TlsWait::None) return ReceiveOutcome::Nothing;
    if (result.error != 0) {
        CloseAfterFailure();
        if (raise && input_.empty()) RaiseSocketError(result.error);
        return ReceiveOutcome::Failed;
    }
    if (result.closed) {
        closedByPeer_ = true;
        return ReceiveOutcome::PeerClosed;
    }
    input_.append(receiveBuffer_.data(), result.bytes);
    return ReceiveOutcome::Data;
}

// One send in the socket layer's terms: a TLS write that must first read
// waits for that here, and is then retried like a send that would block.
SocketTransfer TTcpConnection::SendOnce(const char* data, size_t length) {
    if (!tls_) return socket_->Send(data, length);
    const TlsTransfer result = tls_->Write(data, length);
    if (result.wait == TlsWait::Readable) {
        const int limit = WriteTimeout != 0 ? WriteTimeout : ReadTimeout;
        if (!WaitReady(Readiness::Readable, limit > 0 ? limit : -1)) {
            Close();
            throw EWriteTimeout();
        }
    }
    if (result.wait != TlsWait::None) return {0, kWouldBlockCode};
    if (result.error != 0) return {0, result.error};
    return {result.closed ? 0 : result.bytes, 0};
}

}  // namespace tramex
