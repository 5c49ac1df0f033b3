// The progress window as the user sees it: its exact texts and the logo painted unscaled.

#include <gtest/gtest.h>

#include <QImage>

#include "kit/user.h"
#include "platform/controls.h"
#include "windows/logo.h"
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

TEST(Progress, CanvasShowsTheLogoUnscaledFromItsCorner) {
    const Ref<Picture> logo = calvenorlogo3d();
    ASSERT_TRUE(logo);
    ASSERT_EQ(logo->Width(), 100);
    WndProgress()->Show();
    const QImage drawn = User::Grab(RuntimeWindowControlByName(WndProgress(), "Canvas1"))
                             .convertToFormat(QImage::Format_RGB32);
    WndProgress()->Hide();
    const QImage expected = logo->Image().convertToFormat(QImage::Format_RGB32);
    int compared = 0;  // white pixels aside, which may be drawn transparent
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (expected.pixel(x, y) == qRgb(255, 255, 255)) continue;
            ASSERT_EQ(drawn.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 3000);
}

}  // namespace
