// The application object on the manual clock: the usage message and its timer, the wait
// for a run, and Cancel reaching the worker.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/app.h"
#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "windows/wndprogress.h"

namespace {

const std::string kUsageText =
    "Drag/drop a folder icon onto this application's icon to replace all alias files inside "
    "the folder with their original.\n"
    "To see a dialog with options, press and hold the <Option> or <Alt> key while you release "
    "the mouse button as you drop the folder onto the Quorbit icon.\n"
    "\n"
    "Copyright \xC2\xA9 2008-2009 Calvenor\n"
    "Consult http://www.calvenor.com/quorbit.html for more info.";

// An App that counts the stop requests that reach it.
class CountingApp : public App {
public:
    void Interrupt() override {
        ++interrupts;
        App::Interrupt();
    }
    int interrupts = 0;
};

// A timer whose action is a test's probe.
class ProbeTimer : public Timer {
public:
    explicit ProbeTimer(std::function<void()> action) : fAction(std::move(action)) {}
    static Ref<ProbeTimer> At(int32_t milliseconds, std::function<void()> action) {
        Ref<ProbeTimer> timer = New<ProbeTimer>(std::move(action));
        timer->SetMode(kModeSingle);
        timer->SetPeriod(milliseconds);
        return timer;
    }

protected:
    void Event_Action() override { fAction(); }

private:
    std::function<void()> fAction;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
        fApp = New<CountingApp>();
        RuntimeRegisterAppObject(fApp);
    }
    void TearDown() override {
        User::Reset();
        Clock::UseSystemClock();
        ResetRuntimeForTesting();
    }

    // Lets the event loop run for milliseconds on the platform clock.
    void Pass(int32_t milliseconds) { fApp->DoEvents(milliseconds); }

    Ref<CountingApp> fApp;
};

TEST_F(AppTest, UsageMessageIsShownOnceThenQuits) {
    auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
    fApp->ShowUsageMessage();

    ASSERT_TRUE(box->Answered);
    EXPECT_EQ(box->Text, kUsageText);
    EXPECT_EQ(box->Flags, 0);
    EXPECT_EQ(box->Title, "");
    EXPECT_TRUE(QuitRequested());

    // Suppressed for ever after: no box and no quit. Two answers stand ready, so that boxes
    // shown wrongly are seen, not waited on.
    ResetRuntimeForTesting();
    Clock::UseManualClock();
    RuntimeRegisterAppObject(fApp);
    auto called = User::AnswerNextMessageBox(kMsgBoxResultOK, 2000);
    auto timed = User::AnswerNextMessageBox(kMsgBoxResultOK, 2000);
    fApp->ShowUsageMessage();
    fApp->Event_Activate();
    Pass(2000);
    EXPECT_FALSE(called->Answered);
    EXPECT_FALSE(timed->Answered);
    EXPECT_FALSE(QuitRequested());
}

TEST_F(AppTest, ActivationShowsTheUsageMessageOneSecondLater) {
    auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
    fApp->Event_Activate();
    Pass(990);
    EXPECT_FALSE(box->Answered);
    Pass(20);
    ASSERT_TRUE(box->Answered);
    EXPECT_EQ(box->Text, kUsageText);
    EXPECT_TRUE(QuitRequested());
}

TEST_F(AppTest, ReactivationReplacesThePendingTimer) {
    // A second box would be answered by the second answer instead of blocking the test.
    auto first = User::AnswerNextMessageBox(kMsgBoxResultOK);
    auto second = User::AnswerNextMessageBox(kMsgBoxResultOK, 1000);

    fApp->Event_Activate();
    Pass(500);
    fApp->Event_Activate();  // the first timer goes without firing
    Pass(990);
    EXPECT_FALSE(first->Answered);
    Pass(20);
    EXPECT_TRUE(first->Answered);
    Pass(2000);
    EXPECT_FALSE(second->Answered);
}

TEST_F(AppTest, WendleAliasesWaitsForTheWorkerThenQuits) {
    TempFolder t;
    for (const char* folder : {"src", "drop", "drop/sub"}) t.Folder(folder);
    t.File("src/f", "data");
    t.Link("drop/sub/l", "../../src/f");
    t.Link("drop/l", "../src/f");
    bool quitDuringRun = true;
    Ref<ProbeTimer> probe = ProbeTimer::At(1500, [&] { quitDuringRun = QuitRequested(); });
    const double start = Clock::Now();

    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), true, true);

    EXPECT_FALSE(quitDuringRun);
    EXPECT_TRUE(QuitRequested());
    EXPECT_GE(Clock::Now() - start, 2.0);
    EXPECT_FALSE(t.IsLink("drop/l"));
    EXPECT_FALSE(t.IsLink("drop/sub/l"));
    EXPECT_EQ(t.Read("drop/l"), "data");
    EXPECT_EQ(t.Read("drop/sub/l"), "data");
    EXPECT_FALSE(WndProgress()->Visible());
}

TEST_F(AppTest, WendleAliasesTurnsTheLoopAtLeastOnce) {
    // A worker without a folder ends at its first turn; the wait still gives the event loop
    // one DoEvents(100) before it looks at the worker.
    const double start = Clock::Now();
    fApp->WendleAliases(nullptr, false, false);
    EXPECT_GE(Clock::Now() - start, 0.1 - 1e-6);
    EXPECT_TRUE(QuitRequested());
}

TEST_F(AppTest, CancelStopsTheRunAfterTheFolderUnderWay) {
    TempFolder t;
    for (const char* folder : {"src", "drop", "drop/a", "drop/b"}) t.Folder(folder);
    t.File("src/f", "data");
    t.Link("drop/a/l", "../../src/f");
    t.Link("drop/b/l", "../../src/f");
    t.Link("drop/l", "../src/f");
    bool stillShown = false;
    // At 0.5 s folder "b" waits in its closing block; Cancel is pressed twice.
    Ref<ProbeTimer> cancel = ProbeTimer::At(500, [&] {
        User::Push(WndProgress(), "BtnCancel");
        User::Push(WndProgress(), "BtnCancel");
        stillShown = WndProgress()->Visible();
    });
    const double start = Clock::Now();
    EXPECT_NO_THROW(fApp->App::Interrupt());  // no worker yet: nothing to stop

    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), true, false);

    EXPECT_EQ(fApp->interrupts, 2);
    EXPECT_TRUE(stillShown);
    EXPECT_LT(Clock::Now() - start, 3.0);  // "a" would have cost two seconds more
    EXPECT_EQ(t.Read("drop/b/f"), "data");
    EXPECT_TRUE(t.IsLink("drop/a/l"));
    EXPECT_TRUE(t.IsLink("drop/l"));
    EXPECT_TRUE(QuitRequested());
}

}  // namespace
