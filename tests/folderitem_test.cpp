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
Ref<FolderItem> ResolvedEntry(const Ref<FolderItem>& folder, const std::string& name) {
    int32_t count = folder->Count();
    for (int32_t i = 1; i <= count; ++i)
        if (folder->TrueItem(i)->Name() == name) return folder->Item(i);
    return nullptr;
}

TEST(FolderItemKinds, FilesFoldersAndEveryKindOfLink) {
    TempFolder t;
    t.File("file", "x");
    t.Folder("folder");
    t.Fifo("fifo");
    t.Link("toFile", "file");
    t.Link("toFolder", "folder");
    t.Link("dangling", "missing");
    t.Link("self", "self");

    struct Case {
        const char* name;
        bool exists, directory, alias;
    };
    for (const Case& c : std::vector<Case>{{"file", true, false, false},
                                           {"folder", true, true, false},
                                           {"fifo", true, false, false},
                                           {"toFile", true, false, true},
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
    t.Folder("links");
    t.File("real/original", "data");
    t.Folder("real/deeper");
    t.Link("links/relative", "../real/original");       // against the link's folder, not ours
    t.Link("links/absolute", t.Path("real/original"));
    t.Link("links/hop2", "relative");
    t.Link("links/hop1", "hop2");                         // hop1 -> hop2 -> relative -> original
    t.Link("links/dotted", "./../real/./deeper/../original");
    t.Link("links/trailing", "../real/deeper/");
    t.Link("links/toFolder", "../real");
    t.Link("links/plain", "x");  // replaced below by a plain file
    unlink(t.Path("links/plain").c_str());
    t.File("links/plain", "p");

    Ref<FolderItem> links = At(t.Path("links"));
    const std::string original = t.Path("real/original");
    for (const char* name : {"relative", "absolute", "hop1", "dotted"}) {
        Ref<FolderItem> end = ResolvedEntry(links, name);
        ASSERT_TRUE(end) << name;
        EXPECT_TRUE(end->Exists()) << name;
        EXPECT_FALSE(end->Alias()) << name;
        EXPECT_EQ(end->Name(), "original") << name;  // a copy named after it gets this name
        EXPECT_EQ(end->ShellPath(), original) << name;
    }
    Ref<FolderItem> folderEnd = ResolvedEntry(links, "toFolder");
    EXPECT_TRUE(folderEnd->Directory());
    EXPECT_EQ(folderEnd->ShellPath(), t.Path("real"));
    EXPECT_EQ(ResolvedEntry(links, "trailing")->ShellPath(), t.Path("real/deeper"));
    EXPECT_EQ(ResolvedEntry(links, "plain")->AbsolutePath(), t.Path("links/plain"));
}

TEST(FolderItemResolve, RelativeTargetsFollowTheKernelThroughALinkedFolder) {
    // From a folder reached through a link, "../../x" climbs the real folders, not the path.
    TempFolder t;
    t.Folder("a");
    t.Folder("a/b");
    t.Folder("a/b/c");
    t.File("a/x", "real parent's");
    t.File("x", "lexical parent's");
    t.Link("viaLink", "a/b");
    t.Link("a/b/c/up", "../../x");
    Ref<FolderItem> end = ResolvedEntry(At(t.Path("viaLink/c")), "up");
    ASSERT_TRUE(end->Exists());
    EXPECT_EQ(end->ShellPath(), t.Path("a/x"));
}

TEST(FolderItemResolve, DanglingAndLoopingChainsGiveItemsThatDoNotExist) {
    TempFolder t;
    t.Folder("f");
    t.Link("f/dangling", "nowhere");
    t.Link("f/danglingChain", "dangling");
    t.Link("f/self", "self");
    t.Link("f/ping", "pong");
    t.Link("f/pong", "ping");
    t.Link("f/throughFile", "../file/x");
    t.File("file", "");
    t.Link("f/throughLoop", "self/x");
    Ref<FolderItem> f = At(t.Path("f"));
    for (const char* name : {"dangling", "danglingChain", "self", "ping", "pong", "throughFile",
                             "throughLoop"}) {
        Ref<FolderItem> end = ResolvedEntry(f, name);
        ASSERT_TRUE(end) << name;
        EXPECT_FALSE(end->Exists()) << name;
        EXPECT_FALSE(end->Directory()) << name;
        EXPECT_FALSE(end->Alias()) << name;
    }
    EXPECT_EQ(t.Entries("f").size(), 7u);  // resolving changed nothing
}

TEST(FolderItemResolve, LongChainWithinTheLimitResolves) {
    TempFolder t;
    t.File("end", "e");
    std::string previous = "end";
    for (int i = 0; i < 30; ++i) {
        std::string name = "l" + std::to_string(i);
        t.Link(name, previous);
        previous = name;
    }
    t.Folder("holder");
    t.Link("holder/start", "../" + previous);
    Ref<FolderItem> end = ResolvedEntry(At(t.Path("holder")), "start");
    EXPECT_TRUE(end->Exists());
    EXPECT_EQ(end->ShellPath(), t.Path("end"));
}

TEST(FolderItemListing, SortedBytewiseAndIndexedFromOne) {
    TempFolder t;
    const std::vector<std::string> names = {"b", "B", "a", "_", "\xff", "\xc3\xa9", "10", "9"};
    for (const std::string& name : names) t.File(name);
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 8);
    std::vector<std::string> listed;
    for (int32_t i = 1; i <= 8; ++i) listed.push_back(folder->TrueItem(i)->Name());
    // Unsigned bytes: 0xc3 and 0xff come after every ASCII name.
    EXPECT_EQ(listed, (std::vector<std::string>{"10", "9", "B", "_", "a", "b", "\xc3\xa9", "\xff"}));
    for (int32_t bad : {0, -1, 9, INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(folder->TrueItem(bad)) << bad;
        EXPECT_FALSE(folder->Item(bad)) << bad;
    }
}

TEST(FolderItemListing, IsReadOnceUntilCountIsAskedAgain) {
    TempFolder t;
    t.File("a");
    t.File("c");
    Ref<FolderItem> folder = At(t.Root());
    EXPECT_EQ(folder->TrueItem(2)->Name(), "c");  // no Count before: the listing is read
    ASSERT_EQ(folder->Count(), 2);
    t.File("b");
    unlink(t.Path("a").c_str());
    // Changes after the count do not shift the indices still to be read...
    EXPECT_EQ(folder->TrueItem(1)->Name(), "a");
    EXPECT_FALSE(folder->TrueItem(1)->Exists());
    EXPECT_EQ(folder->TrueItem(2)->Name(), "c");
    // ...and a new count sees them.
    ASSERT_EQ(folder->Count(), 2);
    EXPECT_EQ(folder->TrueItem(1)->Name(), "b");
}

TEST(FolderItemListing, NothingButARealFolderHasEntries) {
    TempFolder t;
    t.Folder("folder");
    t.File("folder/inside");
    t.File("file", "x");
    t.Link("toFolder", "folder");
    t.Folder("empty");
    for (const char* name : {"file", "toFolder", "missing", "empty"})
        EXPECT_EQ(At(t.Path(name))->Count(), 0) << name;
    EXPECT_EQ(At(t.Path("folder"))->Count(), 1);
    if (geteuid() != 0) {
        t.Folder("locked", 0);
        t.File("/" + t.Path("locked") + "/x");
        EXPECT_EQ(At(t.Path("locked"))->Count(), 0);
    }
}

TEST(FolderItemNames, NewlinesAndBytesThatAreNotUtf8) {
    TempFolder t;
    const std::string odd1 = "line\nbreak";
    const std::string odd2 = "latin1-\xe9t\xe9";
    t.File(odd1, "one");
    t.File(odd2, "two");
    Ref<FolderItem> folder = At(t.Root());
    ASSERT_EQ(folder->Count(), 2);
    Ref<FolderItem> first = folder->TrueItem(1);
    Ref<FolderItem> second = folder->TrueItem(2);
    EXPECT_EQ(first->Name(), odd2);
    EXPECT_EQ(second->Name(), odd1);
    ASSERT_TRUE(first->CopyFileTo(folder->Child(odd2 + "\n copy")));
    EXPECT_EQ(t.Read(odd2 + "\n copy"), "two");
    EXPECT_TRUE(first->Delete());
    EXPECT_TRUE(second->Delete());
    EXPECT_EQ(t.Entries(), std::vector<std::string>{odd2 + "\n copy"});
}

TEST(FolderItemShellPath, EqualExactlyForTheSameFile) {
    TempFolder t;
    t.Folder("real");
    t.Folder("real/in");
    t.File("real/in/file", "x");
    t.File("real/in/other", "y");
    t.Link("linked", "real");
    t.Link("real/in/alias", "file");

    const std::string expected = t.Path("real/in/file");
    for (const std::string& path :
         {expected, t.Path("linked/in/file"), t.Root() + "//real/./in/file",
          t.Path("real/in/") + "../in/file", t.Path("linked/in/../in/file")}) {
        Ref<FolderItem> item = GetTrueFolderItem(path);
        ASSERT_TRUE(item) << path;
        EXPECT_EQ(item->ShellPath(), expected) << path;
    }
    EXPECT_EQ(ResolvedEntry(At(t.Path("linked/in")), "alias")->ShellPath(), expected);
    // A link is not the file it leads to, nor is a different file the same one.
    EXPECT_NE(At(t.Path("linked/in/alias"))->ShellPath(), expected);
    EXPECT_NE(At(t.Path("real/in/other"))->ShellPath(), expected);
    EXPECT_EQ(At("/")->ShellPath(), "/");
    EXPECT_EQ(GetTrueFolderItem("/tmp/..")->ShellPath(), "/");
}

TEST(FolderItemPaths, ParentIsLexicalAndOutlivesTheFile) {
    TempFolder t;
    t.File("file", "x");
    t.Link("alias", "file");
    Ref<FolderItem> alias = At(t.Path("alias"));
    ASSERT_TRUE(alias->Delete());
    EXPECT_FALSE(alias->Exists());
    ASSERT_TRUE(alias->Parent());
    EXPECT_EQ(alias->Parent()->AbsolutePath(), t.Root());
    EXPECT_EQ(alias->Parent()->Child("file")->AbsolutePath(), t.Path("file"));
    EXPECT_EQ(t.Read("file"), "x");

    EXPECT_FALSE(At("/")->Parent());
    EXPECT_EQ(At("/top")->Parent()->AbsolutePath(), "/");
    EXPECT_EQ(At("/")->Child("top")->AbsolutePath(), "/top");
    EXPECT_EQ(At("/")->Name(), "/");
}

TEST(FolderItemPaths, ChildRefusesAnythingButOneEntryName) {
    Ref<FolderItem> folder = At("/tmp");
    for (const std::string& name : {std::string(), std::string("."), std::string(".."),
                                    std::string("a/b"), std::string("/"), std::string("a\0b", 3)})
        EXPECT_FALSE(folder->Child(name)) << name;
    for (const std::string& name : {std::string("..."), std::string(".hidden"), std::string(" ")})
        EXPECT_EQ(folder->Child(name)->AbsolutePath(), "/tmp/" + name);
}

TEST(FolderItemPaths, GetTrueFolderItemNormalisesAndRefuses) {
    TempFolder t;
    t.Folder("real");
    t.Folder("real/sub");
    t.Link("link", "real/sub");
    t.Link("real/sub/alias", "../..");

    for (const std::string& bad : {std::string(), std::string("relative/path"), std::string("."),
                                   std::string("/a\0b", 4), t.Path("missing/..")})
        EXPECT_FALSE(GetTrueFolderItem(bad)) << bad;
    EXPECT_FALSE(GetTrueFolderItem(t.Root(), 1));
    EXPECT_FALSE(GetTrueFolderItem(t.Root(), -1));

    EXPECT_EQ(GetTrueFolderItem(t.Root() + "//real/./sub//")->AbsolutePath(), t.Path("real/sub"));
    EXPECT_EQ(GetTrueFolderItem("/")->AbsolutePath(), "/");
    EXPECT_EQ(GetTrueFolderItem("//.")->AbsolutePath(), "/");
    // ".." is the real parent, as the kernel takes it, not the lexical one.
    EXPECT_EQ(GetTrueFolderItem(t.Path("link/../sub"))->AbsolutePath(), t.Path("real/sub"));
    // A link at the end is the link itself, and the path round-trips.
    Ref<FolderItem> alias = GetTrueFolderItem(t.Path("link/alias/"));
    EXPECT_TRUE(alias->Alias());
    EXPECT_EQ(GetTrueFolderItem(alias->AbsolutePath())->AbsolutePath(), alias->AbsolutePath());
}

TEST(FolderItemDelete, RemovesTheItemItselfOnly) {
    TempFolder t;
    t.File("file", "keep");
    t.Folder("folder");
    t.File("folder/inside");
    t.Folder("empty");
    t.Link("toFile", "file");
    t.Link("toFolder", "folder");
    t.Link("dangling", "missing");

    for (const char* name : {"toFile", "toFolder", "dangling", "empty"}) {
        Ref<FolderItem> item = At(t.Path(name));
        EXPECT_TRUE(item->Delete()) << name;
        EXPECT_EQ(item->LastErrorCode(), 0) << name;
    }
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"file", "folder"}));
    EXPECT_EQ(t.Entries("folder"), std::vector<std::string>{"inside"});

    Ref<FolderItem> full = At(t.Path("folder"));
    EXPECT_FALSE(full->Delete());
    EXPECT_EQ(full->LastErrorCode(), ENOTEMPTY);
    Ref<FolderItem> gone = At(t.Path("missing"));
    EXPECT_FALSE(gone->Delete());
    EXPECT_EQ(gone->LastErrorCode(), ENOENT);
    EXPECT_EQ(t.Read("file"), "keep");
}

TEST(FolderItemBundle, ResourcesSitBesideTheExecutablesFolder) {
    TempFolder t;
    t.Folder("bundle");
    t.Folder("bundle/bin");
    SetExecutablePathForTesting(t.Path("bundle/bin/quorbit"));
    EXPECT_EQ(ExecutableFile()->AbsolutePath(), t.Path("bundle/bin/quorbit"));
    Ref<FolderItem> resources = GetApplicationBundleResources();
    ASSERT_TRUE(resources);
    EXPECT_EQ(resources->AbsolutePath(), t.Path("bundle/Resources"));
    EXPECT_FALSE(resources->Exists());  // a missing folder is an item all the same

    SetExecutablePathForTesting("/quorbit");  // no folder above the executable's
    EXPECT_FALSE(GetApplicationBundleResources());

    SetExecutablePathForTesting("");
    Ref<FolderItem> executable = ExecutableFile();
    ASSERT_TRUE(executable);
    EXPECT_TRUE(executable->Exists());
    EXPECT_EQ(GetApplicationBundleResources()->AbsolutePath(),
              executable->Parent()->Parent()->AbsolutePath() + "/Resources");
}

}  // namespace
