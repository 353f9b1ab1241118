// Whole-file reads: exact bytes, and nothing for what is not a readable file.
#include "platform/ExclusiveFile.h"
#include "tests/session/ScratchDirectory.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(ExclusiveFileTest, BytesComeBackExactly) {
    testing::ScratchDirectory scratch;
    std::string bytes("a\r\n\0\xFF\r", 6);
    bytes += std::string(20000, 'x');  // more than one read
    EXPECT_EQ(ReadFileExclusively(scratch.Write("f.conf", bytes)), bytes);
    EXPECT_EQ(ReadFileExclusively(scratch.Write("empty.conf", "")), std::string());
}

TEST(ExclusiveFileTest, AbsentFilesAndFoldersGiveNothing) {
    testing::ScratchDirectory scratch;
    EXPECT_EQ(ReadFileExclusively((scratch.path() / "absent").string()), std::nullopt);
    EXPECT_EQ(ReadFileExclusively(scratch.path().string()), std::nullopt);
}

}  // namespace
}  // namespace tramex
