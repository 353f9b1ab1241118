// The socket layer on Winsock; Winsock's error codes are the table's codes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "platform/win/WideText.h"
#include "transfer/SocketErrors.h"
#include "transfer/SocketHandler.h"

namespace tramex {
namespace {

void StartWinsockOnce() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        if (const int code = WSAStartup(MAKEWORD(2, 2), &data)) RaiseSocketError(code);
    });
}

bool IsLocalhost(const std::string& host) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, host.c_str(), -1, "localhost", -1) ==
           CSTR_EQUAL;
}

std::string NumericText(const IN_ADDR& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

class WinSocketHandler : public TSocketHandler {
  public:
    WinSocketHandler() { StartWinsockOnce(); }
    ~WinSocketHandler() override { Close(); }

    std::string ResolveIPv4(const std::string& host) override {
        if (IsLocalhost(host)) return "127.0.0.1";
        IN_ADDR numeric{};
        if (inet_pton(AF_INET, host.c_str(), &numeric) == 1) return host;
        // The wide resolver converts internationalised names to their ASCII form.
        ADDRINFOW hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        ADDRINFOW* found = nullptr;
        if (GetAddrInfoW(Utf8ToWide(host).c_str(), nullptr, &hints, &found) != 0)
            RaiseSocketError(WSAGetLastError());
        const std::string address =
            NumericText(reinterpret_cast<SOCKADDR_IN*>(found->ai_addr)->sin_addr);
        FreeAddrInfoW(found);
        return address;
    }

    void Allocate() override {
        Close();
        const SOCKET handle = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                         WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
        if (handle == INVALID_SOCKET) RaiseSocketError(WSAGetLastError());
        SOCKADDR_IN any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(handle, reinterpret_cast<SOCKADDR*>(&any), sizeof any) != 0) {
            const int code = WSAGetLastError();
            closesocket(handle);
            RaiseSocketError(code);
        }
        handle_ = handle;
    }

    bool IsAllocated() const override { return handle_ != INVALID_SOCKET; }

    int Connect(const std::string& address, uint16_t port) override {
        SOCKADDR_IN peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return WSAEINVAL;
        const SOCKET handle = handle_;
        if (handle == INVALID_SOCKET) return WSAENOTSOCK;
        if (connect(handle, reinterpret_cast<SOCKADDR*>(&peer), sizeof peer) == 0) {
            // Once connected, sends never wait: a peer that stops reading gives
            // WSAEWOULDBLOCK, and the connection waits under its own limit.
            u_long nonBlocking = 1;
            return ioctlsocket(handle, FIONBIO, &nonBlocking) == 0 ? 0 : WSAGetLastError();
        }
        return aborted_ ? WSAETIMEDOUT : WSAGetLastError();
    }

    void AbortConnect() override {
        aborted_ = true;
        // Closing a socket cancels the blocking calls other threads make on it;
        // the worker holds its own copy of the handle for the connect.
        const SOCKET handle = handle_.exchange(INVALID_SOCKET);
        if (handle != INVALID_SOCKET) closesocket(handle);
    }

    bool WaitReadable(int limitMs) override { return WaitFor(POLLRDNORM, limitMs); }

    bool WaitWritable(int limitMs) override { return WaitFor(POLLWRNORM, limitMs); }

    SocketTransfer Receive(char* buffer, size_t max) override {
        if (handle_ == INVALID_SOCKET) return {0, WSAENOTSOCK};
        const int received = recv(handle_, buffer, Clamp(max), 0);
        if (received == SOCKET_ERROR) return {0, WSAGetLastError()};
        return {static_cast<size_t>(received), 0};
    }

    SocketTransfer Send(const char* data, size_t length) override {
        if (handle_ == INVALID_SOCKET) return {0, WSAENOTSOCK};
        const int sent = send(handle_, data, Clamp(length), 0);
        if (sent == SOCKET_ERROR) return {0, WSAGetLastError()};
        return {static_cast<size_t>(sent), 0};
    }

    void Close() override {
        const SOCKET handle = handle_.exchange(INVALID_SOCKET);
        aborted_ = false;
        if (handle == INVALID_SOCKET) return;
        shutdown(handle, SD_SEND);
        closesocket(handle);
    }

  private:
    bool WaitFor(SHORT events, int limitMs) {
        if (handle_ == INVALID_SOCKET) RaiseSocketError(WSAENOTSOCK);
        WSAPOLLFD watched{};
        watched.fd = handle_;
        watched.events = events;
        const int ready = WSAPoll(&watched, 1, limitMs < 0 ? -1 : limitMs);
        if (ready == SOCKET_ERROR) RaiseSocketError(WSAGetLastError());
        return ready > 0;
    }

    static int Clamp(size_t length) {
        return length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
    }

    std::atomic<SOCKET> handle_{INVALID_SOCKET};
    std::atomic<bool> aborted_{false};
};

}  // namespace

std::unique_ptr<TSocketHandler> CreateSocketHandler() {
    return std::make_unique<WinSocketHandler>();
}

}  // namespace tramex
