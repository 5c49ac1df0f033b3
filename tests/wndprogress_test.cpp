// The progress window as the user sees it: its exact texts.

#include <gtest/gtest.h>

#include "platform/controls.h"
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

}  // namespace
