// File items on real folders: how links resolve, the listing, deleting; and the file copy:
// what a good copy keeps, and that every refused or failed copy leaves the folders exactly
// as they were. The copy tests run both ways a copy is made before it is published: as an
// anonymous file and under a hidden temporary name.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "kit/programkit.h"
#include "platform/filecopy_p.h"
#include "platform/folderitem.h"

namespace {

Ref<FolderItem> At(const std::string& path) { return New<FolderItem>(path); }

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// Snapshot describes every entry below t's root, hidden ones too: its type and mode, and
// its content and time or its link target. Equal snapshots: nothing added, removed or changed.
std::vector<std::string> Snapshot(const TempFolder& t) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.Path())) {
        std::string path = entry.path();
        struct stat info = StatOf(path);
        std::string line = path + " mode " + std::to_string(info.st_mode);
        if (S_ISLNK(info.st_mode)) line += " -> " + std::filesystem::read_symlink(path).string();
        if (S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0)
            line += " = " + t.Read(path) + " time " + std::to_string(info.st_mtime);
        out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
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

TEST_P(FileCopy, ACopyKeepsContentModeTimeAndHolesGrantsNoMoreAndLeavesTheOriginalUntouched) {
    TempFolder t;
    const std::string content = std::string("binary\0data\n", 12) + std::string(100000, 'x');
    t.File("original", content, 04555);
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.Path("original").c_str(), times, 0), 0);
    const ino_t inode = StatOf(t.Path("original")).st_ino;
    t.Folder("links");
    t.Link("links/alias", "../original");
    ASSERT_TRUE(At(t.Path("original"))->CopyFileTo(At(t.Path("copy"))));
    ASSERT_TRUE(At(t.Path("links/alias"))->ReplaceWithCopyOf(At(t.Path("original")), "alias"));
    for (const char* copy : {"copy", "links/alias"}) {
        struct stat info = StatOf(t.Path(copy));
        EXPECT_EQ(info.st_mode, S_IFREG | 0555) << copy << ": setuid and setgid are dropped";
        EXPECT_EQ(info.st_mtim.tv_sec, 1000000000) << copy;
        EXPECT_EQ(info.st_mtim.tv_nsec, 123456789) << copy;
        EXPECT_EQ(t.Read(copy), content) << copy;
    }
    struct stat original = StatOf(t.Path("original"));
    EXPECT_TRUE(original.st_ino == inode && original.st_nlink == 1 &&
                original.st_mode == (S_IFREG | 04555))
        << "the original is the same file, with its mode, and nothing is linked to it";
    EXPECT_EQ(t.Read("original"), content);
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"copy", "links", "original"}));
    EXPECT_EQ(t.Entries("links"), std::vector<std::string>{"alias"});

    // 16 MiB with 4 KiB of data in the middle.
    const std::string sparse = t.File("sparse");
    ASSERT_EQ(truncate(sparse.c_str(), 16 << 20), 0);
    std::fstream middle(sparse, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE((middle.seekp(8 << 20) << std::string(4096, 'd')).flush());
    ASSERT_TRUE(At(sparse)->CopyFileTo(At(t.Path("sparse-copy"))));
    struct stat copy = StatOf(t.Path("sparse-copy"));
    EXPECT_EQ(copy.st_size, 16 << 20);
    EXPECT_LE(copy.st_blocks * 512, 1 << 20) << "the holes were written";
    EXPECT_EQ(t.Read("sparse-copy"), t.Read("sparse"));

    // The group may read, though the mask would let it write: the ACL has to come along.
    // user::rw- group::r-- mask::rw- other::---
    const std::string acl = t.File("guarded", "secret", 0640);
    const uint16_t entries[][4] = {{1, 6, 0xffff, 0xffff}, {4, 4, 0xffff, 0xffff},
                                   {0x10, 6, 0xffff, 0xffff}, {0x20, 0, 0xffff, 0xffff}};
    std::string value("\x02\0\0\0", 4);
    value.append(reinterpret_cast<const char*>(entries), sizeof entries);
    if (setxattr(acl.c_str(), "system.posix_acl_access", value.data(), value.size(), 0) != 0)
        GTEST_SKIP() << "no ACLs here";
    ASSERT_EQ(setxattr(acl.c_str(), "user.note", "kept", 4, 0), 0);
    ASSERT_TRUE(At(acl)->CopyFileTo(At(t.Path("guarded-copy"))));
    EXPECT_EQ(StatOf(t.Path("guarded-copy")).st_mode, StatOf(acl).st_mode);
    EXPECT_EQ(Attribute(t.Path("guarded-copy"), "system.posix_acl_access"), value);
    EXPECT_EQ(Attribute(t.Path("guarded-copy"), "user.note"), "kept");
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
                "toOriginal@original"});
        t.File("locked", "secret", 0);
        t.Folder("readonly", 0555);
        std::vector<std::string> before = Snapshot(t);
        Ref<FolderItem> from = At(t.Path(f.from));
        Ref<FolderItem> to = At(t.Path(f.to));
        EXPECT_FALSE(f.replace ? to->ReplaceWithCopyOf(from, to->Name()) : from->CopyFileTo(to));
        EXPECT_EQ((f.replace ? to : from)->LastErrorCode(), f.error);
        EXPECT_EQ(Snapshot(t), before);
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
                       Describe(folder->TrueItem(i), t.Path()) + " -> " +
                       Describe(folder->Item(i), t.Path()));
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
    Ref<FolderItem> folder = At(t.Path());
    ASSERT_EQ(folder->Count(), 7);
    t.File("0");  // after the count: the indices still to be read do not shift
    std::vector<std::string> listed;
    for (int32_t i = 1; i <= 7; ++i) listed.push_back(folder->TrueItem(i)->Name());
    EXPECT_EQ(listed, sorted);
}

TEST(FolderItem, DeletingALinkRemovesTheListedLinkAndNeverWhatItPointsTo) {
    TempFolder t;
    t.Make({"original=data", "alias@original"});
    Ref<FolderItem> folder = At(t.Path());
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
