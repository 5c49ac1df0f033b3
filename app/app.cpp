#include "app/app.h"

#include <string>

#include "app/showusagetimer.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "worker/copyaliasthread.h"

namespace {

const char* const kUsageText1 =
    "Drag/drop a folder icon onto this application's icon to replace all alias files inside "
    "the folder with their original.";
const char* const kUsageText2 =
    "To see a dialog with options, press and hold the <Option> or <Alt> key while you release "
    "the mouse button as you drop the folder onto the Quorbit icon.";
const char* const kUsageText3 = "Copyright \u00a9 2008-2009 Calvenor";
const char* const kUsageText4 =
    "Consult http://www.calvenor.com/quorbit.html for more info.";

}  // namespace

const ClassRecord& App::Class() { return RegisterClassOf<class App, Application>("App"); }

void App::Event_Activate() {
    // The timer held before is released as it stands; a released timer never fires.
    fTmrShowUsage = New<CShowUsageTimer>();
    fTmrShowUsage->SetMode(Timer::kModeSingle);
    fTmrShowUsage->SetPeriod(1000);
}

void App::WendleAliases(Ref<FolderItem> folder, bool recurse, bool keepAliasNames) {
    fThread = New<CCopyAliasThread>();
    fThread->SetFolder(folder);
    fThread->SetRecurse(recurse);
    fThread->SetKeepAliasNames(keepAliasNames);
    fThread->Run();
    // The open-document handler waits here, so the windows, Cancel and the timers are served
    // from this loop; the worker's state is read only after a turn has let it start.
    do {
        DoEvents(100);
        Yield();
    } while (fThread->State() != Thread::kNotRunning);
    Quit(0);
}

void App::Interrupt() {
    if (!fThread) return;
    fThread->Interrupt();
}

void App::ShowUsageMessage() {
    if (fSuppressUsageMessage) return;
    fSuppressUsageMessage = true;
    const std::string eol = EndOfLine();
    MsgBox(kUsageText1 + eol + kUsageText2 + eol + eol + kUsageText3 + eol + kUsageText4);
    Quit(0);
}

Ref<class App> App() { return GetAppObject().Cast<class App>(); }
