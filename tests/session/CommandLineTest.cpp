// The command line: positions, empty parameters and a days value that is not
// a number.
#include "session/CommandLine.h"
#include "session/DaysValue.h"
#include "tests/session/RecordingTargets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::RecordingTargets;

TEST(CommandLineTest, FourPositionsGoToTheirTargetsAndMoreAreIgnored) {
    RecordingTargets targets;
    targets.cia = "001";  // from the settings file: position 3 overrides it
    ApplyCommandLine({"07", "3", "002", "15", "extra"}, targets);
    EXPECT_THAT(targets.written,
                ElementsAre("Fami=07", "IdAgencia=3", "Cia=002", "Dias=15.000000"));
}

TEST(CommandLineTest, EmptyParametersLeaveTheirTargetsAlone) {
    RecordingTargets targets;
    ApplyCommandLine({"", "0", "", ""}, targets);
    EXPECT_THAT(targets.written, ElementsAre("IdAgencia=0"));
    targets.written.clear();
    ApplyCommandLine({}, targets);
    EXPECT_THAT(targets.written, IsEmpty());
}

TEST(CommandLineTest, DaysThatAreNotANumberStopAfterTheFirstThree) {
    RecordingTargets targets;
    EXPECT_THROW(ApplyCommandLine({"07", "0", "001", " "}, targets), ConversionError);
    EXPECT_THAT(targets.written, ElementsAre("Fami=07", "IdAgencia=0", "Cia=001"));
}

}  // namespace
}  // namespace tramex
