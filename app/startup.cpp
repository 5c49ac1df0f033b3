#include "app/startup.h"

#include <exception>

#include "app/app.h"
#include "app/filetypes1.h"
#include "app/menubar1.h"
#include "app/showusagetimer.h"
#include "platform/frameworkclasses.h"
#include "platform/runtime.h"
#include "platform/window.h"
#include "windows/wndoptions.h"
#include "windows/wndprogress.h"
#include "worker/copyaliasthread.h"

int ProcessMain(int argc, char** argv) {
    RuntimeInit(argc, argv);
    initialize();
    Main();
    finalize();
    return RuntimeExit();
}

void initialize() {
    RegisterFrameworkClasses();
    App::Class();
    CCopyAliasThread::Class();
    CShowUsageTimer::Class();
    MenuBar1::Class();
    WndProgress::Class();
    WndOptions::Class();
}

void Main() {
    try {
        RunFrameworkInitialization(Startup);
        RuntimeRun();
    } catch (...) {
        UnhandledException(std::current_exception());
    }
}

void Startup() {
    // The framework's external classes and a plug-in table have no counterpart here.
    InitFileTypes();
    NewAppInstance();
    ApplicationAddMenuHandlers();
}

void InitFileTypes() { FileTypes1::Initialize(); }

void NewAppInstance() {
    // Should the menu bar fail, the app object is released here, never registered.
    const Ref<class App> app = NewObject(App::Class()).Cast<class App>();
    const Ref<class MenuBar1> menuBar = MenuBar1();
    app->SetMenuBar(menuBar);
    RuntimeRegisterAppObject(app);
}

void ApplicationAddMenuHandlers() {
    // The program handles no menu item itself; Quit is the framework's own.
}

void finalize() {
    ReleaseFrameworkGlobals();
    FileTypes1::pAll = nullptr;
    ReleaseMenuBar1();
}
