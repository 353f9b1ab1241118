// The socket layer on POSIX sockets; system error numbers are mapped onto the
// codes of the common socket error table.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <atomic>
#include <cerrno>
#include <chrono>

#include "transfer/SocketErrors.h"
#include "transfer/SocketHandler.h"
#include "transfer/posix/ErrnoCodes.h"
#include "transfer/posix/FileSenderPosix.h"

namespace tramex {
namespace {

// Once connected, sends (sendfile() too) never wait: a peer that stops
// reading gives EAGAIN, and the connection waits for it under its own limit.
int MakeNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return TableCodeOfErrno(errno);
    return 0;
}

std::string NumericText(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

class PosixSocketHandler : public TSocketHandler {
  public:
    ~PosixSocketHandler() override { Close(); }

    std::string ResolveIPv4(const std::string& host) override {
        if (strcasecmp(host.c_str(), "localhost") == 0) return "127.0.0.1";
        in_addr numeric{};
        if (inet_pton(AF_INET, host.c_str(), &numeric) == 1) return host;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int result = getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (result != 0) RaiseSocketError(TableCodeOfResolverError(result));
        const std::string address =
            NumericText(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr);
        freeaddrinfo(found);
        return address;
    }

    void Allocate() override {
        Close();
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0) RaiseSocketError(TableCodeOfErrno(errno));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
            const int code = TableCodeOfErrno(errno);
            ::close(fd);
            RaiseSocketError(code);
        }
        fd_ = fd;
    }

    bool IsAllocated() const override { return fd_ >= 0; }

    int Connect(const std::string& address, uint16_t port) override {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return 10022;
        const int fd = fd_;
        if (fd < 0) return ENotASocket::kCode;
        if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0)
            return MakeNonBlocking(fd);
        const int code = TableCodeOfErrno(errno);
        // A connect cut short by AbortConnect reports the limit, not the abort.
        return aborted_ ? 10060 : code;
    }

    void AbortConnect() override {
        aborted_ = true;
        // Shutting down a connecting socket wakes the blocked connect; the
        // descriptor stays valid until the worker has returned.
        if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
    }

    bool WaitReadable(int limitMs) override { return WaitFor(POLLIN, limitMs); }

    bool WaitWritable(int limitMs) override { return WaitFor(POLLOUT, limitMs); }

    SocketTransfer Receive(char* buffer, size_t max) override {
        if (fd_ < 0) return {0, ENotASocket::kCode};
        for (;;) {
            const ssize_t received = recv(fd_, buffer, max, 0);
            if (received >= 0) return {static_cast<size_t>(received), 0};
            if (errno != EINTR) return {0, TableCodeOfErrno(errno)};
        }
    }

    SocketTransfer Send(const char* data, size_t length) override {
        if (fd_ < 0) return {0, ENotASocket::kCode};
        for (;;) {
            // MSG_NOSIGNAL: a peer that went away is an error to report, not a
            // signal that ends the program.
            const ssize_t sent = send(fd_, data, length, MSG_NOSIGNAL);
            if (sent >= 0) return {static_cast<size_t>(sent), 0};
            if (errno != EINTR) return {0, TableCodeOfErrno(errno)};
        }
    }

    std::unique_ptr<TFileSender> StartFileSend(intptr_t fileHandle) override {
        if (fd_ < 0) return nullptr;
        return CreatePosixFileSender(fd_, static_cast<int>(fileHandle));
    }

    void Close() override {
        if (fd_ < 0) return;
        shutdown(fd_, SHUT_WR);
        ::close(fd_);
        fd_ = -1;
        aborted_ = false;
    }

  private:
    bool WaitFor(short events, int limitMs) {
        if (fd_ < 0) RaiseSocketError(ENotASocket::kCode);
        pollfd watched{fd_, events, 0};
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs < 0 ? 0 : limitMs);
        for (;;) {
            int waitMs = limitMs;
            if (limitMs >= 0) {
                // Rounded up: a wait never ends before its limit.
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
            }
            const int ready = poll(&watched, 1, waitMs);
            if (ready >= 0) return ready > 0;
            if (errno != EINTR) RaiseSocketError(TableCodeOfErrno(errno));
        }
    }

    int fd_ = -1;
    std::atomic<bool> aborted_{false};
};

}  // namespace

std::unique_ptr<TSocketHandler> CreateSocketHandler() {
    return std::make_unique<PosixSocketHandler>();
}

}  // namespace tramex
