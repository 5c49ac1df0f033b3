#pragma once

// What the platform's own units need of the scheduler, the event loop and the clock; not
// for the program.

#include <cstdint>
#include <functional>
#include <optional>

#include "clock.h"

class Fiber;
class Thread;
class Timer;

class Scheduler {
public:
    // OnMainFiber is true unless a worker thread's fiber is running.
    static bool OnMainFiber();

    // ServiceOnce fires the timers that are due and gives every ready thread one turn. It
    // acts only on the main fiber and may be re-entered from a handler it runs.
    static void ServiceOnce();

    // PumpEvents is DoEvents on the main fiber: pending events and turns until milliseconds
    // have passed on the platform clock, blocking on the event queue while nothing can run.
    // An exception kept by Dispatch meanwhile is rethrown when it returns.
    static void PumpEvents(int32_t milliseconds);

    // WaitUntil returns once done() holds. A worker thread waits (State 1) and gives way,
    // done() being tested by the main fiber at least every 10 ms; on the main fiber events
    // are processed and turns handed out meanwhile. A worker's modal wait belongs here: a
    // loop of Yield() would keep the thread ready and the processor busy.
    static void WaitUntil(const std::function<bool()>& done);

    // Dispatch runs a handler of a framework event on the main fiber. An exception that
    // leaves it is kept and the event loop is asked to end; RuntimeRun or the next DoEvents
    // rethrows it, and until then no further handler runs. Events delivered through Qt must
    // go through this: Qt's dispatch does not carry exceptions.
    static void Dispatch(const std::function<void()>& handler);

    // RethrowDispatched rethrows and forgets the kept exception, if any.
    static void RethrowDispatched();

    // Rearm re-arms the heartbeat after a change to what runs next (a thread made ready,
    // a timer set, the clock moved). Safe to call anywhere.
    static void Rearm();

    // Timers tell the scheduler when they are set and when they are gone; it holds them
    // only weakly, so a released timer never fires.
    static void TimerChanged(Timer& timer);
    static void TimerGone(Timer& timer);

    // Shutdown ends every thread cleanly and drops the heartbeat, on the main fiber.
    // RuntimeExit calls it before the Qt application goes.
    static void Shutdown();

    // ResetForTesting is Shutdown plus forgetting a kept exception and the deterministic mode.
    static void ResetForTesting();

private:
    // The scheduler's own steps; they reach into Thread and Timer.
    friend class Thread;
    friend void Yield();
    static void StartFiber(Fiber& fiber);
    static void RunThreadBody(Fiber& fiber);
    static void GiveTurn(Fiber& fiber);
    static void FinishKilled(Fiber& fiber);
    static void RunReadyThreads();
    static void FireDueTimers();
    static std::optional<Clock::Seconds> NextDeadline();
    static void WaitForWork(std::optional<Clock::Seconds> end = std::nullopt);
    static void Beat();
};

// EndRunLoop asks RuntimeRun's event loop, if it runs, to end, and ends every modal wait
// under way, whose window or box is hidden (application.cpp).
void EndRunLoop();

namespace ClockPrivate {

// JumpTo moves the manual clock forward to moment; it never goes back (clock.cpp).
void JumpTo(Clock::Seconds moment);

}  // namespace ClockPrivate
