// The application object on the manual clock: the usage message and its timer, and a run
// from start to quit.

#include "app/app.h"
#include "kit/programkit.h"
#include "platform/folderitem.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "platform/runtime_p.h"

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
    fApp->Event_Activate();
    fApp->DoEvents(1500);
    EXPECT_FALSE(second->Answered) << "shown twice";
}

// The nested folder's closing wait has the worker asleep while the top folder's aliases
// are still to come: the wait must last until the worker has ended.
TEST_F(AppTest, RunWaitsForTheWholeRecursiveRunThenQuitsWithZero) {
    TempFolder t;
    t.File("f", "data");
    for (const char* folder : {"drop", "drop/sub"}) t.Folder(folder);
    t.Link("drop/a", "../f");
    t.Link("drop/sub/b", "../../f");
    fApp->WendleAliases(GetTrueFolderItem(t.Path("drop")), true, true);
    EXPECT_EQ(Tree(t, "drop"), (Lines{"a=data", "sub/", "sub/b=data"}));
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

}  // namespace
