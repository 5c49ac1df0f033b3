// The progress window: one hidden instance with its four controls, Cancel relayed to the
// application object, the logo painted unscaled and the promotional text.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QWidget>

#include <string>
#include <vector>

#include "app/app.h"
#include "kit/user.h"
#include "platform/controls.h"
#include "platform/runtime.h"
#include "platform/testing.h"
#include "windows/logo.h"
#include "windows/wndprogress.h"

namespace {

class CountingApp : public App {
public:
    void Interrupt() override { ++interrupts; }
    int interrupts = 0;
};

class Progress : public ::testing::Test {
protected:
    void SetUp() override { ResetRuntimeForTesting(); }
    void TearDown() override {
        WndProgress()->Hide();
        User::Reset();
        ResetRuntimeForTesting();
    }
};

TEST_F(Progress, OneHiddenWindowWithItsControlsInOrder) {
    const Ref<Window> window = WndProgress();
    EXPECT_EQ(WndProgress().Get(), window.Get());
    EXPECT_EQ(GetImplicitWindow("WndProgress.WndProgress").Get(), window.Get());
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(window->Title(), "Replacing aliases...");
    EXPECT_EQ(window->Widget()->size(), QSize(477, 225));

    std::vector<std::string> names;
    for (const Ref<Control>& control : window->Controls()) names.push_back(control->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"PrgItem", "BtnCancel", "Canvas1", "LblPromo"}));
    EXPECT_TRUE(RuntimeWindowControlByName(window, "PrgItem").Cast<ProgressBar>());
    EXPECT_TRUE(RuntimeWindowControlByName(window, "BtnCancel").Cast<PushButton>());
    EXPECT_TRUE(RuntimeWindowControlByName(window, "Canvas1").Cast<Canvas>());
    EXPECT_TRUE(RuntimeWindowControlByName(window, "LblPromo").Cast<StaticText>());
}

TEST_F(Progress, EachCancelReachesTheApplicationAndLeavesTheWindowUp) {
    const Ref<CountingApp> app = New<CountingApp>();
    RuntimeRegisterAppObject(app);
    WndProgress()->Show();

    User::Push(WndProgress(), "BtnCancel");
    User::Push(WndProgress(), "BtnCancel");

    EXPECT_EQ(app->interrupts, 2);
    EXPECT_TRUE(WndProgress()->Visible());
    EXPECT_TRUE(RuntimeWindowControlByName(WndProgress(), "BtnCancel")->Widget()->isEnabled());
}

TEST_F(Progress, CanvasShowsTheLogoUnscaledFromItsCorner) {
    const Ref<Picture> logo = calvenorlogo3d();
    ASSERT_TRUE(logo);
    ASSERT_EQ(logo->Width(), 100);
    WndProgress()->Show();

    const QImage drawn = User::Grab(RuntimeWindowControlByName(WndProgress(), "Canvas1"))
                             .convertToFormat(QImage::Format_RGB32);
    const QImage expected = logo->Image().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(drawn.width(), 100);
    int compared = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const QRgb pixel = expected.pixel(x, y);
            if (pixel == qRgb(255, 255, 255)) continue;  // may be drawn transparent
            ASSERT_EQ(drawn.pixel(x, y), pixel) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 3000);
}

TEST_F(Progress, PromotionalTextHasSevenLinesEachEndedByACarriageReturn) {
    const Ref<StaticText> label =
        RuntimeWindowControlByName(WndProgress(), "LblPromo").Cast<StaticText>();
    EXPECT_EQ(label->Text(),
              "Quorbit\r"
              "Copyright \xC2\xA9 2008-2009 Calvenor\r"
              "\r"
              "Quorbit is free software, brought to you by Calvenor.\r"
              "Updates, help and more free utilities:\r"
              "\r"
              "http://www.calvenor.com/quorbit.html\r");
}

}  // namespace
