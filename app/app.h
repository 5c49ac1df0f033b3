#pragma once

// App: the one application object. It handles the dropped folder and activation, owns the
// worker of the current run and the current usage timer, and offers the three
// application-wide operations: run a replacement to its end, stop it, show the usage message.

#include "platform/application.h"
#include "platform/folderitem.h"
#include "platform/timer.h"

class CCopyAliasThread;

class App : public Application {
public:
    static const ClassRecord& Class();

    // Event_OpenDocument checks the dropped item, asks for the options and the confirmation,
    // runs the replacement, and ends the application on every road.
    void Event_OpenDocument(Ref<FolderItem> item) override;

    // Event_Activate arms a fresh one-shot usage timer of one second.
    void Event_Activate() override;

    // WendleAliases runs a worker over folder with the two options, keeps the windows live
    // until it has ended, and quits with code 0.
    virtual void WendleAliases(Ref<FolderItem> folder, bool recurse, bool keepAliasNames);

    // Interrupt asks the running worker, if any, to stop.
    virtual void Interrupt();

    // ShowUsageMessage shows the usage message once per process and quits; once suppressed
    // it does nothing at all.
    virtual void ShowUsageMessage();

private:
    bool fSuppressUsageMessage = false;
    Ref<Timer> fTmrShowUsage;
    Ref<CCopyAliasThread> fThread;
};

// App() is the application object that start-up registered; it creates nothing.
Ref<class App> App();
