// Cooperative threads without windows: kills, helper work, a thread that fails, waits that
// cost no processor time, and one turn per pass of the event loop.

#include <atomic>
#include <chrono>
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

bool Ended(const Ref<Worker>& worker) { return worker->State() == Thread::kNotRunning; }

class SchedulerTest : public ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        SetDeterministicScheduling(true);
    }
    Ref<Application> fApp = New<Application>();
};

TEST_F(SchedulerTest, KillUnwindsAThreadWhereverItIsAndNothingCatchesIt) {
    bool unwound = false;
    bool caught = false;
    bool ranOn = false;
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
    Yield();
    for (const Ref<Worker>& worker : {looping, sleeping}) {
        worker->Kill();
        EXPECT_TRUE(Ended(worker)) << "ended when Kill returns";
    }
    EXPECT_TRUE(unwound && !caught);
    fApp->DoEvents(100000);
    EXPECT_FALSE(ranOn) << "the sleeping thread never ran on";
}

TEST_F(SchedulerTest, KillReturnsOnlyOnceTheHelperUsingTheThreadsStackIsDone) {
    std::atomic<bool> started = false;
    std::atomic<bool> release = false;
    std::atomic<bool> workDone = false;
    bool after = false;
    Ref<Worker> worker = Start([&] {
        RunBlocking([&] {
            started = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            workDone = true;
        });
        after = true;
    });
    ASSERT_TRUE(User::WaitUntil([&] { return started.load(); }));
    EXPECT_EQ(worker->State(), Thread::kWaiting) << "waits, without spinning, for its helper";
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    worker->Kill();
    EXPECT_TRUE(workDone);
    releaser.join();
    EXPECT_TRUE(Ended(worker) && !after);
}

TEST_F(SchedulerTest, AnExceptionLeavingRunEndsThatThreadAloneAndIsReported) {
    ::testing::internal::CaptureStderr();
    Ref<Worker> worker = Start([] { throw RuntimeException("disk gone"); });
    fApp->DoEvents(100);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quorbit: a thread ended by an exception: disk gone\n");
    EXPECT_TRUE(Ended(worker));
}

// Real time here: DoEvents blocks, with a thread asleep, with one waiting for its helper,
// and with nothing left to run. A spinning wait would burn the whole 400 ms.
TEST_F(SchedulerTest, DoEventsWaitsWithoutBurningTheProcessor) {
    Clock::UseSystemClock();
    Start([] {
        CurrentThread()->Sleep(100);
        RunBlocking([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    });
    const std::clock_t before = std::clock();  // the processor time the process used
    fApp->DoEvents(400);
    EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 10);
}

// Turns given back to back would keep the windows from painting for several slices.
TEST_F(SchedulerTest, AReadyThreadGetsOneTurnPerPassOfTheEventLoop) {
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
}

}  // namespace
