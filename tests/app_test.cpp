// The application object on the manual clock: the usage message and its timer, the wait
// for a run, and Cancel reaching the worker.

#include "app/app.h"
#include "kit/programkit.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "windows/wndprogress.h"

namespace {

class AppTest : public ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        RuntimeRegisterAppObject(fApp);
    }

    const Ref<class App> fApp = New<class App>();
};

TEST_F(AppTest, UsageMessageComesOnceOneSecondAfterTheLatestActivation) {
    // A second box would take the second answer instead of blocking the test.
    const auto first = User::AnswerNextMessageBox(kMsgBoxResultOK);
    const auto second = User::AnswerNextMessageBox(kMsgBoxResultOK);
    fApp->Event_Activate();
    fApp->DoEvents(500);
    fApp->Event_Activate();  // the first timer goes without firing
    fApp->DoEvents(990);
    EXPECT_FALSE(first->Answered);
    fApp->DoEvents(20);
    EXPECT_EQ(first->Text, kUsageText);
    EXPECT_EQ(first->Flags, 0);
    EXPECT_EQ(first->Title, "");
    EXPECT_TRUE(QuitRequested());

    // From then on neither a call nor a timer shows anything or quits.
    ResetRuntimeForTesting();
    Clock::UseManualClock();
    RuntimeRegisterAppObject(fApp);
    fApp->ShowUsageMessage();
    fApp->Event_Activate();
    fApp->DoEvents(2000);
    EXPECT_FALSE(second->Answered);
    EXPECT_FALSE(QuitRequested());
}

TEST_F(AppTest, WendleAliasesQuitsOnlyOnceTheWorkerHasEnded) {
    TempFolder t;
    t.File("f", "data");
    t.Folder("drop");
    t.Link("drop/l", "../f");
    bool quitDuringRun = true;
    const Ref<ProbeTimer> probe = ProbeTimer::At(1500, [&] { quitDuringRun = QuitRequested(); });
    const double start = Clock::Now();

    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), false, true);

    EXPECT_FALSE(quitDuringRun);
    EXPECT_TRUE(QuitRequested());
    EXPECT_GE(Clock::Now() - start, 2.0);
    EXPECT_EQ(Tree(t, "drop"), Lines{"l=data"});
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
    EXPECT_NO_THROW(fApp->Interrupt());  // no worker yet: nothing to stop
    TempFolder t;
    for (const char* folder : {"src", "drop", "drop/a", "drop/b"}) t.Folder(folder);
    t.File("src/f", "data");
    for (const char* link : {"drop/a/l", "drop/b/l", "drop/l"}) t.Link(link, t.Path("src/f"));
    bool stillShown = false;
    // At 0.5 s folder "b" waits in its closing block; Cancel is pressed twice.
    const Ref<ProbeTimer> cancel = ProbeTimer::At(500, [&] {
        User::Push(WndProgress(), "BtnCancel");
        User::Push(WndProgress(), "BtnCancel");
        stillShown = WndProgress()->Visible();
    });
    const double start = Clock::Now();

    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), true, false);

    EXPECT_TRUE(stillShown);
    EXPECT_LT(Clock::Now() - start, 3.0);  // "a" would have cost two seconds more
    EXPECT_EQ(Tree(t, "drop"), (Lines{"a/", "a/l@", "b/", "b/f=data", "l@"}));
    EXPECT_TRUE(QuitRequested());
}

}  // namespace
