#pragma once

// Timer: fires its Action event on the main thread, once or repeatedly, by the platform clock.

#include <cstdint>
#include <vector>

#include "clock.h"
#include "object.h"

// ActionNotificationReceiver is told of every Action of the sources it has joined.
class ActionNotificationReceiver {
public:
    virtual ~ActionNotificationReceiver() = default;
    virtual void PerformAction() = 0;
};

// ActionSource is what a timer offers to receivers of its Action.
class ActionSource {
public:
    virtual ~ActionSource() = default;
    virtual void AddActionNotificationReceiver(ActionNotificationReceiver* receiver) = 0;
    virtual void RemoveActionNotificationReceiver(ActionNotificationReceiver* receiver) = 0;
};

// Timer counts its Period from the moment Mode or Period was last set, or Reset, on the
// platform clock, and raises Event_Action on the main thread when it is due. A timer that
// has been released never fires.
class Timer : public Object, public ActionSource {
public:
    static const ClassRecord& Class();

    enum : int32_t { kModeOff = 0, kModeSingle = 1, kModeMultiple = 2 };

    Timer();
    ~Timer() override;

    // Mode: off (a new timer's), fire once (then off), or fire every Period. Any other
    // value is taken as off.
    void SetMode(int32_t mode);
    int32_t Mode() const { return fMode; }

    // Period in milliseconds (default 1000); a period under 1 ms counts as 1 ms.
    void SetPeriod(int32_t milliseconds);
    int32_t Period() const { return fPeriod; }

    // Reset starts the current period again.
    void Reset();

    // A receiver joins once and is told after each Event_Action; it must leave before it
    // is destroyed.
    void AddActionNotificationReceiver(ActionNotificationReceiver* receiver) override;
    void RemoveActionNotificationReceiver(ActionNotificationReceiver* receiver) override;

protected:
    // Event_Action is the timer's work, raised on the main thread each time it fires.
    virtual void Event_Action() {}

private:
    friend class Scheduler;  // reads the due time and the firing flag to order and skip timers

    // Elapse is one firing, called by the scheduler once the timer is due: the next due time
    // is set (or the timer switched off), then Event_Action runs; meanwhile it cannot fire.
    void Elapse(Clock::Seconds now);
    void Restart();
    Clock::Seconds PeriodSpan() const;
    void Fire();

    int32_t fMode = kModeOff;
    int32_t fPeriod = 1000;
    Clock::Seconds fDue{};  // while the mode is not off
    bool fFiring = false;
    std::vector<ActionNotificationReceiver*> fReceivers;
};
