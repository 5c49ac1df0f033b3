// The manual clock moves only when told, and never back.

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(Clock, TheManualClockMovesOnlyWhenToldAndNeverBack) {
    Clock::UseManualClock();
    double start = Clock::Now();
    Clock::Advance(1.25);
    EXPECT_NEAR(Date().TotalSeconds() - start, 1.25, 1e-6);
    EXPECT_THROW(Clock::Advance(-1), RuntimeException);
}

}  // namespace
