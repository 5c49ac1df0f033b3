#pragma once

// The platform clock and Date. Date, Thread::Sleep, Timer and DoEvents all read time here:
// the system clock by default; in tests a manual clock on which waiting costs no real time.

#include <chrono>
#include <cstdint>

#include "object.h"

namespace Clock {

// Seconds is a span of time, or a moment as the span since the epoch.
using Seconds = std::chrono::duration<double>;

// Milliseconds is a span given in milliseconds, as Seconds. Added to a moment as whole
// milliseconds, the moment would be taken to milliseconds and back, rounded twice, and a
// whole second could come out an instant short.
inline Seconds Milliseconds(int64_t count) { return std::chrono::milliseconds(count); }

// Now is the current moment.
Seconds Now();

// UseManualClock switches to the manual clock, starting at the current time: it moves only
// by Advance, and when every waiter is waiting (sleeps, timers, DoEvents) it jumps to the
// earliest deadline instead of waiting for it.
void UseManualClock();

// UseSystemClock switches back to the system clock.
void UseSystemClock();

bool IsManual();

// Advance moves the manual clock forward; firing what falls due is left to the event loop.
void Advance(Seconds span);

}  // namespace Clock

// Date holds the moment it was made.
class Date : public Object {
public:
    static const ClassRecord& Class();

    Date();

    // TotalSeconds is the moment in seconds on the platform clock.
    double TotalSeconds() const { return fSeconds; }

private:
    double fSeconds;
};
