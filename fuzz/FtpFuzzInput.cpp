// Plays fuzz bytes as server output (see FtpFuzzInput.h). The control
// connection runs on an in-memory socket that hands out the bytes in small
// pieces and accepts whatever the client sends.
#include "fuzz/FtpFuzzInput.h"

#include <algorithm>

#include "common/Error.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpPassive.h"
#include "transfer/FtpReply.h"
#include "transfer/FtpText.h"

namespace tramex {
namespace {

class ScriptedSocket : public TSocketHandler {
  public:
    explicit ScriptedSocket(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string ResolveIPv4(const std::string&) override { return "127.0.0.1"; }
    void Allocate() override { allocated_ = true; }
    bool IsAllocated() const override { return allocated_; }
    int Connect(const std::string&, uint16_t) override { return 0; }
    void AbortConnect() override {}
    bool WaitReadable(int) override { return true; }
    bool WaitWritable(int) override { return true; }
    SocketTransfer Receive(char* buffer, size_t max) override {
        // Uneven pieces so lines straddle receives.
        const size_t piece = std::min({max, bytes_.size() - at_, size_t(1) + at_ % 61});
        std::copy_n(bytes_.data() + at_, piece, buffer);
        at_ += piece;
        return {piece, 0};
    }
    SocketTransfer Send(const char*, size_t length) override { return {length, 0}; }
    void Close() override { allocated_ = false; }

  private:
    std::string bytes_;
    size_t at_ = 0;
    bool allocated_ = false;
};

void ReadRepliesFromLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::string_view line : SplitOn(bytes, '\n')) {
        const std::string_view stripped = StripControlAndSpace(line);
        if (!stripped.empty()) lines.emplace_back(stripped);
    }
    size_t next = 0;
    const FtpLineSource source = [&]() -> std::string {
        if (next == lines.size()) throw Error("no more lines");
        return lines[next++];
    };
    while (next < lines.size()) ReadFtpReply(source);
}

// The input's first bytes also serve as the remote folder, as a value from a
// database row would: line breaks in it must be refused, never sent.
void ConnectAgainst(const std::string& bytes) {
    TFtpClient client(std::make_unique<ScriptedSocket>(bytes));
    client.Host = "localhost";
    client.Username = "user";
    client.Password = "pass";
    client.ReadTimeout = 1000;
    client.Connect();
    client.ChangeDirectory(bytes.substr(0, 24));
}

template <typename Action>
void ExpectingOnlyTypedErrors(Action action) {
    try {
        action();
    } catch (const Error&) {
    }
}

}  // namespace

void RunFtpFuzzInput(const std::string& serverBytes) {
    ExpectingOnlyTypedErrors([&] { ReadRepliesFromLines(serverBytes); });
    ExpectingOnlyTypedErrors([&] {
        const FtpDataEndpoint endpoint = ParsePasvReply(serverBytes);
        (void)PassiveHostFor(endpoint.Host, "203.0.113.9");
    });
    ExpectingOnlyTypedErrors([&] { ConnectAgainst(serverBytes); });
}

}  // namespace tramex
