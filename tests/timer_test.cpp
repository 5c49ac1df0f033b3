// Timers on the manual clock: when they fire, and never once released.

#include <QDialog>
#include <QTimer>

#include <cmath>

#include "kit/programkit.h"
#include "platform/application.h"

namespace {

// Recorder notes when each Action came, in milliseconds since it was made, and runs an
// optional handler.
class Recorder : public Timer {
public:
    void Event_Action() override {
        fFiredMs.push_back(std::lround((Clock::Now() - fMadeAt).count() * 1000));
        if (fOnAction) fOnAction();
    }

    std::vector<long> fFiredMs;
    std::function<void()> fOnAction;
    const Clock::Seconds fMadeAt = Clock::Now();
};

class TimerTest : public ManualClockTest {
protected:
    Ref<Application> fApp = New<Application>();
};

TEST_F(TimerTest, AOnceTimerFiresOncePeriodAfterItsLastSettingAlsoUnderModalLoops) {
    QDialog outer;
    QDialog inner;
    Ref<Recorder> closer = New<Recorder>();
    closer->fOnAction = [&] { inner.accept(); };
    closer->SetMode(Timer::kModeSingle);
    Clock::Advance(Clock::Seconds(0.5));
    closer->SetPeriod(1000);
    // The heartbeat that fires this Action must beat again under the loop it opens.
    Ref<Recorder> opener = New<Recorder>();
    int innerResult = -1;
    opener->fOnAction = [&] {
        innerResult = inner.exec();
        outer.accept();
    };
    opener->SetPeriod(200);
    opener->SetMode(Timer::kModeSingle);
    // A DoEvents that ends before the timers are due must leave the heartbeat armed.
    fApp->DoEvents(100);
    // A reaper in real time, should a modal loop not serve the timers.
    QTimer::singleShot(20000, &outer, [&] {
        inner.reject();
        outer.reject();
    });
    EXPECT_EQ(outer.exec(), QDialog::Accepted);
    EXPECT_EQ(innerResult, QDialog::Accepted);
    fApp->DoEvents(3000);
    EXPECT_EQ(closer->fFiredMs, std::vector<long>{1500});
    EXPECT_EQ(closer->Mode(), Timer::kModeOff);
}

TEST_F(TimerTest, ATimerReleasedByAnotherDueAtTheSameMomentNeverFires) {
    Ref<Recorder> first = New<Recorder>();
    Ref<Recorder> second = New<Recorder>();
    first->fOnAction = [&] { second = nullptr; };
    second->fOnAction = [] { ADD_FAILURE() << "a released timer fired"; };
    first->SetMode(Timer::kModeSingle);
    second->SetMode(Timer::kModeSingle);
    fApp->DoEvents(3000);
    EXPECT_EQ(first->fFiredMs.size(), 1u);
}

}  // namespace
