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

TEST(FileType, AChangeWithdrawsUntilTheNextConversionAndReleaseWithdrawsOnlyItsOwn) {
    auto all = New<FileType>();
    all->SetName("All");
    all->ToString();
    all->SetMacType("alis");
    EXPECT_TRUE(Registrations().empty());
    EXPECT_EQ(static_cast<std::string>(*all), "All");
    auto text = New<FileType>();
    text->SetName("Text");
    text->ToString();
    all->ToString();  // registered already: nothing more
    EXPECT_EQ(Registrations(), (std::vector<std::string>{"All  alis ", "Text   "}));
    all = nullptr;
    EXPECT_EQ(Registrations(), std::vector<std::string>{"Text   "});
    text = nullptr;
}

}  // namespace
