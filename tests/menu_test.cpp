// Menus: a menu tree never holds itself, which would recurse without end when it is built.

#include <gtest/gtest.h>

#include <utility>

#include "platform/menu.h"

namespace {

TEST(MenuItem, RefusesToHoldItselfAtAnyDepth) {
    auto bar = New<MenuBar>();
    auto file = New<MenuItem>();
    auto quit = New<QuitMenuItem>();
    bar->Append(file);
    file->Append(quit);
    EXPECT_THROW(bar->Append(bar), RuntimeException);
    EXPECT_THROW(quit->Append(bar), RuntimeException);
    EXPECT_EQ(std::pair(bar->Count(), quit->Count()), std::pair(1, 0));
}

}  // namespace
