// The platform clock: the system clock's reading, the manual clock's moves and jumps.

#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/testing.h"
#include "platform/thread.h"

namespace {

constexpr double kTolerance = 1e-6;

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRuntimeForTesting(); }
    void TearDown() override { ResetRuntimeForTesting(); }

    Ref<Application> fApp = New<Application>();
};

TEST_F(ClockTest, TheSystemClockReadsWallTimeAndNeverGoesBack) {
    EXPECT_FALSE(Clock::IsManual());
    double wall = std::chrono::duration<double>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    double first = Clock::Now();
    EXPECT_NEAR(first, wall, 2.0);
    Date date;
    double last = Clock::Now();
    EXPECT_LE(first, date.TotalSeconds());
    EXPECT_LE(date.TotalSeconds(), last);
}

TEST_F(ClockTest, TheManualClockMovesOnlyWhenTold) {
    Clock::UseManualClock();
    double start = Clock::Now();
    EXPECT_NEAR(start, std::chrono::duration<double>(
        std::chrono::system_clock::now().time_since_epoch()).count(), 2.0) << "starts at now";
    auto real = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - real < std::chrono::milliseconds(2)) {}
    EXPECT_EQ(Clock::Now(), start);
    EXPECT_EQ(Date().TotalSeconds(), start);

    Clock::Advance(1.25);
    EXPECT_NEAR(Clock::Now() - start, 1.25, kTolerance);
    Clock::UseManualClock();
    EXPECT_NEAR(Clock::Now() - start, 1.25, kTolerance) << "switching again keeps its time";

    EXPECT_THROW(Clock::Advance(-1), RuntimeException);
    Clock::UseSystemClock();
    EXPECT_THROW(Clock::Advance(1), RuntimeException);
}

TEST_F(ClockTest, TheManualClockWaitsForHelperWork) {
    Clock::UseManualClock();
    double start = Clock::Now();
    std::atomic<bool> release = false;
    class Copier : public Thread {
    public:
        explicit Copier(std::atomic<bool>& release) : fRelease(release) {}
        double fDoneAt = 0;

    protected:
        void Event_Run() override {
            RunBlocking([this] {
                while (!fRelease) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
            fDoneAt = Clock::Now();
        }

    private:
        std::atomic<bool>& fRelease;
    };
    Ref<Copier> copier = New<Copier>(release);
    copier->Run();
    QTimer::singleShot(30, [&] { release = true; });
    fApp->DoEvents(10);
    EXPECT_EQ(copier->State(), Thread::kNotRunning)
        << "DoEvents's end was not jumped to while the helper worked";
    EXPECT_EQ(copier->fDoneAt, start);
    EXPECT_NEAR(Clock::Now() - start, 0.01, kTolerance);
}

}  // namespace
