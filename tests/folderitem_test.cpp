// File items on real folders: how links resolve, the listing, deleting.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
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
    return kind + " " + item->ShellPath().substr(root.size());
}

TEST(FolderItem, EachEntryAndTheEndOfItsChainOfLinks) {
    TempFolder t;
    t.File("original", "a decoy where the path's parents would lead");
    for (const char* folder : {"real", "real/sub", "real/links", "real/links/in"}) t.Folder(folder);
    t.File("real/original", "data");
    t.Link("view", "real/links");  // the entries are listed through this link
    t.Link("real/links/in/relative", "../../original");  // from the link's real folder
    t.Link("real/links/in/chained", "relative");
    t.File("real/links/original", "a decoy where the first link's folder would lead");
    t.Link("real/links/hop", "../original");  // from its own folder, not the first link's
    t.Link("real/links/in/across", "../hop");
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
                        "across: " + alias + "across -> exists /real/original",
                        "chained: " + alias + "chained -> exists /real/original",
                        "dangling: " + alias + "dangling -> missing",
                        "relative: " + alias + "relative -> exists /real/original",
                        "self: " + alias + "self -> missing",
                        "toFolder: " + alias + "toFolder -> exists folder /real/sub"}));
}

TEST(FolderItem, TheListingIsReadOnceSortedBytewiseWhateverTheNames) {
    TempFolder t;
    const std::vector<std::string> sorted{"10", "9", "B", "_", "b", "line\nbreak", "\xe9t\xe9"};
    for (const std::string& name : sorted) t.File(name, name);
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 7);
    t.File("0");  // after the count: the indices still to be read do not shift
    std::vector<std::string> listed;
    for (int32_t i = 1; i <= 7; ++i) listed.push_back(folder->TrueItem(i)->Name());
    EXPECT_EQ(listed, sorted);
}

TEST(FolderItem, DeletingALinkRemovesTheListedLinkAndNeverWhatItPointsTo) {
    TempFolder t;
    t.File("original", "data");
    t.Link("alias", "original");
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 2);
    Ref<FolderItem> listed = folder->TrueItem(1);
    ASSERT_EQ(listed->Name(), "alias");
    // Saved over by another program since it was listed: not the entry listed any more.
    t.File(".saved", "mine");
    ASSERT_EQ(rename(t.Path(".saved").c_str(), t.Path("alias").c_str()), 0);
    EXPECT_FALSE(listed->Delete());
    EXPECT_EQ(t.Read("alias"), "mine");
    t.Link(".relinked", "original");
    ASSERT_EQ(rename(t.Path(".relinked").c_str(), t.Path("alias").c_str()), 0);
    ASSERT_EQ(folder->Count(), 2);
    EXPECT_TRUE(folder->TrueItem(1)->Delete());
    EXPECT_EQ(t.Entries(), std::vector<std::string>{"original"});
    EXPECT_EQ(t.Read("original"), "data");
}

}  // namespace
