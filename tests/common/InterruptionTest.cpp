// A stop request keeps the reason it first came with: a window closed after
// a SIGTERM must not make the log say the operator stopped the run.
#include "common/Interruption.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(Interruption, TheFirstReasonIsKept) {
    interruption::ResetForTests();
    interruption::Request("SIGTERM");
    interruption::Request("ventana cerrada");
    EXPECT_EQ(interruption::Reason(), "SIGTERM");
    interruption::ResetForTests();
}

}  // namespace
}  // namespace tramex
