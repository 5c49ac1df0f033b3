#pragma once

// Application: the one application object's base, its events, and the calls that keep the
// event loop turning (DoEvents) or end it (Quit).

#include <cstdint>

#include "object.h"

class FolderItem;
class MenuBar;

// Application is subclassed once by the program; the framework raises its events on the
// object that was registered with RuntimeRegisterAppObject, always on the main thread.
class Application : public Object {
public:
    static const ClassRecord& Class();

    // MenuBar is the application's menu bar; its shortcuts act in every window.
    void SetMenuBar(const Ref<class MenuBar>& menuBar);
    Ref<class MenuBar> MenuBar() const { return fMenuBar; }

    // DoEvents processes pending events and gives the other threads their turns until
    // milliseconds have passed on the platform clock, then returns. It blocks on the event
    // queue while nothing can run. Called on a worker thread it only yields.
    void DoEvents(int32_t milliseconds = -1);

    // The ten events; each default does nothing (UnhandledException returns false:
    // not handled, CancelClose returns false: do not cancel).
    virtual void Event_Open() {}
    virtual void Event_Close() {}
    virtual void Event_EnableMenuItems() {}
    virtual void Event_NewDocument() {}
    // Event_OpenDocument receives each document (a path given on the command line).
    virtual void Event_OpenDocument(Ref<FolderItem> item) { (void)item; }
    // Event_HandleAppleEvent exists for the program's class layout; Linux never raises it.
    virtual bool Event_HandleAppleEvent() { return false; }
    // Event_Activate comes when the loop starts and each time the application is
    // reactivated after it was not active.
    virtual void Event_Activate() {}
    virtual void Event_Deactivate() {}
    virtual bool Event_UnhandledException(const std::exception& error) { (void)error; return false; }
    virtual bool Event_CancelClose() { return false; }

private:
    Ref<class MenuBar> fMenuBar;
};

// Quit asks the event loop to end with the given exit code and returns at once; the first
// request fixes the code and later ones change nothing. It ends whatever the windows are
// doing as their user would cancel it: the cancel button of every shown window is pushed
// (so a window that stops work on Cancel stops it now), a message box is answered with its
// escape button, and a modal window without a cancel button is hidden. From then on a
// window shown is cancelled the same way and a message box is answered so at once. The
// loops the main thread sits in end as their own waits end; SIGTERM, SIGINT and SIGHUP
// request the quit too (see RuntimeExit).
void Quit(int32_t code = 0);

// QuitRequested tells whether Quit has been called.
bool QuitRequested();

// RuntimeRun runs the event loop on the main thread: it delivers each document of the
// command line as an OpenDocument event, raises Activate, and returns once Quit is called.
void RuntimeRun();
