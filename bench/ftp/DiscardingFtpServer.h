// A minimal FTP server for the upload benchmark: answers the login and store
// commands that our client and curl send, counts and discards uploaded
// bytes with a large receive buffer so that it is never the slower side.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tramex::bench {

class DiscardingFtpServer {
public:
    DiscardingFtpServer();
    ~DiscardingFtpServer();
    std::uint16_t Port() const { return port_; }
    // Bytes received on the last data connection.
    std::uint64_t LastUploadBytes() const { return lastUpload_; }

private:
    void Serve();
    void Session(int control);
    int AcceptPassive(int listener);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> lastUpload_{0};
    std::thread thread_;
};

}  // namespace tramex::bench
