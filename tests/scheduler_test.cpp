// Cooperative threads without windows: kills, helper work, a thread that fails, waits that
// cost no processor time, and one turn per pass of the event loop. Timers on the manual
// clock: when they fire, and never once released.

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "kit/programkit.h"
#include "platform/application.h"
#include "platform/thread.h"

namespace {

// Worker runs a test's body as its Event_Run.
class Worker : public Thread {
public:
    explicit Worker(std::function<void()> body) : fBody(std::move(body)) {}
    void Event_Run() override { fBody(); }

private:
    std::function<void()> fBody;
};

Ref<Worker> Start(std::function<void()> body) {
    Ref<Worker> worker = New<Worker>(std::move(body));
    worker->Run();
    return worker;
}

class SchedulerTest : public ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        SetDeterministicScheduling(true);
    }
    Ref<Application> fApp = New<Application>();
};

// Kill returns once the thread has unwound: from a loop whose catch must not swallow it, from
// a sleep, and from a wait for its helper once the helper, which uses the thread's stack, is done.
TEST_F(SchedulerTest, KillUnwindsAThreadWhereverItIsAndNothingCatchesIt) {
    bool unwound = false;
    bool caught = false;
    bool ranOn = false;
    std::atomic<bool> started = false;
    std::atomic<bool> release = false;
    std::atomic<bool> workDone = false;
    Ref<Worker> looping = Start([&] {
        const std::shared_ptr<void> flag(nullptr, [&](void*) { unwound = true; });  // on unwinding
        for (;;) {
            try {
                Yield();
            } catch (const RuntimeException&) {
                caught = true;  // the program's own catch must not swallow the kill
            }
        }
    });
    Ref<Worker> sleeping = Start([&] {
        CurrentThread()->Sleep(60000);
        ranOn = true;
    });
    Ref<Worker> blocking = Start([&] {
        RunBlocking([&] {
            started = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            workDone = true;
        });
        ranOn = true;
    });
    ASSERT_TRUE(User::WaitUntil([&] { return started.load(); }));
    EXPECT_EQ(blocking->State(), Thread::kWaiting) << "waits, without spinning, for its helper";
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    for (const Ref<Worker>& worker : {looping, sleeping, blocking}) {
        worker->Kill();
        EXPECT_EQ(worker->State(), Thread::kNotRunning) << "ended when Kill returns";
    }
    EXPECT_TRUE(workDone);
    releaser.join();
    EXPECT_TRUE(unwound && !caught);
    fApp->DoEvents(100000);
    EXPECT_FALSE(ranOn) << "no killed thread ran on";
}

// Real time here: DoEvents blocks, with a thread asleep, with one waiting for its helper,
// and with nothing left to run. A spinning wait would burn the whole 400 ms. Of many short
// waits, some end as their wait is set: one that then blocked would never return.
TEST_F(SchedulerTest, DoEventsWaitsWithoutBurningTheProcessorAndReturnsAtItsEnd) {
    Clock::UseSystemClock();
    Start([] {
        CurrentThread()->Sleep(100);
        RunBlocking([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    });
    const std::clock_t before = std::clock();  // the processor time the process used
    fApp->DoEvents(400);
    EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 10);
    for (int i = 0; i < 2000; ++i) fApp->DoEvents(1);
}

// Turns given back to back would keep the windows from painting for several slices. A thread
// that fails ends alone: the others run on.
TEST_F(SchedulerTest, AReadyThreadGetsOneTurnPerPassAndAnExceptionLeavingRunEndsThatThreadAlone) {
    ::testing::internal::CaptureStderr();
    Ref<Worker> failing = Start([] { throw RuntimeException("disk gone"); });
    int turns = 0;
    Ref<Worker> busy = Start([&] {
        for (;;) {
            ++turns;
            Yield();
        }
    });
    for (int pass = 1; pass <= 3; ++pass) {
        fApp->DoEvents(0);
        Yield();
        EXPECT_EQ(turns, pass);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quorbit: a thread ended by an exception: disk gone\n");
    EXPECT_EQ(failing->State(), Thread::kNotRunning);
}

using TimerTest = SchedulerTest;

// At some moments a second taken to milliseconds and back came out an instant short, and the
// worker's closing block waited a second more.
TEST_F(TimerTest, ASleepOrPeriodOfASecondEndsASecondLaterAtAnyMoment) {
    Clock::Advance(Clock::Seconds(3000000000.796926) - Clock::Now());
    const Clock::Seconds start = Clock::Now();
    std::vector<double> offBy;  // from a second after the start, in seconds
    const auto end = [&] { offBy.push_back((Clock::Now() - start).count() - 1.0); };
    Start([&] {
        CurrentThread()->Sleep(1000);
        end();
    });
    const Ref<ProbeTimer> timer = New<ProbeTimer>(1000, end);
    fApp->DoEvents(2000);
    EXPECT_EQ(offBy, (std::vector<double>{0, 0}));
}

TEST_F(TimerTest, AOnceTimerFiresOncePeriodAfterItsLastSettingAlsoUnderModalLoops) {
    QDialog outer;
    QDialog inner;
    const Clock::Seconds start = Clock::Now();
    Values firedMs;
    const Ref<ProbeTimer> closer = New<ProbeTimer>(1000, [&] {
        firedMs.push_back(std::lround((Clock::Now() - start).count() * 1000));
        inner.accept();
    });
    Clock::Advance(Clock::Seconds(0.5));
    closer->SetPeriod(1000);
    // The heartbeat that fires this Action must beat again under the loop it opens. A timer it
    // releases, due at the same moment, never fires.
    int innerResult = -1;
    Ref<ProbeTimer> released;
    const Ref<ProbeTimer> opener = New<ProbeTimer>(200, [&] {
        released = nullptr;
        innerResult = inner.exec();
        outer.accept();
    });
    released = New<ProbeTimer>(200, [] { ADD_FAILURE() << "a released timer fired"; });
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
    EXPECT_EQ(firedMs, Values{1500});
}

}  // namespace
