// The platform clock: the system clock's reading and the manual clock's moves.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"

namespace {

TEST(Clock, TheManualClockStartsAtNowAndMovesOnlyWhenTold) {
    double wall = std::chrono::duration<double>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(Clock::Now(), wall, 2.0);
    Clock::UseManualClock();
    double start = Clock::Now();
    EXPECT_NEAR(start, wall, 2.0);
    Clock::Advance(1.25);
    Clock::UseManualClock();
    EXPECT_NEAR(Date().TotalSeconds() - start, 1.25, 1e-6) << "switching again keeps its time";
    EXPECT_THROW(Clock::Advance(-1), RuntimeException);
    Clock::UseSystemClock();
    EXPECT_THROW(Clock::Advance(1), RuntimeException);
    EXPECT_NEAR(Clock::Now(), wall, 2.0);
}

}  // namespace
