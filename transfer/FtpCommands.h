// The reply codes each FTP command of the upload dialogue accepts, kept as
// data beside the command names so the dialogue reads as a list of steps.
// An empty list accepts every code (the 421 rule still applies).
#pragma once

#include <vector>

namespace tramex::ftpcodes {

using Accepted = std::vector<int>;

inline const Accepted kAny = {};
inline const Accepted kGreeting = {220};
inline const Accepted kUser = {230, 232, 331};
inline const Accepted kXaut = {230, 232, 331};
inline const Accepted kPass = {230, 332};
inline const Accepted kAcct = {202, 230, 500};
inline const Accepted kType = {200};
inline const Accepted kCwd = {200, 250, 257};
inline const Accepted kPasv = {227};
inline const Accepted kRest = {350};
// A restart at 0 skips nothing: a server without REST may refuse it.
inline const Accepted kRestAtStart = {350, 500, 502, 504};
inline const Accepted kTransferStart = {110, 125, 150};
inline const Accepted kTransferDone = {226, 225, 250};
inline const Accepted kRenameFrom = {350};
inline const Accepted kRenameTo = {250};
inline const Accepted kDele = {250};
// What the server stored: its size, and a digest of it.
inline const Accepted kSize = {213};
inline const Accepted kOptsHash = {200};
inline const Accepted kDigest = {213, 250};
// Explicit TLS: only a 234 means the server now expects the handshake.
inline const Accepted kAuthTls = {234};
inline const Accepted kPbsz = {200};
inline const Accepted kProt = {200};

// The reply that announces the server is closing the control connection.
inline constexpr int kServiceNotAvailable = 421;
inline constexpr int kLoggedIn = 230;
inline constexpr int kNeedPassword = 331;
inline constexpr int kNeedAccount = 332;
inline constexpr int kServiceReady = 220;
inline constexpr int kSyntaxError = 500;
inline constexpr int kSystemStatus = 210;

}  // namespace tramex::ftpcodes
