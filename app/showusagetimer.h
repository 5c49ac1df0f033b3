#pragma once

#include "platform/timer.h"

// CShowUsageTimer shows the usage message when it fires.
class CShowUsageTimer : public Timer {
public:
    static const ClassRecord& Class();

protected:
    void Event_Action() override;
};
