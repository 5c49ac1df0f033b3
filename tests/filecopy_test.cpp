// File items on real folders: how links resolve, the listing, deleting; and the file copy:
// what a good copy keeps, and that every refused or failed copy leaves the folders exactly
// as they were. The copy tests run both ways a copy is made before it is published: as an
// anonymous file and under a hidden temporary name.

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "kit/programkit.h"
#include "platform/filecopy_p.h"

namespace {

namespace fs = std::filesystem;

Ref<FolderItem> At(const std::string& path) { return New<FolderItem>(path); }

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

class FileCopy : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { FileCopyPrivate::SetAnonymousFilesForTesting(GetParam()); }
    void TearDown() override { FileCopyPrivate::SetAnonymousFilesForTesting(true); }
};

INSTANTIATE_TEST_SUITE_P(BothWays, FileCopy, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Anonymous" : "Named"; });

std::string Attribute(const std::string& path, const char* name) {
    std::string value(256, '\0');
    ssize_t n = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return value;
}

TEST_P(FileCopy, ACopyKeepsDataHolesModeTimeAndAttributesAndLeavesTheOriginalUntouched) {
    TempFolder t;
    // 16 MiB with data in the middle: the holes must stay holes.
    const std::string original = t.File("original");
    ASSERT_EQ(truncate(original.c_str(), 16 << 20), 0);
    std::fstream middle(original, std::ios::in | std::ios::out | std::ios::binary);
    const std::string data = std::string("binary\0data\n", 12) + std::string(200000, 'x');
    ASSERT_TRUE((middle.seekp(8 << 20) << data).flush());
    ASSERT_EQ(chmod(original.c_str(), 06640), 0);
    // The group may read, though the mask would let it write: the ACL has to come along.
    // user::rw- group::r-- mask::rw- other::---
    const uint16_t entries[][4] = {{1, 6, 0xffff, 0xffff}, {4, 4, 0xffff, 0xffff},
                                   {0x10, 6, 0xffff, 0xffff}, {0x20, 0, 0xffff, 0xffff}};
    std::string acl("\x02\0\0\0", 4);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    std::string note = "kept";
    // Where the file system keeps none, none is expected on the copies either.
    if (setxattr(original.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        acl.clear();
    if (setxattr(original.c_str(), "user.note", note.data(), note.size(), 0) != 0) note.clear();
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, original.c_str(), times, 0), 0);
    const struct stat before = StatOf(original);
    const std::string content = t.Read("original");
    t.Make({"links/", "links/alias@../original"});
    ASSERT_TRUE(At(original)->CopyFileTo(At(t.Path("copy"))));
    ASSERT_TRUE(At(t.Path("links/alias"))->ReplaceWithCopyOf(At(original), "alias"));
    for (const char* copy : {"copy", "links/alias"}) {
        struct stat info = StatOf(t.Path(copy));
        EXPECT_EQ(info.st_mode, before.st_mode & ~(S_ISUID | S_ISGID))
            << copy << ": setuid and setgid are dropped";
        EXPECT_EQ(info.st_mtim.tv_sec, 1000000000) << copy;
        EXPECT_EQ(info.st_mtim.tv_nsec, 123456789) << copy;
        EXPECT_LE(info.st_blocks * 512, 1 << 20) << copy << ": the holes were written";
        EXPECT_EQ(t.Read(copy), content) << copy;
        EXPECT_EQ(Attribute(t.Path(copy), "system.posix_acl_access"), acl) << copy;
        EXPECT_EQ(Attribute(t.Path(copy), "user.note"), note) << copy;
    }
    struct stat after = StatOf(original);
    EXPECT_TRUE(after.st_ino == before.st_ino && after.st_nlink == 1 &&
                after.st_mode == before.st_mode)
        << "the original is the same file, with its mode, and nothing is linked to it";
    EXPECT_EQ(t.Read("original"), content);
    EXPECT_EQ(t.Entries(), (Lines{"copy", "links", "original"}));
    EXPECT_EQ(t.Entries("links"), Lines{"alias"});
}

TEST_P(FileCopy, ACopyThatCannotBeMadeLeavesEverythingAsItWas) {
    struct Failure {
        bool replace;  // to->ReplaceWithCopyOf(from, to->Name()), else from->CopyFileTo(to)
        const char* from;
        const char* to;
        int error;
        bool asRootToo = true;  // root may read and write anything
    };
    for (const Failure& f : std::vector<Failure>{
             {false, "original", "original", EEXIST},
             {false, "original", "dangling", EEXIST},  // never written through
             {false, "fifo", "copy", EINVAL},
             {false, "/proc/self/pagemap", "copy", ENODEV},  // endless, and no user data
             {false, "original", "readonly/copy", EACCES, false},
             {true, "fifo", "toOriginal", EINVAL},
             {true, "/proc/self/pagemap", "toOriginal", ENODEV},
             {true, "locked", "toOriginal", EACCES, false},
             {true, "original", "other", EINVAL}}) {  // not a link
        if (!f.asRootToo && geteuid() == 0) continue;
        SCOPED_TRACE(std::string(f.replace ? "replace " : "copy ") + f.from + " to " + f.to);
        TempFolder t;
        t.Make({"original=the original", "other=another file", "fifo|", "dangling@nowhere",
                "toOriginal@original", "locked=secret"});
        t.Folder("readonly", 0555);
        const Lines before = Tree(t, "");
        chmod(t.Path("locked").c_str(), 0);  // for the copy alone: Tree reads every file
        Ref<FolderItem> from = At(t.Path(f.from));
        Ref<FolderItem> to = At(t.Path(f.to));
        EXPECT_FALSE(f.replace ? to->ReplaceWithCopyOf(from, to->Name()) : from->CopyFileTo(to));
        EXPECT_EQ((f.replace ? to : from)->LastErrorCode(), f.error);
        chmod(t.Path("locked").c_str(), 0600);
        EXPECT_EQ(Tree(t, ""), before);
    }
    TempFolder t;
    EXPECT_THROW(At(t.File("original"))->CopyFileTo(nullptr), NilObjectException);
    EXPECT_THROW(At(t.Link("alias", "original"))->ReplaceWithCopyOf(nullptr, "copy"),
                 NilObjectException);
}

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
    t.Make({"original=a decoy where the path's parents would lead", "real/", "real/sub/",
            "real/links/", "real/links/in/", "real/original=data",
            "view@real/links",  // the entries are listed through this link
            "real/links/in/relative@../../original",  // from the link's real folder
            "real/links/in/chained@relative",
            "real/links/original=a decoy where the first link's folder would lead",
            "real/links/hop@../original",  // from its own folder, not the first link's
            "real/links/in/across@../hop", "real/links/in/toFolder@../../sub",
            "real/links/in/dangling@nowhere", "real/links/in/self@self"});
    Ref<FolderItem> folder = At(t.Path("view/in"));
    Lines seen;
    for (int32_t i = 1; i <= folder->Count(); ++i)
        seen.push_back(Describe(folder->TrueItem(i), t.Path()) + " -> " +
                       Describe(folder->Item(i), t.Path()));
    const std::string alias = "exists alias /real/links/in/";
    EXPECT_EQ(seen, (Lines{alias + "across -> exists /real/original",
                           alias + "chained -> exists /real/original",
                           alias + "dangling -> missing",
                           alias + "relative -> exists /real/original",
                           alias + "self -> missing",
                           alias + "toFolder -> exists folder /real/sub"}));
}

TEST(FolderItem, TheListingIsReadOnceSortedBytewiseAndDeletingRemovesOnlyTheListedLink) {
    TempFolder t;
    t.Make({"original=data", "alias@original", "10=", "9=", "B=", "_=", "b=", "line\nbreak=",
            "\xe9t\xe9="});
    Ref<FolderItem> folder = At(t.Path());
    ASSERT_EQ(folder->Count(), 9);
    t.File("0");  // after the count: the indices still to be read do not shift
    Lines listed;
    for (int32_t i = 1; i <= 9; ++i) listed.push_back(folder->TrueItem(i)->Name());
    ASSERT_EQ(listed, (Lines{"10", "9", "B", "_", "alias", "b", "line\nbreak", "original",
                             "\xe9t\xe9"}));
    Ref<FolderItem> alias = folder->TrueItem(5);
    // Saved over by another program since it was listed: not the entry listed any more.
    fs::rename(t.File(".saved", "mine"), t.Path("alias"));
    EXPECT_FALSE(alias->Delete());
    EXPECT_EQ(t.Read("alias"), "mine");
    fs::rename(t.Link(".relinked", "original"), t.Path("alias"));
    ASSERT_EQ(folder->Count(), 10);
    EXPECT_TRUE(folder->TrueItem(6)->Delete());
    EXPECT_EQ(t.Entries(), (Lines{"0", "10", "9", "B", "_", "b", "line\nbreak", "original",
                                  "\xe9t\xe9"}));
    EXPECT_EQ(t.Read("original"), "data");
}

}  // namespace
