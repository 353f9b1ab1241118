// The multi-line reply rule and reply codes, fed from scripted line lists.
#include <gtest/gtest.h>

#include <deque>

#include "transfer/FtpError.h"
#include "transfer/FtpReply.h"

namespace tramex {
namespace {

// Reads one reply from the lines; what remains unread is left in `lines`.
TFtpReply ReadFrom(std::deque<std::string>& lines) {
    return ReadFtpReply([&lines] {
        if (lines.empty()) throw Error("read past the scripted lines");
        std::string line = lines.front();
        lines.pop_front();
        return line;
    });
}

TEST(FtpReplyReader, MultiLineReplyEndsOnlyAtItsOwnCodeAndSpaceOrBareCode) {
    std::deque<std::string> lines = {"211-Features:", "211-MDTM", "230 other code", "SIZE",
                                     "2110 tail",     "211 End",  "200 next reply"};
    const TFtpReply reply = ReadFrom(lines);
    EXPECT_EQ(reply.Code, 211);
    EXPECT_EQ(reply.Text, (std::vector<std::string>{"Features:", "MDTM", "230 other code", "SIZE",
                                                    " tail", "End"}));
    EXPECT_EQ(reply.Message(), "Features:\r\nMDTM\r\n230 other code\r\nSIZE\r\n tail\r\nEnd\r\n");
    ASSERT_EQ(lines.size(), 1u);

    std::deque<std::string> bare = {"220-Welcome", "220", "331 left"};
    const TFtpReply bareEnd = ReadFrom(bare);
    EXPECT_EQ(bareEnd.Text, (std::vector<std::string>{"Welcome", ""}));
    EXPECT_EQ(bare.front(), "331 left");
}

TEST(FtpReplyReader, SingleLineRepliesAndTheCodeOnItsOwn) {
    std::deque<std::string> lines = {"230 User logged in, proceed.", "200", "150-"};
    EXPECT_EQ(ReadFrom(lines).Message(), "User logged in, proceed.\r\n");
    const TFtpReply bare = ReadFrom(lines);
    EXPECT_EQ(bare.Code, 200);
    EXPECT_EQ(bare.Text, std::vector<std::string>{""});
    // "150-" opens a multi-line reply that the next "150 ..." line ends.
    lines.push_back("150 done");
    EXPECT_EQ(ReadFrom(lines).Text, (std::vector<std::string>{"", "done"}));
}

TEST(FtpReplyReader, InvalidCodesRaiseProtocolErrorWithTheCodeText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc hello", "Reply Code is not valid: abc"},
        {"99 too small", "Reply Code is not valid: 99 t"},
        {"1000 too long", "Reply Code is not valid: 1000"},
        {"0099 under 100", "Reply Code is not valid: 0099"},
        {"2x0 mixed", "Reply Code is not valid: 2x0"},
        {"H\xc3\xa9llo", "Reply Code is not valid: H\xc3\xa9ll"},
    };
    for (const auto& [line, message] : cases) {
        std::deque<std::string> lines = {line};
        try {
            ReadFrom(lines);
            ADD_FAILURE() << "no error for " << line;
        } catch (const EProtocolError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

}  // namespace
}  // namespace tramex
