#include "timer.h"

#include "runtime.h"

const ClassRecord& Timer::Class() { return RegisterClassOf<Timer, Object>("Timer"); }
Timer::Timer() = default;
Timer::~Timer() = default;
void Timer::SetMode(int32_t) { throw RuntimeException("not yet"); }
void Timer::SetPeriod(int32_t) { throw RuntimeException("not yet"); }
void Timer::Reset() { throw RuntimeException("not yet"); }
void Timer::AddActionNotificationReceiver(ActionNotificationReceiver*) { throw RuntimeException("not yet"); }
void Timer::RemoveActionNotificationReceiver(ActionNotificationReceiver*) { throw RuntimeException("not yet"); }
void Timer::Fire() { throw RuntimeException("not yet"); }
