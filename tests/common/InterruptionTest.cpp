// A stop request keeps the reason it first came with: a window closed after
// a SIGTERM must not make the log say the operator stopped the run.
#include "common/Interruption.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(Interruption, TheFirstReasonIsKept) {
    interruption::ResetForTests();
    EXPECT_FALSE(interruption::Requested());
    interruption::Request("SIGTERM");
    interruption::Request("ventana cerrada");
    EXPECT_TRUE(interruption::Requested());
    EXPECT_EQ(interruption::Reason(), "SIGTERM");
    try {
        interruption::ThrowIfRequested();
        ADD_FAILURE() << "no InterruptedError";
    } catch (const InterruptedError& error) {
        EXPECT_STREQ(error.what(), "Exportación interrumpida (SIGTERM)");
    }
    interruption::ResetForTests();
}

}  // namespace
}  // namespace tramex
