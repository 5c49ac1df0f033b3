// Cooperative threads without windows: interleavings, states, kills and helper work.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/testing.h"
#include "platform/thread.h"

namespace {

// Clock readings are seconds since 1970: a microsecond is well within their precision.
constexpr double kTolerance = 1e-6;

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

// Flag is set when it goes out of scope: it shows a fiber's stack was unwound.
struct Flag {
    bool* set;
    ~Flag() { *set = true; }
};

// Ended hands out main-fiber turns until worker has ended, at most a bounded number of times.
bool Ended(const Ref<Worker>& worker) {
    for (int i = 0; i < 1000 && worker->State() != Thread::kNotRunning; ++i) Yield();
    return worker->State() == Thread::kNotRunning;
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
        };
    };
    Ref<Worker> a = Start(body("a"));
    Ref<Worker> b = Start(body("b"));
    EXPECT_TRUE(log.empty()) << "Run returns before the thread's first turn";
    ASSERT_TRUE(Ended(a) && Ended(b));
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "a2", "b1", "b2", "a3", "b3"}));
}

TEST_F(SchedulerTest, StateAndTimeFollowAThreadToTheExceptionThatEndsIt) {
    double start = Clock::Now();
    double wokeAt = 0;
    bool resumed = false;
    Ref<Worker> worker = New<Worker>([&] {
        CurrentThread()->Sleep(1000);
        wokeAt = Clock::Now();
        CurrentThread()->Suspend();
        resumed = true;
        throw std::runtime_error("disk on fire");
    });
    EXPECT_EQ(worker->State(), Thread::kNotRunning) << "before Run";
    worker->Run();
    EXPECT_EQ(worker->State(), Thread::kRunning) << "started, waiting for its first turn";
    fApp->DoEvents(500);
    EXPECT_NEAR(Clock::Now() - start, 0.5, kTolerance) << "the clock jumps to DoEvents's end";
    EXPECT_EQ(worker->State(), Thread::kSleeping);
    fApp->DoEvents(600);
    EXPECT_NEAR(wokeAt - start, 1.0, kTolerance) << "the sleeper wakes at its own deadline";
    EXPECT_NEAR(Clock::Now() - start, 1.1, kTolerance);
    EXPECT_EQ(worker->State(), Thread::kSuspended);
    fApp->DoEvents(1000);  // with nothing left to run it must not hang
    EXPECT_FALSE(resumed);
    worker->Resume();
    ::testing::internal::CaptureStderr();
    fApp->DoEvents(10);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("disk on fire"), std::string::npos);
    EXPECT_TRUE(resumed);
    EXPECT_EQ(worker->State(), Thread::kNotRunning);
    EXPECT_THROW(worker->Run(), RuntimeException) << "a thread runs once";

    Ref<Worker> nested = Start([&] { fApp->DoEvents(5000); });
    ASSERT_TRUE(Ended(nested));
    EXPECT_NEAR(Clock::Now() - start, 2.11, kTolerance) << "DoEvents on a worker only yields";
}

TEST_F(SchedulerTest, KillUnwindsAThreadWhereverItIsAndNothingCatchesIt) {
    bool unwound = false;
    bool caught = false;
    bool ranOn = false;
    int passes = 0;
    Ref<Worker> looping = Start([&] {
        Flag flag{&unwound};
        for (;; ++passes) {
            try {
                Yield();
            } catch (const RuntimeException&) {
                caught = true;  // the program's own catch must not swallow the kill
            }
        }
    });
    Yield();
    Yield();
    ASSERT_GE(passes, 1) << "one turn at each yield point of the main fiber";
    looping->Kill();
    EXPECT_EQ(looping->State(), Thread::kNotRunning) << "ended when Kill returns";
    EXPECT_TRUE(unwound && !caught);

    Ref<Worker> sleeping = Start([&] { CurrentThread()->Sleep(60000); ranOn = true; });
    Yield();
    Ref<Worker> fresh = Start([&] { ranOn = true; });
    sleeping->Kill();
    fresh->Kill();
    EXPECT_EQ(sleeping->State(), Thread::kNotRunning);
    EXPECT_EQ(fresh->State(), Thread::kNotRunning);
    fApp->DoEvents(100000);
    EXPECT_FALSE(ranOn) << "neither a sleeping nor an unstarted thread ran on";
}

TEST_F(SchedulerTest, RunBlockingKeepsTheLoopLiveAndAKillWaitsForTheWork) {
    Clock::UseSystemClock();  // the helpers work in real time
    auto pumpUntil = [this](const std::function<bool()>& done) {
        auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < bound) fApp->DoEvents(5);
        return done();
    };
    std::atomic<int> working = 0;
    std::atomic<bool> release = false;
    auto work = [&] {
        ++working;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    std::string message;
    bool after = false;
    Ref<Worker> failing = Start([&] {
        try {
            RunBlocking([&] {
                work();
                throw RuntimeException("copy failed");
            });
        } catch (const RuntimeException& error) {
            message = error.what();  // the work's exception reaches the caller
        }
    });
    Ref<Worker> killed = Start([&] {
        RunBlocking(work);
        after = true;
    });
    ASSERT_TRUE(pumpUntil([&] { return working == 2; }));
    fApp->DoEvents(20);
    EXPECT_EQ(failing->State(), Thread::kWaiting) << "waits, without spinning, for its helper";
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    killed->Kill();  // the helper still uses the thread's stack until its work is done
    releaser.join();
    EXPECT_TRUE(killed->State() == Thread::kNotRunning && !after);
    ASSERT_TRUE(pumpUntil([&] { return failing->State() == Thread::kNotRunning; }));
    EXPECT_EQ(message, "copy failed");
}

}  // namespace
