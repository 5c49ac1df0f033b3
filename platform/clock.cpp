#include "clock.h"

#include <chrono>
#include <cmath>

#include "runtime.h"
#include "scheduler_p.h"

namespace {

// The system clock reads wall time as it was at start-up plus the steady time since, so it
// never steps when the wall clock is set.
struct ClockState {
    std::chrono::steady_clock::time_point steadyStart = std::chrono::steady_clock::now();
    Clock::Seconds wallStart = std::chrono::system_clock::now().time_since_epoch();
    bool manual = false;
    Clock::Seconds manualNow{};
};

ClockState& TheClock() {
    static ClockState clock;
    return clock;
}

Clock::Seconds SystemNow() {
    ClockState& clock = TheClock();
    return clock.wallStart + (std::chrono::steady_clock::now() - clock.steadyStart);
}

}  // namespace

namespace Clock {

Seconds Now() { return TheClock().manual ? TheClock().manualNow : SystemNow(); }

void UseManualClock() {
    ClockState& clock = TheClock();
    if (clock.manual) return;
    clock.manualNow = SystemNow();
    clock.manual = true;
    Scheduler::Rearm();
}

void UseSystemClock() {
    TheClock().manual = false;
    Scheduler::Rearm();
}

bool IsManual() { return TheClock().manual; }

void Advance(Seconds span) {
    if (!TheClock().manual) throw RuntimeException("Clock::Advance needs the manual clock");
    if (!(span.count() >= 0) || std::isinf(span.count()))
        throw RuntimeException("Clock::Advance takes a finite time that is not negative");
    TheClock().manualNow += span;
    Scheduler::Rearm();
}

}  // namespace Clock

namespace ClockPrivate {

void JumpTo(Clock::Seconds moment) {
    ClockState& clock = TheClock();
    if (clock.manual && moment > clock.manualNow) clock.manualNow = moment;
}

}  // namespace ClockPrivate

const ClassRecord& Date::Class() { return RegisterClassOf<Date, Object>("Date"); }

Date::Date() : fSeconds(Clock::Now().count()) {}
