// Loopback listener and accepted peer for tests, on POSIX sockets with poll().
#include "tests/support/net/TestSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tramex::testnet {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) {
    throw TestNetError(what + ": " + std::strerror(errno));
}

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitReadable(int fd, int limitMs) {
    pollfd watched{fd, POLLIN, 0};
    const int ready = poll(&watched, 1, limitMs);
    if (ready < 0 && errno != EINTR) Fail("poll");
    return ready > 0;
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

TestPeer::~TestPeer() { Close(); }

void TestPeer::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            Fail("test peer send");
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

bool TestPeer::ReceiveMore(int limitMs) {
    if (!WaitReadable(fd_, limitMs)) throw TestNetError("test peer: no data within the limit");
    char buffer[65536];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0) Fail("test peer recv");
    received_.append(buffer, static_cast<size_t>(got));
    pending_.append(buffer, static_cast<size_t>(got));
    return got > 0;
}

std::string TestPeer::ReadLine(int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos)
        if (!ReceiveMore(MsLeft(deadline))) throw TestNetError("test peer: closed before a line");
    std::string line = pending_.substr(0, end > 0 && pending_[end - 1] == '\r' ? end - 1 : end);
    pending_.erase(0, end + 1);
    return line;
}

std::string TestPeer::ReadBytes(size_t count, int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (pending_.size() < count)
        if (!ReceiveMore(MsLeft(deadline)))
            throw TestNetError("test peer: closed before the bytes");
    std::string bytes = pending_.substr(0, count);
    pending_.erase(0, count);
    return bytes;
}

std::string TestPeer::ReadUntilClosed(int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (ReceiveMore(MsLeft(deadline))) {
    }
    std::string bytes;
    bytes.swap(pending_);
    return bytes;
}

bool TestPeer::WaitClosed(int limitMs) {
    try {
        ReadUntilClosed(limitMs);
        return true;
    } catch (const TestNetError&) {
        return false;
    }
}

void TestPeer::ShutdownSend() { shutdown(fd_, SHUT_WR); }

void TestPeer::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

void TestPeer::Reset() {
    if (fd_ < 0) return;
    linger abortive{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    Close();
}

TestListener::TestListener(int backlog) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) Fail("test listener socket");
    sockaddr_in address = Loopback(0);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("test listener bind");
    if (listen(fd_, backlog) != 0) Fail("test listener listen");
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

TestListener::~TestListener() { Close(); }

std::unique_ptr<TestPeer> TestListener::Accept(int limitMs) {
    if (!WaitReadable(fd_, limitMs))
        throw TestNetError("test listener: no connection within the limit");
    const int peer = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) Fail("test listener accept");
    return std::make_unique<TestPeer>(peer);
}

void TestListener::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

uint16_t UnusedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

}  // namespace tramex::testnet
