// Loopback listener and accepted peer for tests, on POSIX sockets with poll()
// or on Winsock with WSAPoll().
#include "tests/support/net/TestSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

namespace tramex::testnet {
namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
using Native = SOCKET;
constexpr int kSendFlags = 0;
constexpr int kShutdownSend = SD_SEND;

std::string LastError() { return "Winsock error " + std::to_string(WSAGetLastError()); }
bool Interrupted() { return false; }
int PollSockets(pollfd* watched, int limitMs) { return WSAPoll(watched, 1, limitMs); }
void CloseNative(Native socket) { closesocket(socket); }
Native NewSocket() {
    // The tests may use sockets before the client under test starts Winsock.
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
    return socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
}
Native AcceptNative(Native listener) { return accept(listener, nullptr, nullptr); }
#else
using Native = int;
constexpr int kSendFlags = MSG_NOSIGNAL;
constexpr int kShutdownSend = SHUT_WR;

std::string LastError() { return std::strerror(errno); }
bool Interrupted() { return errno == EINTR; }
int PollSockets(pollfd* watched, int limitMs) { return poll(watched, 1, limitMs); }
void CloseNative(Native socket) { ::close(socket); }
Native NewSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
Native AcceptNative(Native listener) { return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); }
#endif

Native N(TestSocketHandle handle) { return static_cast<Native>(handle); }
bool Valid(Native socket) { return static_cast<TestSocketHandle>(socket) != -1; }

[[noreturn]] void Fail(const std::string& what) { throw TestNetError(what + ": " + LastError()); }

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitReadable(TestSocketHandle fd, int limitMs) {
    pollfd watched{};
    watched.fd = N(fd);
    watched.events = POLLIN;
    const int ready = PollSockets(&watched, limitMs);
    if (ready < 0 && !Interrupted()) Fail("poll");
    return ready > 0;
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A listening socket on 127.0.0.1 and its port (0 asks for a free one).
TestSocketHandle ListenOnLoopback(int backlog, uint16_t& port) {
    const Native fd = NewSocket();
    if (!Valid(fd)) Fail("test listener socket");
    sockaddr_in address = Loopback(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("test listener bind");
    if (backlog > 0 && listen(fd, backlog) != 0) Fail("test listener listen");
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return static_cast<TestSocketHandle>(fd);
}

}  // namespace

TestPeer::~TestPeer() { Close(); }

void TestPeer::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const int piece = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20));
        const auto sent = send(N(fd_), bytes.data(), piece, kSendFlags);
        if (sent < 0) {
            if (Interrupted()) continue;
            Fail("test peer send");
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

bool TestPeer::ReceiveMore(int limitMs) {
    if (!WaitReadable(fd_, limitMs)) throw TestNetError("test peer: no data within the limit");
    char buffer[65536];
    const auto got = recv(N(fd_), buffer, sizeof buffer, 0);
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

void TestPeer::ShutdownSend() { shutdown(N(fd_), kShutdownSend); }

void TestPeer::SendThenShutdown(std::string_view bytes) {
#ifdef TCP_CORK
    // Corked, the bytes wait in the socket until the FIN joins them.
    const int on = 1;
    setsockopt(N(fd_), IPPROTO_TCP, TCP_CORK, &on, sizeof on);
#endif
    Send(bytes);
    ShutdownSend();
}

void TestPeer::Close() {
    if (fd_ == -1) return;
    CloseNative(N(fd_));
    fd_ = -1;
}

void TestPeer::Reset() {
    if (fd_ == -1) return;
    linger abortive{1, 0};
    setsockopt(N(fd_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
    Close();
}

TestListener::TestListener(int backlog) { fd_ = ListenOnLoopback(backlog, port_); }

TestListener::~TestListener() { Close(); }

std::unique_ptr<TestPeer> TestListener::Accept(int limitMs) {
    if (!WaitReadable(fd_, limitMs))
        throw TestNetError("test listener: no connection within the limit");
    const Native peer = AcceptNative(N(fd_));
    if (!Valid(peer)) Fail("test listener accept");
    return std::make_unique<TestPeer>(static_cast<TestSocketHandle>(peer));
}

void TestListener::Close() {
    if (fd_ == -1) return;
    CloseNative(N(fd_));
    fd_ = -1;
}

uint16_t UnusedLoopbackPort() {
    uint16_t port = 0;
    CloseNative(N(ListenOnLoopback(0, port)));
    return port;
}

bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

}  // namespace tramex::testnet
