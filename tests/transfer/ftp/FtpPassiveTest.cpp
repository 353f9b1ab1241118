// PASV reply parsing and the substitution of private reply addresses.
#include <gtest/gtest.h>

#include "transfer/FtpError.h"
#include "transfer/FtpPassive.h"

namespace tramex {
namespace {

void ExpectEndpoint(std::string_view line, const std::string& host, int port) {
    const FtpDataEndpoint endpoint = ParsePasvReply(line);
    EXPECT_EQ(endpoint.Host, host) << line;
    EXPECT_EQ(endpoint.Port, port) << line;
}

TEST(FtpPassiveReply, WhereTheNumbersAre) {
    ExpectEndpoint("Entering Passive Mode (10,0,0,5,19,137).", "10.0.0.5", 5001);
    ExpectEndpoint("  Entering Passive Mode 192,168,1,2,4,1  ", "192.168.1.2", 1025);
    ExpectEndpoint("Entering Passive Mode (192,168,1,2,4,1", "192.168.1.2", 1025);
    ExpectEndpoint("=127,0,0,1,0,21", "=127.0.0.1", 21);
    ExpectEndpoint("Entering (1,2,3,4, 7 ,\t9 ) (5,6,7,8,9,9)", "1.2.3.4", 7 * 256 + 9);
    // Port fields keep their low eight bits.
    ExpectEndpoint("(1,2,3,4,300,1)", "1.2.3.4", 44 * 256 + 1);
    ExpectEndpoint("(1,2,3,4,-1,-1)", "1.2.3.4", 65535);
    ExpectEndpoint("(1,2,3,4,+2,256)", "1.2.3.4", 512);
}

TEST(FtpPassiveReply, NonNumericPortFieldsRaiseTheConversionError) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"(1,2,3,4,x9,1)", "'x9' is not a valid integer value"},
        {"(1,2,3,4,5,1a)", "'1a' is not a valid integer value"},
        {"(1,2,3,4,5)", "'' is not a valid integer value"},
        {"(1,2,3,4,-,1)", "'-' is not a valid integer value"},
        {"(1,2,3,4,99999999999,1)", "'99999999999' is not a valid integer value"},
    };
    for (const auto& [line, message] : cases) {
        try {
            ParsePasvReply(line);
            ADD_FAILURE() << "no error for " << line;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

TEST(FtpPassiveReply, PrivateReplyAddressGivesWayOnlyToARoutablePeer) {
    const std::string publicPeer = "203.0.113.7";
    for (const char* privateHost : {"10.0.0.5", "172.16.0.1", "172.20.1.1", "172.31.255.1",
                                    "192.168.1.1", "169.254.3.3", "127.0.0.1"})
        EXPECT_EQ(PassiveHostFor(privateHost, publicPeer), publicPeer) << privateHost;
    for (const char* kept : {"172.32.1.1", "172.5.1.1", "172.100.1.1", "198.51.100.2", "11.0.0.1"})
        EXPECT_EQ(PassiveHostFor(kept, publicPeer), kept) << kept;
    // A private peer keeps the private reply address.
    EXPECT_EQ(PassiveHostFor("10.0.0.5", "192.168.0.10"), "10.0.0.5");
    EXPECT_EQ(PassiveHostFor("172.20.1.1", "127.0.0.1"), "172.20.1.1");
}

}  // namespace
}  // namespace tramex
