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
    double wallStart = std::chrono::duration<double>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    bool manual = false;
    double manualNow = 0;
};

ClockState& TheClock() {
    static ClockState clock;
    return clock;
}

double SystemNow() {
    ClockState& clock = TheClock();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - clock.steadyStart;
    return clock.wallStart + elapsed.count();
}

}  // namespace

namespace Clock {

double Now() { return TheClock().manual ? TheClock().manualNow : SystemNow(); }

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

void Advance(double seconds) {
    if (!TheClock().manual) throw RuntimeException("Clock::Advance needs the manual clock");
    if (!(seconds >= 0) || std::isinf(seconds))
        throw RuntimeException("Clock::Advance takes a finite time that is not negative");
    TheClock().manualNow += seconds;
    Scheduler::Rearm();
}

}  // namespace Clock

namespace ClockPrivate {

void JumpTo(double seconds) {
    ClockState& clock = TheClock();
    if (clock.manual && seconds > clock.manualNow) clock.manualNow = seconds;
}

}  // namespace ClockPrivate

const ClassRecord& Date::Class() { return RegisterClassOf<Date, Object>("Date"); }

Date::Date() : fSeconds(Clock::Now()) {}
