// The transient failures of an upload, kept as data.
#include "transfer/FtpRetry.h"

#include "transfer/FtpError.h"
#include "transfer/SocketErrors.h"

#include <algorithm>
#include <array>

namespace tramex {
namespace {

// 421 closing, 425 no data connection, 426 transfer aborted, 450 file busy,
// 451 local error on the server.
constexpr std::array kTransientReplies = {421, 425, 426, 450, 451};
// Aborted, reset, timed out, refused.
constexpr std::array kTransientSocketErrors = {10053, 10054, 10060, 10061};

template <typename List>
bool Holds(const List& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

bool IsTransientFtpFailure(const std::exception& error) {
    if (const auto* reply = dynamic_cast<const EReplyError*>(&error))
        return Holds(kTransientReplies, reply->Code());
    if (const auto* socket = dynamic_cast<const ESocketError*>(&error))
        return Holds(kTransientSocketErrors, socket->code());
    return dynamic_cast<const EUploadCheckFailed*>(&error) ||
           dynamic_cast<const EConnectTimeout*>(&error) ||
           dynamic_cast<const EReadTimeout*>(&error) ||
           dynamic_cast<const EWriteTimeout*>(&error) ||
           dynamic_cast<const EConnClosedGracefully*>(&error);
}

}  // namespace tramex
