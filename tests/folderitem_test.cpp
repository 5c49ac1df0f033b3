// File items on real folders: what an entry is, how links resolve, the listing, real paths,
// deleting, and paths that give no item.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "kit/tempfolder.h"
#include "platform/folderitem.h"

namespace {

Ref<FolderItem> At(const std::string& path) { return New<FolderItem>(path); }

// Describe says what an item is and, when it exists, its real path below root.
std::string Describe(const Ref<FolderItem>& item, const std::string& root) {
    std::string kind = item->Exists() ? "exists" : "missing";
    if (item->Directory()) kind += " folder";
    if (item->Alias()) kind += " alias";
    if (!item->Exists()) return kind;
    std::string real = item->ShellPath();
    return kind + " " + (real.rfind(root, 0) == 0 ? real.substr(root.size()) : real);
}

TEST(FolderItem, EachEntryAndTheEndOfItsChainOfLinks) {
    TempFolder t;
    t.File("original", "a decoy where the path's parents would lead");
    t.Folder("real");
    t.Folder("real/sub");
    t.File("real/original", "data");
    t.Folder("real/links");
    t.Folder("real/links/in");
    t.Link("view", "real/links");  // the entries are listed through this link
    t.File("real/links/in/plain");
    t.Link("real/links/in/relative", "../../original");  // from the link's real folder
    t.Link("real/links/in/absolute", t.Path("real/original"));
    t.Link("real/links/in/chained", "relative");
    t.Link("real/links/in/dotted", "./../.././sub/../original");
    t.Link("real/links/in/toFolder", "../../sub");
    t.Link("real/links/in/dangling", "nowhere");
    t.Link("real/links/in/self", "self");
    Ref<FolderItem> folder = At(t.Path("view/in"));
    std::vector<std::string> seen;
    for (int32_t i = 1; i <= folder->Count(); ++i)
        seen.push_back(folder->TrueItem(i)->Name() + ": " +
                       Describe(folder->TrueItem(i), t.Root()) + " -> " +
                       Describe(folder->Item(i), t.Root()));
    const std::string alias = "exists alias /real/links/in/";
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "absolute: " + alias + "absolute -> exists /real/original",
                        "chained: " + alias + "chained -> exists /real/original",
                        "dangling: " + alias + "dangling -> missing",
                        "dotted: " + alias + "dotted -> exists /real/original",
                        "plain: exists /real/links/in/plain -> exists /real/links/in/plain",
                        "relative: " + alias + "relative -> exists /real/original",
                        "self: " + alias + "self -> missing",
                        "toFolder: " + alias + "toFolder -> exists folder /real/sub"}));
    EXPECT_EQ(folder->Item(2)->Name(), "original") << "a copy named after the end takes this";
    EXPECT_EQ(GetTrueFolderItem(t.Path("view/../sub"))->ShellPath(), t.Path("real/sub"));
}

TEST(FolderItem, TheListingIsReadOnceSortedBytewiseWhateverTheNames) {
    TempFolder t;
    const std::string newline = "line\nbreak";
    const std::string latin1 = "\xe9t\xe9";  // not UTF-8
    const std::vector<std::string> sorted{"10", "9", "B", "_", "b", newline, "\xc3\xa9", latin1};
    for (const std::string& name : sorted) t.File(name, name);
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 8);
    t.File("0");  // after the count: the indices still to be read do not shift
    std::vector<std::string> listed;
    for (int32_t i = 1; i <= 8; ++i) listed.push_back(folder->TrueItem(i)->Name());
    EXPECT_EQ(listed, sorted);
    for (int32_t bad : {0, -1, 9, INT32_MIN})
        EXPECT_FALSE(folder->TrueItem(bad) || folder->Item(bad)) << bad;

    ASSERT_TRUE(folder->TrueItem(8)->CopyFileTo(folder->Child(newline + latin1)));
    EXPECT_EQ(t.Read(newline + latin1), latin1);
    EXPECT_TRUE(folder->TrueItem(6)->Delete() && folder->TrueItem(8)->Delete());
    EXPECT_EQ(t.Entries().size(), 8u);
    EXPECT_FALSE(t.Exists(newline) || t.Exists(latin1));
}

TEST(FolderItem, DeleteRemovesTheItemItselfAndParentOutlivesIt) {
    TempFolder t;
    t.Folder("folder");
    t.File("folder/inside");
    t.Link("toFolder", "folder");
    Ref<FolderItem> alias = At(t.Path("toFolder"));
    ASSERT_TRUE(alias->Delete());
    EXPECT_EQ(alias->Parent()->AbsolutePath(), t.Root());
    Ref<FolderItem> full = At(t.Path("folder"));
    EXPECT_FALSE(full->Delete());
    EXPECT_EQ(full->LastErrorCode(), ENOTEMPTY);
    EXPECT_EQ(t.Entries(), std::vector<std::string>{"folder"});
    EXPECT_EQ(t.Entries("folder"), std::vector<std::string>{"inside"});
    EXPECT_FALSE(At("/")->Parent());
}

TEST(FolderItem, BadPathsGiveNoItem) {
    TempFolder t;
    for (const std::string& path : {std::string(), std::string("relative"),
                                    std::string("/a\0b", 4), t.Path("missing/..")})
        EXPECT_FALSE(GetTrueFolderItem(path)) << path;
    EXPECT_FALSE(GetTrueFolderItem(t.Root(), 1));
}

}  // namespace
