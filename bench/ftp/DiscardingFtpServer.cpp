// The benchmark's receiving server (see DiscardingFtpServer.h). One session
// at a time; passive mode only; every unknown command gets 500 (curl then
// falls back from EPSV to PASV).
#include "bench/ftp/DiscardingFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

namespace tramex::bench {
namespace {

int ListenOnLoopback(std::uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("benchmark server: cannot listen on loopback");
    port = ntohs(address.sin_port);
    return fd;
}

void SendText(int fd, const std::string& line) {
    const std::string bytes = line + "\r\n";
    (void)!send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Reads one command line; false when the client has gone.
bool ReadCommand(int fd, std::string& pending, std::string& line) {
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end > 0 && pending[end - 1] == '\r' ? end - 1 : end);
            pending.erase(0, end + 1);
            return true;
        }
        char buffer[4096];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string Verb(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return verb;
}

std::uint64_t DiscardUntilClosed(int fd) {
    const int receiveBuffer = 4 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    std::vector<char> buffer(1 << 20);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) return total;
        total += static_cast<std::uint64_t>(got);
    }
}

}  // namespace

DiscardingFtpServer::DiscardingFtpServer() {
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread(&DiscardingFtpServer::Serve, this);
}

DiscardingFtpServer::~DiscardingFtpServer() {
    stopping_ = true;
    thread_.join();
    close(listener_);
}

void DiscardingFtpServer::Serve() {
    while (!stopping_) {
        pollfd watched{listener_, POLLIN, 0};
        if (poll(&watched, 1, 100) <= 0) continue;
        const int control = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0) continue;
        Session(control);
        close(control);
    }
}

int DiscardingFtpServer::AcceptPassive(int listener) {
    pollfd watched{listener, POLLIN, 0};
    if (poll(&watched, 1, 10000) <= 0) return -1;
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

void DiscardingFtpServer::Session(int control) {
    SendText(control, "220 benchmark receiver ready");
    std::string pending, line;
    int passive = -1;
    while (ReadCommand(control, pending, line)) {
        const std::string verb = Verb(line);
        if (verb == "USER") {
            SendText(control, "331 Password required");
        } else if (verb == "PASS") {
            SendText(control, "230 Logged in");
        } else if (verb == "TYPE" || verb == "CLNT") {
            SendText(control, "200 OK");
        } else if (verb == "SYST") {
            SendText(control, "215 UNIX Type: L8");
        } else if (verb == "PWD") {
            SendText(control, "257 \"/\" is the current directory");
        } else if (verb == "CWD") {
            SendText(control, "250 OK");
        } else if (verb == "REST") {
            SendText(control, "350 Restarting");
        } else if (verb == "PASV") {
            if (passive >= 0) close(passive);
            std::uint16_t port = 0;
            passive = ListenOnLoopback(port);
            SendText(control, "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                                  std::to_string(port % 256) + ")");
        } else if (verb == "STOR" || verb == "APPE") {
            const int data = passive >= 0 ? AcceptPassive(passive) : -1;
            if (data < 0) {
                SendText(control, "425 No data connection");
                continue;
            }
            SendText(control, "150 Receiving");
            lastUpload_ = DiscardUntilClosed(data);
            close(data);
            SendText(control, "226 Transfer complete");
        } else if (verb == "QUIT") {
            SendText(control, "221 Bye");
            break;
        } else {
            SendText(control, "500 Not understood");
        }
    }
    if (passive >= 0) close(passive);
}

}  // namespace tramex::bench
