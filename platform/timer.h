#pragma once

// Timer: fires its Action event on the main thread, once or repeatedly, by the platform clock.

#include <cstdint>
#include <vector>

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

// Timer counts its Period from the moment Mode or Period was last set. A timer that has
// been released never fires.
class Timer : public Object, public ActionSource {
public:
    static const ClassRecord& Class();

    enum : int32_t { kModeOff = 0, kModeSingle = 1, kModeMultiple = 2 };

    Timer();
    ~Timer() override;

    // Mode: off (a new timer's), fire once (then off), or fire every Period.
    void SetMode(int32_t mode);
    int32_t Mode() const { return fMode; }

    // Period in milliseconds (default 1000).
    void SetPeriod(int32_t milliseconds);
    int32_t Period() const { return fPeriod; }

    // Reset starts the current period again.
    void Reset();

    void AddActionNotificationReceiver(ActionNotificationReceiver* receiver) override;
    void RemoveActionNotificationReceiver(ActionNotificationReceiver* receiver) override;

protected:
    virtual void Event_Action() {}

private:
    friend class Scheduler;
    void Fire();

    int32_t fMode = kModeOff;
    int32_t fPeriod = 1000;
    std::vector<ActionNotificationReceiver*> fReceivers;
};
