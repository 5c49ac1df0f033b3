// Document types: when a type is registered and when its registration is withdrawn.

#include <gtest/gtest.h>

#include "platform/filetype.h"

namespace {

TEST(FileType, RegistersOnceWhenConvertedAndWithdrawsWhenChangedOrReleased) {
    auto all = New<FileType>();
    EXPECT_EQ(all->Name(), "");
    EXPECT_EQ(all->Extensions(), "");
    EXPECT_EQ(all->MacType(), "");
    EXPECT_EQ(all->MacCreator(), "");
    all->SetName("All");
    all->SetExtensions("*");
    all->SetMacType("alis");
    all->SetMacCreator("????");
    EXPECT_TRUE(RegisteredFileTypes().empty());

    EXPECT_EQ(static_cast<std::string>(*all), "All");
    EXPECT_EQ(all->ToString(), "All");
    auto registered = RegisteredFileTypes();
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].Type, all.Get());
    EXPECT_EQ(registered[0].Name, "All");
    EXPECT_EQ(registered[0].MacCreator, "????");
    EXPECT_EQ(registered[0].MacType, "alis");
    EXPECT_EQ(registered[0].Extensions, "*");

    // A change withdraws the registration; the next conversion registers the new values.
    all->SetMacType("fold");
    EXPECT_FALSE(all->Registered());
    EXPECT_TRUE(RegisteredFileTypes().empty());
    all->ToString();
    ASSERT_EQ(RegisteredFileTypes().size(), 1u);
    EXPECT_EQ(RegisteredFileTypes()[0].MacType, "fold");

    // Registrations are listed oldest first, and releasing one leaves the others.
    auto text = New<FileType>();
    text->SetName("Text");
    text->ToString();
    ASSERT_EQ(RegisteredFileTypes().size(), 2u);
    EXPECT_EQ(RegisteredFileTypes()[1].Name, "Text");
    all = nullptr;
    ASSERT_EQ(RegisteredFileTypes().size(), 1u);
    EXPECT_EQ(RegisteredFileTypes()[0].Type, text.Get());
    text = nullptr;
    EXPECT_TRUE(RegisteredFileTypes().empty());
}

}  // namespace
