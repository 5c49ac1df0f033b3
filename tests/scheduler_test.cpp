// Cooperative threads without windows: interleavings, states, waits, kills and helper work.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPixmap>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/scheduler_p.h"
#include "platform/testing.h"
#include "platform/thread.h"

namespace {

// Clock readings are seconds since 1970: a microsecond is well within their precision.
constexpr double kTolerance = 1e-6;

// Worker runs a test's body as its Event_Run.
class Worker : public Thread {
public:
    explicit Worker(std::function<void()> body) : fBody(std::move(body)) {}

protected:
    void Event_Run() override { fBody(); }

private:
    std::function<void()> fBody;
};

Ref<Worker> Start(std::function<void()> body) {
    Ref<Worker> worker = New<Worker>(std::move(body));
    worker->Run();
    return worker;
}

// Flag is set when it goes out of scope: it shows a fiber's stack was unwound.
struct Flag {
    bool* set;
    ~Flag() { *set = true; }
};

// Turns hands out main-fiber turns until done() holds, at most a bounded number of times.
bool Turns(const std::function<bool()>& done, int most = 1000) {
    for (int i = 0; i < most && !done(); ++i) Yield();
    return done();
}

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        SetDeterministicScheduling(true);
        Clock::UseManualClock();
    }
    void TearDown() override { ResetRuntimeForTesting(); }

    Ref<Application> fApp = New<Application>();
};

TEST_F(SchedulerTest, TwoWorkersAlternateOnlyAtYieldPoints) {
    std::vector<std::string> log;
    auto body = [&log](const std::string& name) {
        return [&log, name] {
            if (CurrentThread().IsNil()) log.push_back("no current thread");
            log.push_back(name + "1");
            log.push_back(name + "2");  // no yield between: no switch
            Yield();
            log.push_back(name + "3");
            Yield();
            log.push_back(name + "4");
        };
    };
    Ref<Worker> a = Start(body("a"));
    Ref<Worker> b = Start(body("b"));
    EXPECT_TRUE(log.empty()) << "Run returns before the thread's first turn";

    ASSERT_TRUE(Turns([&] { return a->State() == Thread::kNotRunning &&
                                   b->State() == Thread::kNotRunning; }));
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "a2", "b1", "b2", "a3", "b3", "a4", "b4"}));
}

TEST_F(SchedulerTest, StateFollowsTheThreadThroughItsLife) {
    bool resumed = false;
    Ref<Worker> worker = New<Worker>([&] {
        CurrentThread()->Sleep(1000);
        resumed = true;
        Yield();
    });
    EXPECT_EQ(worker->State(), Thread::kNotRunning) << "before Run";
    worker->Run();
    EXPECT_EQ(worker->State(), Thread::kRunning) << "started, waiting for its first turn";
    Yield();
    EXPECT_EQ(worker->State(), Thread::kSleeping);

    worker->Suspend();
    EXPECT_EQ(worker->State(), Thread::kSuspended);
    Clock::Advance(5);
    fApp->DoEvents(10);
    EXPECT_FALSE(resumed) << "a suspended thread gets no turn, even when its sleep is over";
    worker->Resume();
    fApp->DoEvents(10);
    EXPECT_TRUE(resumed);
    ASSERT_TRUE(Turns([&] { return worker->State() == Thread::kNotRunning; }));
    EXPECT_THROW(worker->Run(), RuntimeException) << "a thread runs once";
}

TEST_F(SchedulerTest, AnExceptionEndsItsThreadAndIsReported) {
    bool unwound = false;
    Ref<Worker> failing = Start([&] {
        Flag flag{&unwound};
        Yield();
        throw std::runtime_error("disk on fire");
    });
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(Turns([&] { return failing->State() == Thread::kNotRunning; }));
    EXPECT_TRUE(unwound);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("disk on fire"), std::string::npos);
}

TEST_F(SchedulerTest, DoEventsGivesTurnsAndReturnsAtOnceOnTheManualClock) {
    double wokeAt = 0;
    double start = Clock::Now();
    Ref<Worker> worker = Start([&] {
        CurrentThread()->Sleep(1000);
        wokeAt = Clock::Now();
    });
    fApp->DoEvents(500);
    EXPECT_NEAR(Clock::Now() - start, 0.5, kTolerance) << "the clock jumps to DoEvents's end";
    EXPECT_EQ(worker->State(), Thread::kSleeping);
    fApp->DoEvents(600);
    EXPECT_EQ(worker->State(), Thread::kNotRunning);
    EXPECT_NEAR(wokeAt - start, 1.0, kTolerance) << "the sleeper wakes at its own deadline";
    EXPECT_NEAR(Clock::Now() - start, 1.1, kTolerance);

    // Nothing at all to do: DoEvents still returns once its time has passed.
    double before = Clock::Now();
    fApp->DoEvents(100);
    EXPECT_NEAR(Clock::Now() - before, 0.1, kTolerance);
}

TEST_F(SchedulerTest, DoEventsOnAWorkerOnlyYields) {
    double start = Clock::Now();
    Ref<Worker> worker = Start([&] { fApp->DoEvents(5000); });
    ASSERT_TRUE(Turns([&] { return worker->State() == Thread::kNotRunning; }));
    EXPECT_EQ(Clock::Now(), start) << "no nested loop ran, so nothing moved the clock";
}

TEST_F(SchedulerTest, AYieldSwitchesOnlyOnceTheTimeSliceIsUsed) {
    SetDeterministicScheduling(false);
    int passes = 0;
    Ref<Worker> worker = Start([&] {
        for (int i = 0; i < 1000; ++i, ++passes) Yield();
    });
    int turns = 0;
    while (worker->State() != Thread::kNotRunning && turns < 1000) {
        Yield();
        ++turns;
    }
    EXPECT_EQ(passes, 1000);
    EXPECT_LT(turns, 500) << "a busy worker keeps its turn through cheap yield points";
}

TEST_F(SchedulerTest, KillUnwindsAPausedThreadAndNothingCatchesIt) {
    bool unwound = false;
    bool caught = false;
    int passes = 0;
    Ref<Worker> looping = Start([&] {
        Flag flag{&unwound};
        for (;;) {
            try {
                Yield();
            } catch (const RuntimeException&) {
                caught = true;  // the program's own catch must not swallow the kill
            }
            ++passes;
        }
    });
    ASSERT_TRUE(Turns([&] { return passes >= 2; }));
    looping->Kill();
    EXPECT_EQ(looping->State(), Thread::kNotRunning) << "ended when Kill returns";
    EXPECT_TRUE(unwound);
    EXPECT_FALSE(caught);

    // A sleeping thread and one that never had its turn end just as well.
    bool slept = false;
    Ref<Worker> sleeping = Start([&] { CurrentThread()->Sleep(60000); slept = true; });
    Yield();
    sleeping->Kill();
    EXPECT_EQ(sleeping->State(), Thread::kNotRunning);
    EXPECT_FALSE(slept);

    bool ran = false;
    Ref<Worker> fresh = Start([&] { ran = true; });
    fresh->Kill();
    Ref<Worker> self = Start([&] {
        CurrentThread()->Kill();
        Yield();
        ran = true;
    });
    ASSERT_TRUE(Turns([&] { return self->State() == Thread::kNotRunning; }));
    EXPECT_FALSE(ran) << "neither a thread killed before its turn nor after its own Kill ran on";
    EXPECT_EQ(fresh->State(), Thread::kNotRunning);
}

TEST_F(SchedulerTest, ARunningThreadOutlivesItsLastOutsideReference) {
    bool finished = false;
    std::weak_ptr<Worker> watch;
    {
        Ref<Worker> worker = Start([&] {
            CurrentThread()->Sleep(1000);
            finished = true;
        });
        watch = worker.Shared();
        Yield();
    }
    EXPECT_FALSE(watch.expired()) << "the scheduler holds a started thread";
    fApp->DoEvents(2000);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(watch.expired()) << "and lets it go once it has finished";
}

TEST_F(SchedulerTest, APlatformWaitHoldsTheWorkerUntilItsConditionHolds) {
    bool ready = false;
    bool passed = false;
    Ref<Worker> worker = Start([&] {
        Scheduler::WaitUntil([&] { return ready; });
        passed = true;
    });
    fApp->DoEvents(50);
    EXPECT_EQ(worker->State(), Thread::kWaiting);
    EXPECT_FALSE(passed);
    ready = true;
    fApp->DoEvents(50);
    EXPECT_TRUE(passed);
    EXPECT_EQ(worker->State(), Thread::kNotRunning);
}

TEST_F(SchedulerTest, QtWorksOnAFibersStack) {
    bool painted = false;
    Ref<Worker> worker = Start([&] {
        QLabel label("drawn on a worker");
        label.resize(200, 40);
        painted = !label.grab().isNull();
    });
    ASSERT_TRUE(Turns([&] { return worker->State() == Thread::kNotRunning; }));
    EXPECT_TRUE(painted);
}

// RunBlocking runs on the real clock: its helper works in real time.
class RunBlockingTest : public SchedulerTest {
protected:
    void SetUp() override {
        SchedulerTest::SetUp();
        Clock::UseSystemClock();
    }

    // PumpUntil runs DoEvents until done() holds or a generous real-time bound passes.
    bool PumpUntil(const std::function<bool()>& done) {
        auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < bound) fApp->DoEvents(5);
        return done();
    }
};

TEST_F(RunBlockingTest, TheLoopStaysLiveWhileTheHelperWorks) {
    std::atomic<bool> release = false;
    std::atomic<bool> working = false;
    std::thread::id helperId;
    std::string message;
    Ref<Worker> worker = Start([&] {
        try {
            RunBlocking([&] {
                helperId = std::this_thread::get_id();
                working = true;
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                throw RuntimeException("copy failed");
            });
        } catch (const RuntimeException& error) {
            message = error.what();  // the work's exception reaches the caller
        }
    });
    int otherTurns = 0;
    Ref<Worker> other = Start([&] {
        while (!release) {
            ++otherTurns;
            Yield();
        }
    });

    ASSERT_TRUE(PumpUntil([&] { return working && otherTurns > 3; }));
    EXPECT_EQ(worker->State(), Thread::kWaiting);
    release = true;
    ASSERT_TRUE(PumpUntil([&] { return worker->State() == Thread::kNotRunning; }));
    EXPECT_EQ(message, "copy failed");
    EXPECT_NE(helperId, std::this_thread::get_id()) << "the work ran on a helper thread";
}

TEST_F(RunBlockingTest, AKillWaitsForTheWorkThenEndsTheThread) {
    std::atomic<bool> working = false;
    std::atomic<bool> release = false;
    bool after = false;
    Ref<Worker> worker = Start([&] {
        RunBlocking([&] {
            working = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        after = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return working.load(); }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    worker->Kill();
    releaser.join();
    EXPECT_EQ(worker->State(), Thread::kNotRunning);
    EXPECT_FALSE(after);
}

}  // namespace
