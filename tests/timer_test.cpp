// Timers on the manual clock: when they fire, how often, and never once released.

#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include <functional>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/testing.h"
#include "platform/thread.h"
#include "platform/timer.h"

namespace {

// Clock readings are seconds since 1970: a microsecond is well within their precision.
constexpr double kTolerance = 1e-6;

// Recorder notes the platform time of each Action and runs an optional handler.
class Recorder : public Timer {
public:
    std::vector<double> fFiredAt;
    std::function<void()> fOnAction;

protected:
    void Event_Action() override {
        fFiredAt.push_back(Clock::Now());
        if (fOnAction) fOnAction();
    }
};

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
        fStart = Clock::Now();
    }
    void TearDown() override { ResetRuntimeForTesting(); }

    double Elapsed(double moment) const { return moment - fStart; }

    Ref<Application> fApp = New<Application>();
    double fStart = 0;
};

TEST_F(TimerTest, AOnceTimerFiresOnceAtItsTimeThenSwitchesOff) {
    Ref<Recorder> timer = New<Recorder>();
    EXPECT_EQ(timer->Mode(), Timer::kModeOff);
    EXPECT_EQ(timer->Period(), 1000);
    timer->SetMode(Timer::kModeSingle);
    timer->SetPeriod(1000);

    fApp->DoEvents(999);
    EXPECT_TRUE(timer->fFiredAt.empty());
    fApp->DoEvents(5000);
    ASSERT_EQ(timer->fFiredAt.size(), 1u);
    EXPECT_NEAR(Elapsed(timer->fFiredAt[0]), 1.0, kTolerance);
    EXPECT_EQ(timer->Mode(), Timer::kModeOff);
}

TEST_F(TimerTest, TheLastSettingStartsThePeriodAgain) {
    Ref<Recorder> timer = New<Recorder>();
    timer->SetMode(Timer::kModeSingle);
    Clock::Advance(0.5);
    timer->SetPeriod(1000);
    fApp->DoEvents(3000);
    ASSERT_EQ(timer->fFiredAt.size(), 1u);
    EXPECT_NEAR(Elapsed(timer->fFiredAt[0]), 1.5, kTolerance);

    timer->SetMode(Timer::kModeSingle);
    Clock::Advance(0.75);
    timer->Reset();
    fApp->DoEvents(3000);
    ASSERT_EQ(timer->fFiredAt.size(), 2u);
    EXPECT_NEAR(Elapsed(timer->fFiredAt[1]), 0.5 + 3.0 + 0.75 + 1.0, kTolerance);
}

TEST_F(TimerTest, AMultipleTimerKeepsItsBeatUntilSwitchedOff) {
    Ref<Recorder> timer = New<Recorder>();
    timer->SetPeriod(250);
    timer->SetMode(Timer::kModeMultiple);
    fApp->DoEvents(1100);
    ASSERT_EQ(timer->fFiredAt.size(), 4u);
    EXPECT_NEAR(Elapsed(timer->fFiredAt[3]), 1.0, kTolerance);
    EXPECT_EQ(timer->Mode(), Timer::kModeMultiple);
    timer->SetMode(Timer::kModeOff);
    fApp->DoEvents(1000);
    EXPECT_EQ(timer->fFiredAt.size(), 4u);
}

TEST_F(TimerTest, AReleasedTimerNeverFires) {
    int fired = 0;
    {
        Ref<Recorder> timer = New<Recorder>();
        timer->fOnAction = [&] { ++fired; };
        timer->SetMode(Timer::kModeMultiple);
        timer->SetPeriod(100);
    }
    fApp->DoEvents(1000);
    EXPECT_EQ(fired, 0);

    // Released by the handler of another timer due at the same moment.
    Ref<Recorder> first = New<Recorder>();
    Ref<Recorder> second = New<Recorder>();
    second->fOnAction = [&] { ++fired; };
    first->fOnAction = [&] { second = nullptr; };
    first->SetPeriod(100);
    second->SetPeriod(100);
    first->SetMode(Timer::kModeSingle);
    second->SetMode(Timer::kModeSingle);
    fApp->DoEvents(1000);
    EXPECT_EQ(first->fFiredAt.size(), 1u);
    EXPECT_EQ(fired, 0);
}

TEST_F(TimerTest, AHandlerWaitingInANestedLoopIsNotReentered) {
    Ref<Recorder> slow = New<Recorder>();
    Ref<Recorder> quick = New<Recorder>();
    int depth = 0;
    int deepest = 0;
    slow->fOnAction = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        fApp->DoEvents(450);  // other timers keep firing in here
        --depth;
    };
    slow->SetPeriod(100);
    slow->SetMode(Timer::kModeMultiple);
    quick->SetPeriod(200);
    quick->SetMode(Timer::kModeSingle);
    fApp->DoEvents(120);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(quick->fFiredAt.size(), 1u) << "fired from within the slow handler's DoEvents";
    EXPECT_GE(slow->fFiredAt.size(), 1u);
}

TEST_F(TimerTest, TimersFireUnderAQtModalLoop) {
    QDialog dialog;
    Ref<Recorder> closer = New<Recorder>();
    closer->fOnAction = [&] { dialog.accept(); };
    closer->SetPeriod(1000);
    closer->SetMode(Timer::kModeSingle);
    // A reaper in real time, should the modal loop not serve the timer.
    QTimer::singleShot(20000, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_NEAR(Elapsed(closer->fFiredAt.at(0)), 1.0, kTolerance);
}

TEST_F(TimerTest, TimersFireOnTheSystemClock) {
    Clock::UseSystemClock();
    Ref<Recorder> timer = New<Recorder>();
    timer->SetPeriod(20);
    timer->SetMode(Timer::kModeSingle);
    for (int i = 0; i < 2000 && timer->fFiredAt.empty(); ++i) fApp->DoEvents(10);
    EXPECT_EQ(timer->fFiredAt.size(), 1u);
}

}  // namespace
