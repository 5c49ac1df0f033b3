#pragma once

// Cooperative threads.
//
// Every Thread is a stackful fiber on the GUI (main) thread; exactly one fiber runs at a
// time, so the program needs no locks. A running fiber gives way only at a yield point:
// Yield(), Thread::Sleep, Application::DoEvents and the framework's own waits (a modal
// window, a Show waiting for the window system, a long copy). A yield point switches only
// once the running fiber has used its time slice (about 10 ms), so busy work runs at full
// speed while windows still get a turn every slice. Fibers are resumed only from the main
// fiber: the event loop, DoEvents and modal loops on the main fiber hand out the turns.
//
// Everything declared here is defined in scheduler.cpp, beside the fibers it drives.
//
// A thread's work must not `catch (...)`: a killed thread is unwound from its yield point
// by an exception of the scheduler's own (and Boost may unwind a fiber the same way), which
// such a catch would swallow, leaving a thread that no longer ends. Catch what you expect.

#include <cstdint>
#include <functional>
#include <memory>

#include "object.h"

class Fiber;

// Thread is the framework's cooperative thread; subclasses put their work in Event_Run.
class Thread : public Object {
public:
    static const ClassRecord& Class();

    // The values of State().
    enum : int32_t { kRunning = 0, kWaiting = 1, kSuspended = 2, kSleeping = 3, kNotRunning = 4 };

    Thread();
    ~Thread() override;

    // Run starts the thread and returns at once; Event_Run follows on the new thread at its
    // first turn. A thread runs once: Run on a started thread is a programming error.
    void Run();

    // State is kNotRunning before Run and after Event_Run has returned or raised.
    int32_t State() const;

    // Sleep pauses the calling thread for milliseconds on the platform clock. With
    // wakeEarly, the thread may resume sooner when nothing else wants to run. On the main
    // thread it waits as DoEvents does.
    void Sleep(int32_t milliseconds, bool wakeEarly = false);

    // Suspend keeps a thread from its turns until Resume (a thread suspending itself gives
    // way at once).
    void Suspend();
    void Resume();

    // Kill ends the thread by unwinding it from its next yield point; Event_Run's remaining
    // work never runs. From the main thread the thread has ended when Kill returns.
    void Kill();

protected:
    // Event_Run is the thread's work. An exception that leaves it ends the thread (State
    // reads kNotRunning) and is reported on stderr.
    virtual void Event_Run() {}

private:
    friend class Scheduler;
    std::unique_ptr<Fiber> fFiber;
};

// Yield is the program's yield point: it gives the other threads their turns when the
// running thread's time slice is used up (always, in the scheduler's deterministic mode).
// On the main thread it runs the threads that are ready, unless they have had their turn
// since the event loop's last pass.
void Yield();

// CurrentThread is the thread whose fiber is running, or nil on the main thread.
Ref<Thread> CurrentThread();

// RunBlocking runs work on a helper OS thread while the calling cooperative thread waits
// (State 1), so the windows stay live; on the main thread it simply calls work. Exceptions
// from work pass to the caller. A Kill takes effect once the work is done.
void RunBlocking(const std::function<void()>& work);

// SetDeterministicScheduling(true) makes every yield point switch, for exact interleavings
// in tests.
void SetDeterministicScheduling(bool on);
