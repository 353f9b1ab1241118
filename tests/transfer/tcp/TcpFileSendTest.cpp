// File data sent straight from the file by the socket layer: pieces stay within
// SendBufferSize, a file that shrinks mid-send still ends in "No data to
// read.", a refusal of the system hands over to reading and sending from the
// right position, and a peer's reset is an error, never a fatal signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/net/CountingPump.h"
#include "tests/transfer/tcp/TcpTestHelpers.h"
#include "transfer/AntiFreeze.h"

namespace tramex::testing {
namespace {

using testnet::ScriptedServer;
using testnet::TestPeer;

// What the connection asked of the socket layer while sending a file.
struct SendLog {
    std::vector<size_t> directRequests;  // length asked of each direct piece
    size_t directBytes = 0;
    std::vector<size_t> plainSends;  // length handed to each ordinary send
    bool endOfFileSeen = false;      // a direct piece found nothing to send
};

// A sender that records its pieces, can act after a given piece (to change
// the file mid-send) and can refuse like a system without direct sending.
class RecordingSender : public TFileSender {
  public:
    RecordingSender(std::unique_ptr<TFileSender> real, SendLog& log, int refuseFromPiece,
                    std::function<void(int)> afterPiece)
        : real_(std::move(real)),
          log_(log),
          refuseFromPiece_(refuseFromPiece),
          afterPiece_(std::move(afterPiece)) {}

    FileSendTransfer SendPiece(size_t length) override {
        if (refuseFromPiece_ >= 0 && pieces_ >= refuseFromPiece_) return {0, 0, true};
        log_.directRequests.push_back(length);
        const FileSendTransfer result = real_->SendPiece(length);
        log_.directBytes += result.bytes;
        if (result.error == 0 && result.bytes == 0 && !result.unsupported)
            log_.endOfFileSeen = true;
        ++pieces_;
        if (afterPiece_) afterPiece_(pieces_);
        return result;
    }

  private:
    std::unique_ptr<TFileSender> real_;
    SendLog& log_;
    int refuseFromPiece_;
    std::function<void(int)> afterPiece_;
    int pieces_ = 0;
};

// The system's socket layer with every file send recorded.
class RecordingSocket : public TSocketHandler {
  public:
    explicit RecordingSocket(SendLog& log) : real_(CreateSocketHandler()), log_(log) {}

    int refuseFromPiece = -1;  // -1: never refuse
    std::function<void(int)> afterPiece;
    // Collects a pending connection error behind the connection's back, so
    // the next send meets a broken pipe (the case that raises SIGPIPE).
    bool collectErrorBeforeFileSend = false;

    std::string ResolveIPv4(const std::string& host) override { return real_->ResolveIPv4(host); }
    void Allocate() override { real_->Allocate(); }
    bool IsAllocated() const override { return real_->IsAllocated(); }
    int Connect(const std::string& address, uint16_t port) override {
        return real_->Connect(address, port);
    }
    void AbortConnect() override { real_->AbortConnect(); }
    bool WaitReadable(int limitMs) override { return real_->WaitReadable(limitMs); }
    bool WaitWritable(int limitMs) override { return real_->WaitWritable(limitMs); }
    SocketTransfer Receive(char* buffer, size_t max) override {
        return real_->Receive(buffer, max);
    }
    SocketTransfer Send(const char* data, size_t length) override {
        log_.plainSends.push_back(length);
        return real_->Send(data, length);
    }
    std::unique_ptr<TFileSender> StartFileSend(intptr_t fileHandle) override {
        if (collectErrorBeforeFileSend) {
            char byte;
            EXPECT_EQ(real_->Receive(&byte, 1).error, 10054);
        }
        std::unique_ptr<TFileSender> real = real_->StartFileSend(fileHandle);
        if (!real) return nullptr;
        return std::make_unique<RecordingSender>(std::move(real), log_, refuseFromPiece,
                                                 afterPiece);
    }
    void Close() override { real_->Close(); }

  private:
    std::unique_ptr<TSocketHandler> real_;
    SendLog& log_;
};

size_t Largest(const std::vector<size_t>& lengths) {
    size_t largest = 0;
    for (size_t length : lengths) largest = std::max(largest, length);
    return largest;
}

bool SigpipeBlockedOrPending() {
    sigset_t blocked, pending;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    sigpending(&pending);
    return sigismember(&blocked, SIGPIPE) == 1 || sigismember(&pending, SIGPIPE) == 1;
}

// Each case: file size, send buffer, position before the send, whole file or
// the rest. The pieces are sent straight from the file, never beyond its end,
// and the anti-freeze gets no turns while sending.
TEST(TcpFileSend, FileDataArrivesFromTheRightPositionInPiecesWithinTheSendBuffer) {
    struct Case {
        size_t Size;
        int SendBuffer;
        int64_t Position;
        bool Whole;
    };
    const Case cases[] = {
        {5 * 32768 + 123, 32768, 5000, true},  // the whole file whatever the position
        {40000, 32768, 32769, false},
        {20000, 1000, 4321, false},
        {0, 32768, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Size) + " bytes from " + std::to_string(c.Position) +
                     (c.Whole ? ", whole file" : ", rest of the file"));
        const std::string content = RandomBytes(c.Size);
        const std::string expected = c.Whole ? content : content.substr(c.Position);
        TempFile file(content);
        testnet::CountingPump pump;
        TAntiFreeze antiFreeze(pump);
        ScriptedServer server(ReceivesAll());
        SendLog log;
        TTcpClient data(std::make_unique<RecordingSocket>(log));
        data.SendBufferSize = c.SendBuffer;
        OpenTo(data, server);
        LocalFile local(file.Path());
        local.Seek(c.Position);
        pump.Reset();
        data.WriteFileData(local, c.Whole);
        EXPECT_EQ(pump.Turns(), 0);
        EXPECT_EQ(local.Position(), static_cast<int64_t>(c.Size));
        data.Close();
        ASSERT_EQ(server.Finish(), "");
        EXPECT_TRUE(server.Received().at(0) == expected);
        EXPECT_EQ(log.directBytes, expected.size());
        EXPECT_LE(Largest(log.directRequests), static_cast<size_t>(c.SendBuffer));
        EXPECT_GE(log.directRequests.size(), (expected.size() + c.SendBuffer - 1) / c.SendBuffer);
        EXPECT_TRUE(log.plainSends.empty());
        EXPECT_FALSE(log.endOfFileSeen) << "a piece was asked for beyond the count";
    }
}

TEST(TcpFileSend, FileShrinkingMidSendRaisesNoDataToReadAfterWhatItStillHeld) {
    const std::string content = RandomBytes(4 * 32768);
    TempFile file(content);
    ScriptedServer server(ReceivesAll());
    SendLog log;
    auto socket = std::make_unique<RecordingSocket>(log);
    const std::string path = file.Path();
    socket->afterPiece = [&path](int piece) {
        if (piece == 1) {
            ASSERT_EQ(::truncate(path.c_str(), 40000), 0);
        }
    };
    TTcpClient data(std::move(socket));
    OpenTo(data, server);
    LocalFile local(file.Path());
    ExpectError<ENoDataToRead>([&] { data.WriteFileData(local, true); }, "No data to read.");
    EXPECT_TRUE(log.endOfFileSeen) << "the end of the file was not met by a direct piece";
    EXPECT_TRUE(log.plainSends.empty());
    EXPECT_TRUE(data.IsOpen());  // the connection stays as it was
    data.Close();
    ASSERT_EQ(server.Finish(), "");
    EXPECT_TRUE(server.Received().at(0) == content.substr(0, 40000));
}

TEST(TcpFileSend, RefusedDirectSendingContinuesByReadingFromTheFilePosition) {
    const std::string content = RandomBytes(3 * 32768 + 999);
    for (const int refuseFrom : {0, 2}) {
        SCOPED_TRACE("direct sending refused from piece " + std::to_string(refuseFrom));
        TempFile file(content);
        ScriptedServer server(ReceivesAll());
        SendLog log;
        auto socket = std::make_unique<RecordingSocket>(log);
        socket->refuseFromPiece = refuseFrom;
        TTcpClient data(std::move(socket));
        OpenTo(data, server);
        LocalFile local(file.Path());
        data.WriteFileData(local, true);
        data.Close();
        ASSERT_EQ(server.Finish(), "");
        EXPECT_TRUE(server.Received().at(0) == content);
        EXPECT_EQ(log.directRequests.size(), static_cast<size_t>(refuseFrom));
        EXPECT_FALSE(log.plainSends.empty());
        EXPECT_LE(Largest(log.plainSends), 32768u);
    }
}

TEST(TcpFileSend, PeerResetDuringADirectSendIsASocketErrorAndLeavesSigpipeAlone) {
    ASSERT_FALSE(SigpipeBlockedOrPending());
    const std::string content = RandomBytes(8 << 20);
    TempFile file(content);
    for (const bool collected : {false, true}) {
        SCOPED_TRACE(collected ? "reset already collected: broken pipe" : "reset pending");
        ScriptedServer server([](TestPeer& peer) { peer.Reset(); });
        SendLog log;
        auto socket = std::make_unique<RecordingSocket>(log);
        socket->collectErrorBeforeFileSend = collected;
        TTcpClient data(std::move(socket));
        OpenTo(data, server);
        ASSERT_EQ(server.Finish(), "");
        LocalFile local(file.Path());
        try {
            data.WriteFileData(local, true);
            ADD_FAILURE() << "sending to a reset connection never failed";
        } catch (const ESocketError& error) {
            EXPECT_EQ(error.code(), 10054);
            EXPECT_STREQ(error.what(), "Socket Error # 10054\r\nConnection reset by peer.");
        }
        EXPECT_FALSE(log.directRequests.empty());
        EXPECT_TRUE(data.ClosedByPeer());
        EXPECT_FALSE(data.IsOpen());
        // The signal a broken pipe raised was dropped and the mask restored.
        EXPECT_FALSE(SigpipeBlockedOrPending());
    }
}

TEST(TcpFileSend, AfterThePeerClosedNothingIsSentAndTheCloseIsReported) {
    TempFile file("data");
    ScriptedServer server([](TestPeer& peer) { peer.Close(); });
    SendLog log;
    TTcpClient data(std::make_unique<RecordingSocket>(log));
    OpenTo(data, server);
    ASSERT_EQ(server.Finish(), "");
    EXPECT_FALSE(data.IsOpen());
    LocalFile local(file.Path());
    ExpectError<EConnClosedGracefully>([&] { data.WriteFileData(local, true); },
                                       "Connection Closed Gracefully.");
    EXPECT_TRUE(log.directRequests.empty());
    EXPECT_TRUE(log.plainSends.empty());
}

}  // namespace
}  // namespace tramex::testing
