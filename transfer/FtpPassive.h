// The data address of a 227 reply to PASV, and the rule that replaces a
// private address by the control connection's peer when that one is public.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tramex {

struct FtpDataEndpoint {
    std::string Host;
    std::uint16_t Port = 0;
};

// Parses the first text line of a 227 reply. A port field that is no integer
// raises EConvertError "'%s' is not a valid integer value".
FtpDataEndpoint ParsePasvReply(std::string_view firstTextLine);

// Loopback, 10/8, 169.254/16, 192.168/16 and 172.16/12 are not routable;
// the test is textual, on the address as the server wrote it.
bool IsRoutableAddress(std::string_view address);

// The host to open the data connection to: the reply's address, or the peer's
// when the reply names a private address and the peer is public.
std::string PassiveHostFor(std::string_view replyHost, std::string_view peerAddress);

}  // namespace tramex
