// The application object on the manual clock: the usage message and its timer.

#include "app/app.h"
#include "kit/programkit.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"

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
}

}  // namespace
