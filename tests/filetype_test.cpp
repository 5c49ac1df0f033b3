// Document types: when a type is registered and when its registration is withdrawn.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/filetype.h"

namespace {

// The registrations in force, oldest first, one "name creator type extensions" line each.
std::vector<std::string> Registrations() {
    std::vector<std::string> lines;
    for (const FileTypeRegistration& r : RegisteredFileTypes())
        lines.push_back(r.Name + " " + r.MacCreator + " " + r.MacType + " " + r.Extensions);
    return lines;
}

TEST(FileType, RegistersOnceWhenConvertedAndWithdrawsWhenChangedOrReleased) {
    auto all = New<FileType>();
    all->SetName("All");
    all->SetExtensions("*");
    all->SetMacType("alis");
    all->SetMacCreator("????");
    EXPECT_TRUE(Registrations().empty());
    EXPECT_EQ(static_cast<std::string>(*all), "All");
    all->ToString();
    EXPECT_EQ(Registrations(), std::vector<std::string>{"All ???? alis *"});
    EXPECT_EQ(RegisteredFileTypes()[0].Type, all.Get());

    // A change withdraws the registration; the next conversion registers the new values.
    all->SetMacType("fold");
    EXPECT_TRUE(Registrations().empty());
    all->ToString();
    auto text = New<FileType>();
    text->SetName("Text");
    text->ToString();
    EXPECT_EQ(Registrations(), (std::vector<std::string>{"All ???? fold *", "Text   "}));

    all = nullptr;  // releasing one leaves the others
    EXPECT_EQ(Registrations(), std::vector<std::string>{"Text   "});
    text = nullptr;
    EXPECT_TRUE(Registrations().empty());
}

}  // namespace
