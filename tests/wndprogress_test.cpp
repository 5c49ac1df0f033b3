// The progress window as the user sees it: its exact texts, and its keys.

#include <gtest/gtest.h>

#include "app/app.h"
#include "kit/user.h"
#include "platform/controls.h"
#include "platform/testing.h"
#include "windows/wndprogress.h"

namespace {

TEST(Progress, TitleAndPromotionalTextStandExactly) {
    EXPECT_EQ(WndProgress()->Title(), "Replacing aliases...");
    // Seven lines, each ended by a carriage return; the third and sixth empty.
    EXPECT_EQ(RuntimeWindowControlByName(WndProgress(), "LblPromo").Cast<StaticText>()->Text(),
              "Quorbit\r"
              "Copyright \xC2\xA9 2008-2009 Calvenor\r"
              "\r"
              "Quorbit is free software, brought to you by Calvenor.\r"
              "Updates, help and more free utilities:\r"
              "\r"
              "http://www.calvenor.com/quorbit.html\r");
}

// Escape stops the run as Cancel does; Return, with no default button, does nothing.
TEST(Progress, EscapeAndCancelStopTheRunAndReturnDoesNot) {
    class Counting : public App {
    public:
        void Interrupt() override { ++interrupts; }
        int interrupts = 0;
    };
    const Ref<Counting> app = New<Counting>();
    RuntimeRegisterAppObject(app);
    WndProgress()->Show();
    User::PressKey(WndProgress(), User::Key::Return);
    EXPECT_EQ(app->interrupts, 0);
    User::PressKey(WndProgress(), User::Key::Escape);
    EXPECT_EQ(app->interrupts, 1);
    User::Push(WndProgress(), "BtnCancel");
    EXPECT_EQ(app->interrupts, 2);
    EXPECT_TRUE(WndProgress()->Visible()) << "only the worker hides it";
    ResetRuntimeForTesting();
}

}  // namespace
