// The scripted FTP server's thread: one step after the other, then it reads
// whatever the client still sends until the client closes.
#include "tests/support/ftp/ScriptedFtpServer.h"

#include <chrono>
#include <exception>

namespace tramex::testftp {

enum class StepKind {
    Send,
    Reply,
    LateReply,
    Ignore,
    Passive,
    Upload,
    UploadThenReset,
    Stall,
    Trickle,
    ReplyAndClose,
    Accept
};

struct ScriptedFtpServer::Step {
    StepKind Kind;
    std::string Text;
    int DelayMs = 0;
    std::size_t Count = 0;
};

ScriptedFtpServer::ScriptedFtpServer(int waitLimitMs)
    : waitLimitMs_(waitLimitMs), controlListener_(8) {
    steps_.push_back({StepKind::Accept, ""});
}

ScriptedFtpServer::~ScriptedFtpServer() { Finish(); }

void ScriptedFtpServer::AcceptControl() {
    try {
        peer_ = controlListener_.Accept(waitLimitMs_);
    } catch (const testnet::TestNetError&) {
        throw testnet::TestNetError("scripted FTP server: no control connection within the limit");
    }
    std::lock_guard lock(mutex_);
    ++connections_;
}

ScriptedFtpServer& ScriptedFtpServer::Add(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}
ScriptedFtpServer& ScriptedFtpServer::Send(const std::string& reply) {
    return Add({StepKind::Send, reply});
}
ScriptedFtpServer& ScriptedFtpServer::Reply(const std::string& reply) {
    return Add({StepKind::Reply, reply});
}
ScriptedFtpServer& ScriptedFtpServer::ReplyAfter(int delayMs, const std::string& reply) {
    return Add({StepKind::LateReply, reply, delayMs});
}
ScriptedFtpServer& ScriptedFtpServer::Ignore() { return Add({StepKind::Ignore, ""}); }
ScriptedFtpServer& ScriptedFtpServer::ReplyPassive(const std::string& addressFields) {
    return Add({StepKind::Passive, addressFields});
}
ScriptedFtpServer& ScriptedFtpServer::ReceiveUpload() { return Add({StepKind::Upload, ""}); }
ScriptedFtpServer& ScriptedFtpServer::ReceiveThenReset(std::size_t count) {
    return Add({StepKind::UploadThenReset, "", 0, count});
}
ScriptedFtpServer& ScriptedFtpServer::AcceptUploadAndStall() { return Add({StepKind::Stall, ""}); }
ScriptedFtpServer& ScriptedFtpServer::Trickle(const std::string& line, int count, int intervalMs) {
    return Add({StepKind::Trickle, line, intervalMs, static_cast<std::size_t>(count)});
}
ScriptedFtpServer& ScriptedFtpServer::ReplyAndClose(const std::string& reply) {
    return Add({StepKind::ReplyAndClose, reply});
}
ScriptedFtpServer& ScriptedFtpServer::AcceptNextConnection() { return Add({StepKind::Accept, ""}); }

void ScriptedFtpServer::Start() { thread_ = std::thread(&ScriptedFtpServer::Run, this); }

void ScriptedFtpServer::Run() {
    try {
        for (const Step& step : steps_) Play(step);
        DrainUntilClientCloses();
    } catch (const std::exception& failure) {
        Fail(failure.what());
    }
}

void ScriptedFtpServer::Fail(const std::string& what) {
    std::lock_guard lock(mutex_);
    failures_ += (failures_.empty() ? "" : "; ") + what;
}

std::string ScriptedFtpServer::ReadCommand() {
    if (!peer_) throw testnet::TestNetError("no control connection to read a command from");
    std::string command = peer_->ReadLine(waitLimitMs_);
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
    return command;
}

void ScriptedFtpServer::Play(const Step& step) {
    switch (step.Kind) {
        case StepKind::Accept:
            AcceptControl();
            break;
        case StepKind::Send:
            peer_->Send(step.Text + "\r\n");
            break;
        case StepKind::Reply:
            ReadCommand();
            peer_->Send(step.Text + "\r\n");
            break;
        case StepKind::LateReply:
            ReadCommand();
            std::this_thread::sleep_for(std::chrono::milliseconds(step.DelayMs));
            try {
                peer_->Send(step.Text + "\r\n");
            } catch (const testnet::TestNetError&) {
            }
            break;
        case StepKind::Ignore:
            ReadCommand();
            break;
        case StepKind::Passive: {
            ReadCommand();
            dataListener_ = std::make_unique<testnet::TestListener>();
            const uint16_t port = dataListener_->Port();
            peer_->Send("227 Entering Passive Mode (" + step.Text + "," +
                        std::to_string(port / 256) + "," + std::to_string(port % 256) + ")\r\n");
            break;
        }
        case StepKind::Upload:
        case StepKind::UploadThenReset: {
            if (!dataListener_) throw testnet::TestNetError("no passive listener for the upload");
            auto data = dataListener_->Accept(waitLimitMs_);
            std::string bytes;
            if (step.Kind == StepKind::Upload) {
                bytes = data->ReadUntilClosed(waitLimitMs_ * 4);
            } else {
                bytes = data->ReadBytes(step.Count, waitLimitMs_);
                data->Reset();
            }
            std::lock_guard lock(mutex_);
            uploads_.push_back(std::move(bytes));
            break;
        }
        case StepKind::Stall:
            if (!dataListener_) throw testnet::TestNetError("no passive listener for the upload");
            stalledData_ = dataListener_->Accept(waitLimitMs_);
            break;
        case StepKind::Trickle:
            try {
                for (std::size_t i = 0; i < step.Count; ++i) {
                    peer_->Send(step.Text + "\r\n");
                    std::this_thread::sleep_for(std::chrono::milliseconds(step.DelayMs));
                }
            } catch (const testnet::TestNetError&) {
            }
            break;
        case StepKind::ReplyAndClose: {
            ReadCommand();
            peer_->SendThenShutdown(step.Text + "\r\n");
            break;
        }
    }
}

// Records what the client sends after the script (QUIT, say) until it closes.
void ScriptedFtpServer::DrainUntilClientCloses() {
    if (!peer_) return;
    for (;;) {
        try {
            ReadCommand();
        } catch (const testnet::TestNetError& ended) {
            // An orderly close, or a reset from a client that closed with our
            // late reply unread: either way the client has gone.
            const std::string what = ended.what();
            if (what.find("closed before") != std::string::npos ||
                what.find("reset") != std::string::npos)
                return;
            throw testnet::TestNetError("client did not close the control connection: " +
                                        std::string(ended.what()));
        }
    }
}

std::string ScriptedFtpServer::Finish() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return failures_;
}

std::vector<std::string> ScriptedFtpServer::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<std::string> ScriptedFtpServer::Uploads() const {
    std::lock_guard lock(mutex_);
    return uploads_;
}

int ScriptedFtpServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

}  // namespace tramex::testftp
