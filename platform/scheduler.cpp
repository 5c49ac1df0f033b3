// The scheduler: cooperative threads as fibers on the GUI thread, and the heartbeat that
// gives them their turns.
//
// One fiber runs at a time. The main fiber runs the Qt event loop; every Thread is a
// stackful fiber that the main fiber resumes for a turn and that gives the turn back at a
// yield point (Yield, Sleep, DoEvents, the platform's waits). Fibers are resumed only from
// the main fiber, so a fiber's stack never holds another fiber's frames.
//
// The heartbeat is one precise QTimer armed for the next moment something is due: at once
// while a thread is ready, else at the earliest sleeper's or timer's deadline. Whatever
// loop the main fiber sits in, the run loop, DoEvents or a modal dialog's nested loop,
// fires it, so timers and threads keep going under modal windows. A beat may run a timer
// whose handler opens such a loop and so beats again: each beat works from fresh state,
// and a timer is marked fired and the heartbeat re-armed before its handler runs.
// Each ready thread gets at most one turn per pass of the event loop, wherever the turns
// are handed out from: a busy thread holds a window's next frame back by one slice, not several.
//
// The manual clock never passes by itself: when nothing is ready and no helper OS thread
// is working, a wait jumps it to the earliest deadline instead of waiting.

#include "scheduler_p.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <boost/context/fiber.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>

#if defined(QUORBIT_ASAN_FIBERS)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "clock.h"
#include "runtime.h"
#include "thread.h"
#include "timer.h"

namespace ctx = boost::context;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kStackSize = std::size_t{8} << 20;
constexpr auto kTimeSlice = std::chrono::milliseconds(10);
constexpr int kPollMilliseconds = 10;

// FiberKill unwinds a killed thread from its yield point. It derives from nothing the
// program catches.
struct FiberKill {};

// BlockingJob is RunBlocking's work on its helper OS thread.
struct BlockingJob {
    std::atomic<bool> done = false;
    std::exception_ptr error;
};

}  // namespace

// Fiber is a Thread's execution: its stack and continuation, and what it waits for.
//
// A fiber's state is its life, what it waits on, and two marks. Whether the main fiber may
// give it a turn (Runnable) is decided in this order:
//   life not kStarted                      never
//   waits on kHelper                       once the helper's work is done: it uses the
//                                          fiber's stack, so not even a kill cuts it short
//   killed                                 at once, to unwind from its yield point
//   suspended                              never, until Resume
//   waits on kSleep / kCondition / kNone   once the clock reaches fWakeAt / fWaitDone()
//                                          holds / at once
// Thread::State reads the same fields: 4 unless kStarted, then 2 when suspended, else by
// the wait (kSleep 3, kCondition and kHelper 1, kNone 0).
class Fiber {
public:
    enum class Life { kNew, kStarted, kFinished };
    enum class Wait { kNone, kSleep, kCondition, kHelper };

    explicit Fiber(Thread& owner) : fOwner(owner) {}

    Thread& fOwner;
    ctx::fiber fContext;  // the thread while it is paused; empty before its first turn
    ctx::fiber fMain;     // the main fiber while the thread runs
    ctx::stack_context fStack;
    void* fFakeStack = nullptr;  // AddressSanitizer's, while paused
    Life fLife = Life::kNew;
    Wait fWait = Wait::kNone;
    bool fKilled = false;
    bool fSuspended = false;
    Clock::Seconds fWakeAt{};           // kSleep's
    std::function<bool()> fWaitDone;    // kCondition's
    const BlockingJob* fJob = nullptr;  // kHelper's
};

namespace {

struct LiveThread {
    Ref<Thread> thread;  // keeps a started thread alive until it has finished
    Fiber* fiber = nullptr;
};

struct SchedulerState {
    std::vector<LiveThread> live;
    Fiber* current = nullptr;  // null while the main fiber runs
    bool deterministic = false;
    SteadyClock::time_point sliceStart;
    std::vector<Timer*> armed;
    std::vector<Clock::Seconds> pumpDeadlines;  // the ends of the DoEvents under way, innermost last
    int mainWaiters = 0;                // WaitUntil calls on the main fiber
    int helpers = 0;                    // RunBlocking work in flight
    bool turnsGiven = false;            // since the heartbeat last beat
    std::unique_ptr<QTimer> heartbeat;
    std::exception_ptr dispatched;
    const void* mainStackBottom = nullptr;
    std::size_t mainStackSize = 0;
};

// Never destroyed: timers may be released after main has returned.
SchedulerState& S() {
    static SchedulerState* state = new SchedulerState;
    return *state;
}

void StartSwitch(void** fakeStackSave, const void* bottom, std::size_t size) {
#if defined(QUORBIT_ASAN_FIBERS)
    __sanitizer_start_switch_fiber(fakeStackSave, bottom, size);
#else
    (void)fakeStackSave, (void)bottom, (void)size;
#endif
}

void FinishSwitch(void* fakeStack, const void** bottomOld, std::size_t* sizeOld) {
#if defined(QUORBIT_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(fakeStack, bottomOld, sizeOld);
#else
    (void)fakeStack, (void)bottomOld, (void)sizeOld;
#endif
}

// RecordingStack allocates the guarded 8 MiB stacks and notes where each lies, for the
// sanitizer's switch annotations.
class RecordingStack {
public:
    explicit RecordingStack(ctx::stack_context* record) : fRecord(record) {}

    ctx::stack_context allocate() {
        ctx::stack_context stack = fStacks.allocate();
        *fRecord = stack;
        return stack;
    }
    void deallocate(ctx::stack_context& stack) noexcept {
#if defined(QUORBIT_ASAN_FIBERS)
        // The frames' redzones stay poisoned in the shadow after the unmap; memory mapped
        // there later (a window's image, another stack) must not inherit them.
        __asan_unpoison_memory_region(static_cast<char*>(stack.sp) - stack.size, stack.size);
#endif
        fStacks.deallocate(stack);
    }

private:
    ctx::protected_fixedsize_stack fStacks{kStackSize};
    ctx::stack_context* fRecord;
};

const void* StackBottom(const ctx::stack_context& stack) {
    return static_cast<const char*>(stack.sp) - stack.size;
}

// SwitchToMain gives the turn back to the main fiber; it returns at the thread's next turn.
void SwitchToMain(Fiber& fiber) {
    SchedulerState& s = S();
    StartSwitch(&fiber.fFakeStack, s.mainStackBottom, s.mainStackSize);
    fiber.fMain = std::move(fiber.fMain).resume();
    FinishSwitch(fiber.fFakeStack, &s.mainStackBottom, &s.mainStackSize);
}

// Runnable: the main fiber may give the thread a turn now.
bool Runnable(const Fiber& fiber) {
    if (fiber.fLife != Fiber::Life::kStarted) return false;
    if (fiber.fWait == Fiber::Wait::kHelper) return fiber.fJob->done.load();
    if (fiber.fKilled) return true;
    if (fiber.fSuspended) return false;
    switch (fiber.fWait) {
        case Fiber::Wait::kSleep: return Clock::Now() >= fiber.fWakeAt;
        case Fiber::Wait::kCondition: return fiber.fWaitDone();
        default: return true;
    }
}

bool AnyRunnable() {
    return std::any_of(S().live.begin(), S().live.end(),
                       [](const LiveThread& live) { return Runnable(*live.fiber); });
}

bool AnyPolledWaiter() {
    if (S().mainWaiters > 0) return true;
    return std::any_of(S().live.begin(), S().live.end(), [](const LiveThread& live) {
        return live.fiber->fWait == Fiber::Wait::kCondition && !live.fiber->fSuspended;
    });
}

// Park gives way until the main fiber finds the thread runnable again.
void Park(Fiber& fiber) {
    do SwitchToMain(fiber);
    while (!Runnable(fiber));
    fiber.fWait = Fiber::Wait::kNone;
    fiber.fWaitDone = nullptr;
}

void ThrowIfKilled(const Fiber& fiber) {
    if (fiber.fKilled && std::uncaught_exceptions() == 0) throw FiberKill{};
}

void Forget(const Fiber& fiber) {
    std::erase_if(S().live, [&](const LiveThread& live) { return live.fiber == &fiber; });
}

// BeatMayJump: the manual clock may skip ahead from a beat. Not while helper work runs in
// real time, and not past the end of the innermost DoEvents, which is only waiting to return.
bool BeatMayJump() {
    const SchedulerState& s = S();
    return s.helpers == 0 && (s.pumpDeadlines.empty() || s.pumpDeadlines.back() > Clock::Now());
}

int MillisecondsUntil(Clock::Seconds moment) {
    const auto ms = std::chrono::ceil<std::chrono::duration<double, std::milli>>(moment - Clock::Now());
    return static_cast<int>(std::clamp(ms.count(), 0.0, double{INT_MAX / 2}));
}

void ProcessPendingEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

// --- Turns ---------------------------------------------------------------------------

bool Scheduler::OnMainFiber() { return S().current == nullptr; }

void Scheduler::StartFiber(Fiber& fiber) {
    fiber.fContext = ctx::fiber(std::allocator_arg, RecordingStack(&fiber.fStack),
                                [&fiber](ctx::fiber&& main) {
        SchedulerState& s = S();
        FinishSwitch(nullptr, &s.mainStackBottom, &s.mainStackSize);
        fiber.fMain = std::move(main);
        RunThreadBody(fiber);
        fiber.fLife = Fiber::Life::kFinished;
        StartSwitch(nullptr, s.mainStackBottom, s.mainStackSize);
        return std::move(fiber.fMain);
    });
}

void Scheduler::RunThreadBody(Fiber& fiber) {
    try {
        if (!fiber.fKilled) fiber.fOwner.Event_Run();
    } catch (const ctx::detail::forced_unwind&) {
        throw;
    } catch (const FiberKill&) {
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorbit: a thread ended by an exception: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "quorbit: a thread ended by an exception of an unknown kind\n");
    }
}

void Scheduler::GiveTurn(Fiber& fiber) {
    SchedulerState& s = S();
    Ref<Thread> keep = Self(&fiber.fOwner);
    if (!fiber.fContext) StartFiber(fiber);
    s.current = &fiber;
    s.sliceStart = SteadyClock::now();
    void* fakeStack = nullptr;
    StartSwitch(&fakeStack, StackBottom(fiber.fStack), fiber.fStack.size);
    fiber.fContext = std::move(fiber.fContext).resume();
    FinishSwitch(fakeStack, nullptr, nullptr);
    s.current = nullptr;
    if (fiber.fLife == Fiber::Life::kFinished) Forget(fiber);
}

void Scheduler::FinishKilled(Fiber& fiber) {
    Ref<Thread> keep = Self(&fiber.fOwner);
    fiber.fKilled = true;
    if (!fiber.fContext) {  // never had a turn: Event_Run never starts
        fiber.fLife = Fiber::Life::kFinished;
        Forget(fiber);
        return;
    }
    while (fiber.fLife != Fiber::Life::kFinished) {
        // Work on a helper thread still uses the fiber's stack; it cannot be cut short.
        while (fiber.fWait == Fiber::Wait::kHelper && !fiber.fJob->done.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        GiveTurn(fiber);
    }
}

// RunReadyThreads gives every ready thread one turn, then none until the heartbeat beats:
// it is re-armed after the turns, so it beats in a later pass of the event loop. DoEvents
// and Yield on the main fiber would otherwise add slices back to back to the heartbeat's.
void Scheduler::RunReadyThreads() {
    SchedulerState& s = S();
    if (!OnMainFiber() || (s.turnsGiven && s.heartbeat)) return;
    std::vector<LiveThread> ready;
    for (const LiveThread& live : s.live)
        if (Runnable(*live.fiber)) ready.push_back(live);
    for (const LiveThread& live : ready) {
        if (!Runnable(*live.fiber)) continue;
        GiveTurn(*live.fiber);
        s.turnsGiven = true;
    }
}

// --- Timers and the heartbeat -----------------------------------------------------------

void Scheduler::TimerChanged(Timer& timer) {
    std::vector<Timer*>& armed = S().armed;
    auto found = std::find(armed.begin(), armed.end(), &timer);
    bool on = timer.Mode() != Timer::kModeOff;
    if (on && found == armed.end()) armed.push_back(&timer);
    if (!on && found != armed.end()) armed.erase(found);
    Rearm();
}

void Scheduler::TimerGone(Timer& timer) { std::erase(S().armed, &timer); }

void Scheduler::FireDueTimers() {
    const Clock::Seconds now = Clock::Now();
    std::vector<Timer*> due;
    for (Timer* timer : S().armed)
        if (timer->fDue <= now) due.push_back(timer);
    std::stable_sort(due.begin(), due.end(),
                     [](const Timer* a, const Timer* b) { return a->fDue < b->fDue; });
    for (Timer* timer : due) {
        // An earlier handler may have released this timer, switched it off or set it anew.
        const std::vector<Timer*>& armed = S().armed;
        if (std::find(armed.begin(), armed.end(), timer) == armed.end() || timer->fDue > now)
            continue;
        if (timer->fFiring) continue;  // its handler waits in a nested loop: no re-entry
        std::shared_ptr<Object> keep = timer->weak_from_this().lock();
        timer->Elapse(now);
    }
}

std::optional<Clock::Seconds> Scheduler::NextDeadline() {
    SchedulerState& s = S();
    std::optional<Clock::Seconds> next;
    auto consider = [&next](Clock::Seconds moment) {
        if (!next || moment < *next) next = moment;
    };
    for (const LiveThread& live : s.live) {
        const Fiber& fiber = *live.fiber;
        if (fiber.fWait == Fiber::Wait::kSleep && !fiber.fSuspended && !fiber.fKilled)
            consider(fiber.fWakeAt);
    }
    for (const Timer* timer : s.armed)
        if (!timer->fFiring) consider(timer->fDue);
    // A DoEvents whose end has passed is only waiting to return; its end is not a deadline.
    const Clock::Seconds now = Clock::Now();
    for (Clock::Seconds end : s.pumpDeadlines)
        if (end > now) consider(end);
    return next;
}

void Scheduler::Rearm() {
    SchedulerState& s = S();
    if (!s.heartbeat) {
        if (!QCoreApplication::instance()) return;
        s.heartbeat = std::make_unique<QTimer>();
        s.heartbeat->setSingleShot(true);
        s.heartbeat->setTimerType(Qt::PreciseTimer);
        QObject::connect(s.heartbeat.get(), &QTimer::timeout, [] { Beat(); });
    }
    std::optional<int> wait;
    if (AnyRunnable()) {
        wait = 0;
    } else {
        if (AnyPolledWaiter()) wait = kPollMilliseconds;
        if (std::optional<Clock::Seconds> next = NextDeadline()) {
            int ms = -1;
            if (!Clock::IsManual()) ms = MillisecondsUntil(*next);
            else if (*next <= Clock::Now() || BeatMayJump()) ms = 0;
            if (ms >= 0) wait = std::min(wait.value_or(INT_MAX), ms);
        }
    }
    if (wait) s.heartbeat->start(*wait);
    else s.heartbeat->stop();
}

void Scheduler::ServiceOnce() {
    if (!OnMainFiber()) return;
    FireDueTimers();
    RunReadyThreads();
    Rearm();
}

// Beat is the heartbeat's slot. On the manual clock a beat with nothing ready stands for the
// main fiber's wait, which the clock skips.
void Scheduler::Beat() {
    if (!OnMainFiber()) return;
    S().turnsGiven = false;
    if (Clock::IsManual() && BeatMayJump() && !AnyRunnable()) {
        if (std::optional<Clock::Seconds> next = NextDeadline()) ClockPrivate::JumpTo(*next);
    }
    ServiceOnce();
}

// --- Waiting on the main fiber -----------------------------------------------------------

void Scheduler::WaitForWork(std::optional<Clock::Seconds> end) {
    if (AnyRunnable()) return;
    if (Clock::IsManual() && S().helpers == 0) {
        if (std::optional<Clock::Seconds> next = NextDeadline()) {
            ClockPrivate::JumpTo(*next);
            return;
        }
    }
    Rearm();
    // An end that passed as the heartbeat was set no longer holds it: blocking would be for good.
    if (end && Clock::Now() >= *end) return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Scheduler::PumpEvents(int32_t milliseconds) {
    if (milliseconds <= 0) {
        ProcessPendingEvents();
        ServiceOnce();
        RethrowDispatched();
        return;
    }
    // The end is known before any event runs, so a jumping clock never passes it.
    const Clock::Seconds deadline = Clock::Now() + Clock::Milliseconds(milliseconds);
    S().pumpDeadlines.push_back(deadline);
    // Leaving re-arms the heartbeat, which this deadline may have held back; a modal loop
    // entered next would otherwise never see the timers that come due.
    struct Entry {
        ~Entry() {
            S().pumpDeadlines.pop_back();
            Scheduler::Rearm();
        }
    } entry;
    ProcessPendingEvents();
    ServiceOnce();
    while (Clock::Now() < deadline) {
        WaitForWork(deadline);
        ProcessPendingEvents();
        ServiceOnce();
    }
    RethrowDispatched();
}

void Scheduler::WaitUntil(const std::function<bool()>& done) {
    if (done()) return;
    SchedulerState& s = S();
    if (Fiber* fiber = s.current) {
        fiber->fWaitDone = done;
        fiber->fWait = Fiber::Wait::kCondition;
        Park(*fiber);
        ThrowIfKilled(*fiber);
        return;
    }
    ++s.mainWaiters;
    struct Done {
        ~Done() { --S().mainWaiters; }
    } leave;
    while (!done()) {
        WaitForWork();
        ProcessPendingEvents();
        ServiceOnce();
    }
}

// --- Exceptions from handlers, shutdown ----------------------------------------------------

void Scheduler::Dispatch(const std::function<void()>& handler) {
    // After a failure the loop is ending and is not to be resumed: nothing more is raised.
    if (S().dispatched) return;
    try {
        handler();
    } catch (...) {
        if (!S().dispatched) S().dispatched = std::current_exception();
        EndRunLoop();
    }
}

void Scheduler::RethrowDispatched() {
    if (std::exception_ptr error = std::exchange(S().dispatched, nullptr))
        std::rethrow_exception(error);
}

void Scheduler::Shutdown() {
    if (!OnMainFiber()) throw RuntimeException("the scheduler shuts down from the main thread only");
    SchedulerState& s = S();
    while (!s.live.empty()) FinishKilled(*s.live.front().fiber);
    s.heartbeat.reset();
    s.turnsGiven = false;
}

void Scheduler::ResetForTesting() {
    Shutdown();
    S().dispatched = nullptr;
    S().deterministic = false;
}

// --- Thread --------------------------------------------------------------------------------

const ClassRecord& Thread::Class() { return RegisterClassOf<Thread, Object>("Thread"); }

Thread::Thread() : fFiber(std::make_unique<Fiber>(*this)) {}

Thread::~Thread() {
    // The scheduler holds every thread that has not finished, so none is paused here. Were
    // one, destroying its fiber would unwind it on the wrong stack: it is kept instead.
    if (fFiber && fFiber->fContext) {
        std::fprintf(stderr, "quorbit: a thread was released while paused; its stack is kept\n");
        new ctx::fiber(std::move(fFiber->fContext));  // deliberately never freed
    }
}

void Thread::Run() {
    if (fFiber->fLife != Fiber::Life::kNew) throw RuntimeException("Thread.Run: a thread runs only once");
    std::shared_ptr<Object> self = weak_from_this().lock();
    if (!self) throw RuntimeException("Thread.Run: the thread must be made with New or NewObject");
    fFiber->fLife = Fiber::Life::kStarted;
    S().live.push_back({Self(this), fFiber.get()});
    Scheduler::Rearm();
}

int32_t Thread::State() const {
    const Fiber& fiber = *fFiber;
    if (fiber.fLife != Fiber::Life::kStarted) return kNotRunning;
    if (fiber.fSuspended) return kSuspended;
    switch (fiber.fWait) {
        case Fiber::Wait::kSleep: return kSleeping;
        case Fiber::Wait::kCondition: case Fiber::Wait::kHelper: return kWaiting;
        default: return kRunning;
    }
}

void Thread::Sleep(int32_t milliseconds, bool wakeEarly) {
    (void)wakeEarly;  // allowed to wake sooner, never required to: the full time is slept
    Fiber* fiber = S().current;
    if (!fiber) {
        Scheduler::PumpEvents(milliseconds);
        return;
    }
    ThrowIfKilled(*fiber);
    fiber->fWakeAt = Clock::Now() + Clock::Milliseconds(std::max(milliseconds, 0));
    fiber->fWait = Fiber::Wait::kSleep;
    Park(*fiber);
    ThrowIfKilled(*fiber);
}

void Thread::Suspend() {
    Fiber& fiber = *fFiber;
    if (fiber.fLife != Fiber::Life::kStarted) return;
    fiber.fSuspended = true;
    if (S().current == &fiber) {
        Park(fiber);
        ThrowIfKilled(fiber);
    }
}

void Thread::Resume() {
    fFiber->fSuspended = false;
    Scheduler::Rearm();
}

void Thread::Kill() {
    Fiber& fiber = *fFiber;
    if (fiber.fLife != Fiber::Life::kStarted) return;
    fiber.fKilled = true;
    if (S().current == &fiber) return;  // it ends at its own next yield point
    if (Scheduler::OnMainFiber()) Scheduler::FinishKilled(fiber);
    else Scheduler::Rearm();            // the main fiber ends it at its next turn
}

// --- Yield points --------------------------------------------------------------------------

void Yield() {
    SchedulerState& s = S();
    Fiber* fiber = s.current;
    if (!fiber) {
        Scheduler::RunReadyThreads();
        Scheduler::Rearm();
        return;
    }
    ThrowIfKilled(*fiber);
    if (s.deterministic || SteadyClock::now() - s.sliceStart >= kTimeSlice) {
        Park(*fiber);
        ThrowIfKilled(*fiber);
    }
}

Ref<Thread> CurrentThread() {
    if (Fiber* fiber = S().current) return Self(&fiber->fOwner);
    return nullptr;
}

void RunBlocking(const std::function<void()>& work) {
    SchedulerState& s = S();
    Fiber* fiber = s.current;
    if (!fiber) {
        work();
        return;
    }
    ThrowIfKilled(*fiber);
    BlockingJob job;
    std::thread helper([&job, &work] {
        try {
            work();
        } catch (...) {
            job.error = std::current_exception();
        }
        job.done.store(true);
        // Wake the main fiber's wait; the turn is handed out from there.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { Scheduler::Rearm(); }, Qt::QueuedConnection);
    });
    ++s.helpers;
    fiber->fJob = &job;
    fiber->fWait = Fiber::Wait::kHelper;
    Park(*fiber);
    fiber->fJob = nullptr;
    helper.join();
    --s.helpers;
    if (job.error) std::rethrow_exception(job.error);
    ThrowIfKilled(*fiber);
}

void SetDeterministicScheduling(bool on) { S().deterministic = on; }
