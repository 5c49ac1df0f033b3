#include "clock.h"

#include "runtime.h"

namespace Clock {
double Now() { throw RuntimeException("not yet"); }
void UseManualClock() { throw RuntimeException("not yet"); }
void UseSystemClock() { throw RuntimeException("not yet"); }
bool IsManual() { return false; }
void Advance(double) { throw RuntimeException("not yet"); }
}  // namespace Clock

const ClassRecord& Date::Class() { return RegisterClassOf<Date, Object>("Date"); }
Date::Date() : fSeconds(Clock::Now()) {}
