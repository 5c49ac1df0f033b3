#include "timer.h"

#include <algorithm>

#include "clock.h"
#include "runtime.h"
#include "scheduler_p.h"

const ClassRecord& Timer::Class() { return RegisterClassOf<Timer, Object>("Timer"); }

Timer::Timer() = default;

Timer::~Timer() { Scheduler::TimerGone(*this); }

void Timer::SetMode(int32_t mode) {
    fMode = (mode == kModeSingle || mode == kModeMultiple) ? mode : kModeOff;
    Restart();
}

void Timer::SetPeriod(int32_t milliseconds) {
    fPeriod = milliseconds;
    Restart();
}

void Timer::Reset() { Restart(); }

void Timer::AddActionNotificationReceiver(ActionNotificationReceiver* receiver) {
    if (receiver && std::find(fReceivers.begin(), fReceivers.end(), receiver) == fReceivers.end())
        fReceivers.push_back(receiver);
}

void Timer::RemoveActionNotificationReceiver(ActionNotificationReceiver* receiver) {
    std::erase(fReceivers, receiver);
}

void Timer::Restart() {
    fDue = Clock::Now() + PeriodSpan();
    Scheduler::TimerChanged(*this);
}

Clock::Seconds Timer::PeriodSpan() const { return Clock::Milliseconds(std::max(fPeriod, 1)); }

void Timer::Elapse(Clock::Seconds now) {
    if (fMode == kModeMultiple) {
        fDue += PeriodSpan();
        if (fDue <= now) fDue = now + PeriodSpan();  // the beats missed are not made up
    } else {
        fMode = kModeOff;
    }
    // The handler may open a modal loop, where only the heartbeat serves the threads: it is
    // re-armed for the timer's new state first.
    Scheduler::TimerChanged(*this);
    fFiring = true;
    Scheduler::Dispatch([this] { Fire(); });
    fFiring = false;
}

void Timer::Fire() {
    Event_Action();
    // A receiver may leave while another is told.
    std::vector<ActionNotificationReceiver*> receivers = fReceivers;
    for (ActionNotificationReceiver* receiver : receivers)
        if (std::find(fReceivers.begin(), fReceivers.end(), receiver) != fReceivers.end())
            receiver->PerformAction();
}
