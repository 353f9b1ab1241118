// A loopback FTP server that plays a queue of steps on its own thread: it
// sends replies unprompted or in answer to the next command, records every
// command line, offers a passive data listener that records uploaded bytes,
// and can close or reset its connections. Every wait has a time limit; a
// step that cannot be played is reported by Finish(), never lost.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/net/TestSocket.h"

namespace tramex::testftp {

class ScriptedFtpServer {
  public:
    explicit ScriptedFtpServer(int waitLimitMs = 5000);
    ~ScriptedFtpServer();

    // Steps, played in the order queued once Start() is called.
    // Sends the reply (CR LF appended) without waiting for a command.
    ScriptedFtpServer& Send(const std::string& reply);
    // Waits for the next command, records it, sends the reply.
    ScriptedFtpServer& Reply(const std::string& reply);
    // As Reply, after a pause; a client that has gone meanwhile is no failure.
    ScriptedFtpServer& ReplyAfter(int delayMs, const std::string& reply);
    // Waits for the next command and records it; sends nothing.
    ScriptedFtpServer& Ignore();
    // Answers the next command with a 227 naming a fresh data listener's port
    // at the given address (which need not be the listener's).
    ScriptedFtpServer& ReplyPassive(const std::string& addressFields = "127,0,0,1");
    // Accepts the data connection and records everything up to its close.
    ScriptedFtpServer& ReceiveUpload();
    // Accepts the data connection, reads `count` bytes, then resets it.
    ScriptedFtpServer& ReceiveThenReset(std::size_t count);
    // Accepts the data connection and never reads from it (a full disk, a
    // zero window); it is held open until the server's thread ends.
    ScriptedFtpServer& AcceptUploadAndStall();
    // Sends the line `count` times, one every intervalMs, without waiting for
    // a command; a client that has gone meanwhile is no failure.
    ScriptedFtpServer& Trickle(const std::string& line, int count, int intervalMs);
    // Answers the next command and closes the control connection, the reply
    // and the close travelling in one segment so the client sees both at once.
    ScriptedFtpServer& ReplyAndClose(const std::string& reply);
    // Accepts a new control connection (the client connected again).
    ScriptedFtpServer& AcceptNextConnection();

    void Start();
    uint16_t Port() const { return controlListener_.Port(); }

    // Waits until the steps have been played and the client has closed its
    // last control connection; returns the failures (empty when none).
    std::string Finish();

    // Command lines received, over all control connections, in order.
    std::vector<std::string> Commands() const;
    // Bytes of the uploads received, one entry per data connection.
    std::vector<std::string> Uploads() const;
    int ConnectionCount() const;

  private:
    struct Step;
    ScriptedFtpServer& Add(Step step);
    void Run();
    void Play(const Step& step);
    std::string ReadCommand();
    void DrainUntilClientCloses();
    void Fail(const std::string& what);
    void AcceptControl();

    int waitLimitMs_;
    testnet::TestListener controlListener_;
    std::unique_ptr<testnet::TestListener> dataListener_;
    std::unique_ptr<testnet::TestPeer> peer_;
    std::unique_ptr<testnet::TestPeer> stalledData_;
    std::vector<Step> steps_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::vector<std::string> uploads_;
    int connections_ = 0;
    std::string failures_;
    std::thread thread_;
};

}  // namespace tramex::testftp
