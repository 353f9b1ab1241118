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

// Resolver results in the codes a Winsock resolver gives for the same cases.
int TableCodeOfResolver(int resolverCode) {
    switch (resolverCode) {
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
        case EAI_MEMORY:
            return 10055;
        case EAI_FAMILY:
            return 10047;
        case EAI_SOCKTYPE:
            return 10044;
        case EAI_SYSTEM:
            return TableCodeOfErrno(errno);
        default:
            return 11003;
    }
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
        if (result != 0) RaiseSocketError(TableCodeOfResolver(result));
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
        if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) return 0;
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

    bool WaitReadable(int limitMs) override {
        if (fd_ < 0) RaiseSocketError(ENotASocket::kCode);
        pollfd watched{fd_, POLLIN, 0};
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
    int fd_ = -1;
    std::atomic<bool> aborted_{false};
};

}  // namespace

std::unique_ptr<TSocketHandler> CreateSocketHandler() {
    return std::make_unique<PosixSocketHandler>();
}

}  // namespace tramex
