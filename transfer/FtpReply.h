// FTP replies: the record of one reply and the RFC 959 multi-line reader,
// written over any source of stripped, non-empty lines.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tramex {

struct TFtpReply {
    int Code = 0;                   // 100 to 999 (0 when the server sent no code)
    std::vector<std::string> Text;  // the line texts without their code prefixes

    // The text lines, each followed by CR LF: the message of a refused reply.
    std::string Message() const;
    std::string FirstLine() const { return Text.empty() ? std::string() : Text.front(); }
};

// Returns the next non-empty line with leading and trailing characters 0..32
// stripped; raises the transport's errors (time-out, closed connection).
using FtpLineSource = std::function<std::string()>;

// The most one reply may hold, counting the line texts as read.
inline constexpr std::size_t kMaxReplyLines = 1000;
inline constexpr std::size_t kMaxReplyBytes = 1 << 20;

// Reads one whole reply. Raises EProtocolError "Reply Code is not valid: %s"
// when the first line does not start with a code from 100 to 999, and
// EReplyTooLong beyond kMaxReplyLines lines or kMaxReplyBytes bytes.
TFtpReply ReadFtpReply(const FtpLineSource& nextLine);

// True when the code is in the list; an empty list accepts every code.
bool IsAcceptedCode(int code, const std::vector<int>& accepted);

}  // namespace tramex
