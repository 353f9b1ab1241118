// Server bytes that once upset the FTP client (kept from fuzzing): each must
// end quickly in a typed error or a parsed reply, nothing worse.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/FtpFuzzInput.h"

namespace tramex {
namespace {

TEST(FtpFuzzRegressions, KeptInputsAreHandled) {
    const std::filesystem::path folder =
        std::filesystem::path(TRAMEX_SOURCE_DIR) / "fuzz" / "regressions";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no kept fuzz inputs in " << folder;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NO_THROW(RunFtpFuzzInput(bytes.str())) << entry.path();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
            << entry.path();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tramex
