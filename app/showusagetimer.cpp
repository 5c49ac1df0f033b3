#include "app/showusagetimer.h"

#include "app/app.h"
#include "platform/runtime.h"

const ClassRecord& CShowUsageTimer::Class() {
    return RegisterClassOf<CShowUsageTimer, Timer>("CShowUsageTimer");
}

void CShowUsageTimer::Event_Action() { App()->ShowUsageMessage(); }
