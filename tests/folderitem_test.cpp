// File items on real folders: what an entry is, how links resolve, the listing, real paths
// and the lexical Parent/Child/GetTrueFolderItem.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>
#include <vector>

#include "kit/tempfolder.h"
#include "platform/folderitem.h"

namespace {

Ref<FolderItem> At(const std::string& path) { return New<FolderItem>(path); }

// The entry named name of folder, resolved as the worker resolves it (through Item(i)).
Ref<FolderItem> ResolvedEntry(const std::string& folderPath, const std::string& name) {
    Ref<FolderItem> folder = At(folderPath);
    for (int32_t i = 1, count = folder->Count(); i <= count; ++i)
        if (folder->TrueItem(i)->Name() == name) return folder->Item(i);
    return nullptr;
}

TEST(FolderItemKinds, ALinkIsAnAliasWhateverItLeadsTo) {
    TempFolder t;
    t.File("file");
    t.Folder("folder");
    t.Link("toFolder", "folder");
    t.Link("dangling", "missing");
    t.Link("self", "self");
    struct Case {
        const char* name;
        bool exists, directory, alias;
    };
    for (const Case& c : std::vector<Case>{{"file", true, false, false},
                                           {"folder", true, true, false},
                                           {"toFolder", true, false, true},
                                           {"dangling", true, false, true},
                                           {"self", true, false, true},
                                           {"missing", false, false, false}}) {
        Ref<FolderItem> item = At(t.Path(c.name));
        EXPECT_EQ(item->Exists(), c.exists) << c.name;
        EXPECT_EQ(item->Directory(), c.directory) << c.name;
        EXPECT_EQ(item->Alias(), c.alias) << c.name;
    }
}

TEST(FolderItemResolve, ChainsEndAtTheirFile) {
    TempFolder t;
    t.Folder("real");
    t.Folder("real/deeper");
    t.File("real/original", "data");
    t.Folder("links");
    t.Link("links/relative", "../real/original");  // from the link's folder, not ours
    t.Link("links/absolute", t.Path("real/original"));
    t.Link("links/hop2", "relative");
    t.Link("links/hop1", "hop2");
    t.Link("links/dotted", "./../real/./deeper/../original");
    t.Link("links/toFolder", "../real");
    for (const char* name : {"relative", "absolute", "hop1", "dotted"}) {
        Ref<FolderItem> end = ResolvedEntry(t.Path("links"), name);
        EXPECT_TRUE(end->Exists() && !end->Alias()) << name;
        EXPECT_EQ(end->Name(), "original") << name;  // a copy named after it takes this name
        EXPECT_EQ(end->ShellPath(), t.Path("real/original")) << name;
    }
    EXPECT_TRUE(ResolvedEntry(t.Path("links"), "toFolder")->Directory());
}

TEST(FolderItemResolve, RelativeTargetsClimbTheRealFoldersLikeTheKernel) {
    TempFolder t;
    t.Folder("a");
    t.Folder("a/b");
    t.Folder("a/b/c");
    t.File("a/x", "real parent's");
    t.File("x", "the path's parent's");
    t.Link("viaLink", "a/b");
    t.Link("a/b/c/up", "../../x");
    EXPECT_EQ(ResolvedEntry(t.Path("viaLink/c"), "up")->ShellPath(), t.Path("a/x"));
}

TEST(FolderItemResolve, DanglingAndLoopingChainsGiveItemsThatDoNotExist) {
    TempFolder t;
    t.File("file");
    t.Folder("f");
    t.Link("f/dangling", "nowhere");
    t.Link("f/danglingChain", "dangling");
    t.Link("f/self", "self");
    t.Link("f/ping", "pong");
    t.Link("f/pong", "ping");
    t.Link("f/throughFile", "../file/x");
    t.Link("f/throughLoop", "self/x");
    for (const std::string& name : t.Entries("f")) {
        Ref<FolderItem> end = ResolvedEntry(t.Path("f"), name);
        EXPECT_FALSE(end->Exists() || end->Directory() || end->Alias()) << name;
    }
    EXPECT_EQ(t.Entries("f").size(), 7u);
}

TEST(FolderItemListing, ReadOnceSortedBytewiseIndexedFromOne) {
    TempFolder t;
    for (const char* name : {"b", "B", "a", "_", "\xff", "\xc3\xa9", "10", "9"}) t.File(name);
    Ref<FolderItem> folder = At(t.Root());
    EXPECT_EQ(folder->TrueItem(8)->Name(), "\xff");  // no Count yet: the listing is read
    ASSERT_EQ(folder->Count(), 8);
    t.File("0");  // after the count: the indices still to be read do not shift
    std::vector<std::string> listed;
    for (int32_t i = 1; i <= 8; ++i) listed.push_back(folder->TrueItem(i)->Name());
    EXPECT_EQ(listed, (std::vector<std::string>{"10", "9", "B", "_", "a", "b", "\xc3\xa9", "\xff"}));
    for (int32_t bad : {0, -1, 9, INT32_MIN})
        EXPECT_FALSE(folder->TrueItem(bad) || folder->Item(bad)) << bad;
    EXPECT_EQ(folder->Count(), 9);
    EXPECT_EQ(At(t.Path("a"))->Count(), 0);
}

TEST(FolderItemListing, NamesWithNewlinesAndBytesThatAreNotUtf8) {
    TempFolder t;
    const std::string newline = "line\nbreak";
    const std::string latin1 = "latin1-\xe9t\xe9";
    t.File(newline, "one");
    t.File(latin1, "two");
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 2);
    Ref<FolderItem> first = folder->TrueItem(1);
    EXPECT_EQ(first->Name(), latin1);
    ASSERT_TRUE(first->CopyFileTo(folder->Child(newline + "\xe9")));
    EXPECT_EQ(t.Read(newline + "\xe9"), "two");
    EXPECT_TRUE(first->Delete());
    EXPECT_TRUE(folder->TrueItem(2)->Delete());
    EXPECT_EQ(t.Entries(), std::vector<std::string>{newline + "\xe9"});
}

TEST(FolderItemPaths, ShellPathsAreEqualExactlyForTheSameFile) {
    TempFolder t;
    t.Folder("real");
    t.Folder("real/in");
    t.File("real/in/file");
    t.File("real/in/other");
    t.Link("linked", "real");
    t.Link("real/in/alias", "file");
    const std::string expected = t.Path("real/in/file");
    for (const std::string& path : {t.Path("linked/in/file"), t.Root() + "//real/./in/file",
                                    t.Path("linked/in/../in/file")})
        EXPECT_EQ(GetTrueFolderItem(path)->ShellPath(), expected) << path;
    EXPECT_EQ(ResolvedEntry(t.Path("linked/in"), "alias")->ShellPath(), expected);
    EXPECT_NE(At(t.Path("real/in/alias"))->ShellPath(), expected);
    EXPECT_NE(At(t.Path("real/in/other"))->ShellPath(), expected);
    EXPECT_EQ(GetTrueFolderItem("/tmp/..")->ShellPath(), "/");
}

TEST(FolderItemPaths, ParentChildAndGetTrueFolderItemAreLexical) {
    TempFolder t;
    t.File("file");
    t.Link("alias", "file");
    t.Folder("real");
    t.Folder("real/sub");
    t.Link("link", "real/sub");

    Ref<FolderItem> alias = At(t.Path("alias"));
    ASSERT_TRUE(alias->Delete());
    EXPECT_EQ(alias->Parent()->AbsolutePath(), t.Root());  // still there after the delete
    EXPECT_FALSE(At("/")->Parent());
    EXPECT_EQ(At("/top")->Parent()->AbsolutePath(), "/");

    for (const std::string& name : {std::string(), std::string("."), std::string(".."),
                                    std::string("a/b"), std::string("a\0b", 3)})
        EXPECT_FALSE(At(t.Root())->Child(name)) << name;
    EXPECT_EQ(At("/")->Child("...")->AbsolutePath(), "/...");

    for (const std::string& bad : {std::string(), std::string("relative"),
                                   std::string("/a\0b", 4), t.Path("missing/..")})
        EXPECT_FALSE(GetTrueFolderItem(bad)) << bad;
    EXPECT_FALSE(GetTrueFolderItem(t.Root(), 1));
    EXPECT_EQ(GetTrueFolderItem(t.Root() + "//real/./sub//")->AbsolutePath(), t.Path("real/sub"));
    EXPECT_EQ(GetTrueFolderItem("//.")->AbsolutePath(), "/");
    // ".." is the real parent, as the kernel takes it; a link at the end stays a link.
    EXPECT_EQ(GetTrueFolderItem(t.Path("link/../sub"))->AbsolutePath(), t.Path("real/sub"));
    EXPECT_TRUE(GetTrueFolderItem(t.Path("real/../link/"))->Alias());
}

TEST(FolderItemDelete, RemovesTheItemItselfOnly) {
    TempFolder t;
    t.Folder("folder");
    t.File("folder/inside");
    t.Link("toFolder", "folder");
    EXPECT_TRUE(At(t.Path("toFolder"))->Delete());
    Ref<FolderItem> full = At(t.Path("folder"));
    EXPECT_FALSE(full->Delete());
    EXPECT_EQ(full->LastErrorCode(), ENOTEMPTY);
    EXPECT_EQ(t.Entries(), std::vector<std::string>{"folder"});
    EXPECT_EQ(t.Entries("folder"), std::vector<std::string>{"inside"});
}

}  // namespace
