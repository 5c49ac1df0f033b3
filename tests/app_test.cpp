// The application object on the manual clock: the usage message and its timer, and a run
// from start to quit, or stopped by Ctrl+Q.

#include "app/app.h"
#include "app/menubar1.h"
#include "kit/programkit.h"
#include "platform/filecopy_p.h"
#include "platform/folderitem.h"
#include "platform/msgbox.h"
#include "platform/runtime_p.h"
#include "platform/thread.h"

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
    EXPECT_TRUE(QuitRequested());
    // A quit requested answers every later box unseen: forgotten, with the same application.
    ManualClockTest::SetUp();
    RuntimeRegisterAppObject(fApp);
    fApp->Event_Activate();
    fApp->DoEvents(1500);
    EXPECT_FALSE(second->Answered) << "shown twice";
}

// The nested folder's closing wait has the worker asleep while the top folder's aliases
// are still to come: the wait must last until the worker has ended.
TEST_F(AppTest, RunWaitsForTheWholeRecursiveRunThenQuitsWithZero) {
    TempFolder t;
    t.Make({"f=data", "drop/", "drop/sub/", "drop/a@../f", "drop/sub/b@../../f"});
    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), true, true);
    EXPECT_EQ(Tree(t, "drop"), (Lines{"a=data", "sub/", "sub/b=data"}));
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

TEST_F(AppTest, CtrlQDuringARunStopsItAsCancelDoesAndQuitsWithZero) {
    // "drop" holds the aliases "l1" and "l2" and the folder "sub" with one of its own, all to
    // a file big enough to be copied on a helper thread. Bar values: 0..2 collect, 3 enters "sub",
    // whose closing block writes 6 and 7, then the aliases 4 and 5, then the closing 6, 7.
    // The key is pressed once the bar has reached a value, at the run's next pauses: with
    // every yield a pause, in the collect phase; otherwise in "sub", during the big copy (or
    // just before, should a time slice end first), which completes or is not begun. A quit
    // requested before the run (a signal) stops it as soon as its window shows.
    const std::string big((9 << 20) + 1, 'b');
    const struct {
        const char* when;
        int pressAt;
        bool everyYield;
        Values values;
    } runs[] = {
        {"before the window shows", -1, false, {0, 6, 7}},
        {"collecting", 1, true, {0, 1, 6, 7}},
        {"copying in a nested folder", 3, false, {0, 1, 2, 3, 6, 7, 6, 7}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.when);
        SetUp();
        fApp->SetMenuBar(MenuBar1());
        SetDeterministicScheduling(run.everyYield);
        FileCopyPrivate::SetAnonymousFilesForTesting(false);  // a named temporary must go too
        TempFolder t;
        t.Make({"src/", "drop/", "drop/sub/", "drop/l1@../src/big", "drop/l2@../src/big",
                "drop/sub/big alias@../../src/big"});
        t.File("src/big", big);
        WindowWatch watch;
        watch.onValue = [&](int value) {
            if (value == run.pressAt && watch.values.size() == static_cast<size_t>(value) + 1)
                QMetaObject::invokeMethod(&watch, [] { User::PressKey(WndProgress(), User::Key::Quit); },
                                          Qt::QueuedConnection);
        };

        if (run.pressAt < 0) Quit(0);
        fApp->WendleAliases(GetTrueFolderItem(t.Path("drop"), 0), true, true);
        FileCopyPrivate::SetAnonymousFilesForTesting(true);

        EXPECT_EQ(watch.values, run.values);
        EXPECT_FALSE(WndProgress()->Visible());
        EXPECT_TRUE(t.IsLink("drop/l1") && t.IsLink("drop/l2"));
        EXPECT_EQ(t.Entries("drop/sub"), std::vector<std::string>{"big alias"});
        EXPECT_TRUE(t.IsLink("drop/sub/big alias") || t.Read("drop/sub/big alias") == big);
        EXPECT_TRUE(QuitRequested() && RuntimePrivate::ExitStatus() == 0);
    }
}

}  // namespace
