// The file copy on real folders: what a good copy keeps, and that every refused or failed
// copy leaves the folders exactly as they were. The tests run both ways a copy is made
// before it is published: as an anonymous file and under a hidden temporary name.

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/filecopy_p.h"
#include "platform/folderitem.h"
#include "platform/thread.h"

namespace {

Ref<FolderItem> At(const std::string& path) { return New<FolderItem>(path); }

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

void SetModificationTime(const std::string& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Snapshot describes every entry below t's root: its kind and its content or link target,
// so two snapshots are equal exactly when nothing was added, removed or changed.
void Describe(const TempFolder& t, const std::string& path, std::vector<std::string>& out) {
    struct stat info = StatOf(path);
    std::string line = path + " mode " + std::to_string(info.st_mode);
    char target[4096];
    if (ssize_t n = readlink(path.c_str(), target, sizeof target); n >= 0)
        line += " -> " + std::string(target, static_cast<size_t>(n));
    else if (S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0)
        line += " = " + t.Read(path) + " mtime " + std::to_string(info.st_mtime);
    out.push_back(line);
    if (S_ISDIR(info.st_mode) && access(path.c_str(), R_OK | X_OK) == 0)
        for (const std::string& name : t.Entries(path)) Describe(t, path + "/" + name, out);
}

std::vector<std::string> Snapshot(const TempFolder& t) {
    std::vector<std::string> out;
    Describe(t, t.Root(), out);
    return out;
}

// Fixture holds one of everything a copy can meet.
void MakeFixture(const TempFolder& t) {
    t.File("original", "the original");
    t.File("other", "another file");
    t.Folder("sub");
    t.File("sub/inside", "inside");
    t.Fifo("fifo");
    t.Link("toOther", "other");
    t.Link("dangling", "nowhere");
    t.Link("toSub", "sub");
    t.Link("toOriginal", "original");
    t.File("locked", "secret", 0);
    t.Folder("readonly", 0555);
}

class FileCopy : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { FileCopyPrivate::SetAnonymousFilesForTesting(GetParam()); }
    void TearDown() override { FileCopyPrivate::SetAnonymousFilesForTesting(true); }
};

INSTANTIATE_TEST_SUITE_P(BothWays, FileCopy, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Anonymous" : "Named"; });

TEST_P(FileCopy, KeepsContentPermissionsAndModificationTime) {
    TempFolder t;
    t.Folder("to");
    std::string content("binary\0data\n", 12);
    for (int i = 0; i < 1000; ++i) content += std::to_string(i);
    struct Case {
        std::string name;
        mode_t mode, expected;
    };
    for (const auto& [name, mode, expected] :
         std::vector<Case>{{"setuid", 04755, 0755}, {"readonly", 0444, 0444}}) {
        t.File(name, content, mode);
        SetModificationTime(t.Path(name), 1000000000, 123456789);
        ASSERT_TRUE(At(t.Path(name))->CopyFileTo(At(t.Path("to/" + name))));
        struct stat copy = StatOf(t.Path("to/" + name));
        EXPECT_TRUE(S_ISREG(copy.st_mode));
        EXPECT_EQ(copy.st_mode & 07777, expected) << "setuid and setgid are dropped";
        EXPECT_EQ(copy.st_mtim.tv_sec, 1000000000);
        EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);
        EXPECT_EQ(t.Read("to/" + name), content);
        EXPECT_EQ(t.Mode(name), mode);
    }
    // The kernel's own files report size 0 and still hold data.
    ASSERT_TRUE(At("/proc/self/mountinfo")->CopyFileTo(At(t.Path("mountinfo"))));
    EXPECT_FALSE(t.Read("mountinfo").empty());
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"mountinfo", "readonly", "setuid", "to"}));
    EXPECT_EQ(t.Entries("to"), (std::vector<std::string>{"readonly", "setuid"}));
}

TEST_P(FileCopy, RefusalsLeaveEverythingAsItWas) {
    struct Refusal {
        const char* source;
        const char* destination;
        int error;
        bool asRootToo = true;  // root may read and write anything
    };
    for (const Refusal& r : std::vector<Refusal>{{"original", "other", EEXIST},
                                                 {"original", "original", EEXIST},
                                                 {"original", "toOther", EEXIST},
                                                 {"original", "dangling", EEXIST},
                                                 {"original", "toSub", EEXIST},
                                                 {"fifo", "copy", EINVAL},
                                                 {"sub", "copy", EISDIR},
                                                 {"toOriginal", "copy", ELOOP},
                                                 {"missing", "copy", ENOENT},
                                                 {"original", "missing/copy", ENOENT},
                                                 {"original", "other/copy", ENOTDIR},
                                                 // Fails midway, for root as well.
                                                 {"/proc/self/mem", "copy", EIO},
                                                 {"locked", "copy", EACCES, false},
                                                 {"original", "readonly/copy", EACCES, false}}) {
        if (!r.asRootToo && geteuid() == 0) continue;
        TempFolder t;
        MakeFixture(t);
        std::vector<std::string> before = Snapshot(t);
        Ref<FolderItem> source = At(t.Path(r.source));
        EXPECT_FALSE(source->CopyFileTo(At(t.Path(r.destination)))) << r.source << " to " << r.destination;
        EXPECT_EQ(source->LastErrorCode(), r.error) << r.source << " to " << r.destination;
        EXPECT_EQ(Snapshot(t), before) << r.source << " to " << r.destination;
    }
}

TEST_P(FileCopy, AcrossFileSystems) {
    TempFolder t;
    struct stat shm {};
    if (stat("/dev/shm", &shm) != 0 || access("/dev/shm", W_OK) != 0 ||
        shm.st_dev == StatOf(t.Root()).st_dev)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    std::string content(300000, 'x');
    for (size_t i = 0; i < content.size(); i += 7) content[i] = static_cast<char>(i);
    t.File("original", content, 0700);
    std::string copy = "/dev/shm/quorbit-copy-" + std::to_string(getpid());
    ASSERT_TRUE(At(t.Path("original"))->CopyFileTo(At(copy)));
    EXPECT_EQ(t.Read(copy), content);
    unlink(copy.c_str());
}

TEST_P(FileCopy, ReplaceWithCopyOfPutsACopyWhereTheLinkWas) {
    TempFolder t;
    t.Folder("links");
    t.File("original", "original data", 04750);
    SetModificationTime(t.Path("original"), 1234567890, 5);
    t.Link("links/alias", "../original");
    struct stat before = StatOf(t.Path("original"));

    ASSERT_TRUE(At(t.Path("links/alias"))->ReplaceWithCopyOf(At(t.Path("original"))));
    EXPECT_FALSE(t.IsLink("links/alias"));
    EXPECT_EQ(t.Read("links/alias"), "original data");
    EXPECT_EQ(t.Mode("links/alias"), 0750u);
    EXPECT_EQ(StatOf(t.Path("links/alias")).st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(t.Entries("links"), std::vector<std::string>{"alias"});
    // The original is untouched: the same file, mode and data, and nothing linked to it.
    struct stat after = StatOf(t.Path("original"));
    EXPECT_TRUE(after.st_ino == before.st_ino && after.st_nlink == 1 && after.st_mode == before.st_mode);
    EXPECT_EQ(t.Read("original"), "original data");
}

TEST_P(FileCopy, ReplaceWithCopyOfLeavesEverythingAsItWasWhenItCannot) {
    struct Failure {
        const char* item;
        const char* original;
        int error;
        bool asRootToo = true;
    };
    for (const Failure& f : std::vector<Failure>{{"toOriginal", "fifo", EINVAL},
                                                 {"toOriginal", "sub", EISDIR},
                                                 {"toOriginal", "missing", ENOENT},
                                                 {"toOriginal", "toOther", ELOOP},
                                                 {"toOriginal", "/proc/self/mem", EIO},
                                                 {"toOriginal", "locked", EACCES, false},
                                                 {"other", "original", EINVAL},  // not a link
                                                 {"sub", "original", EINVAL}}) {
        if (!f.asRootToo && geteuid() == 0) continue;
        TempFolder t;
        MakeFixture(t);
        std::vector<std::string> before = Snapshot(t);
        Ref<FolderItem> item = At(t.Path(f.item));
        EXPECT_FALSE(item->ReplaceWithCopyOf(At(t.Path(f.original)))) << f.item << " " << f.original;
        EXPECT_EQ(item->LastErrorCode(), f.error) << f.item << " " << f.original;
        EXPECT_EQ(Snapshot(t), before) << f.item << " " << f.original;
    }
}

// A thread that runs one piece of work.
class WorkThread : public Thread {
public:
    explicit WorkThread(std::function<void()> work) : fWork(std::move(work)) {}

protected:
    void Event_Run() override { fWork(); }

private:
    std::function<void()> fWork;
};

TEST(FileCopyLarge, ABigFileIsCopiedWholeWhileTheMainThreadGoesOn) {
    TempFolder t;
    constexpr off_t kSize = off_t{20} << 20;  // sparse: cheap to make, whole to copy
    std::string path = t.File("big", "head");
    {
        int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, kSize), 0);
        ASSERT_EQ(pwrite(fd, "middle", 6, kSize / 2 + 1), 6);
        ASSERT_EQ(pwrite(fd, "tail", 4, kSize - 4), 4);
        close(fd);
    }
    bool copying = false;
    bool copied = false;
    auto worker = New<WorkThread>([&] {
        copying = true;
        copied = At(path)->CopyFileTo(At(t.Path("copy")));
        copying = false;
    });
    worker->Run();
    int turnsDuringCopy = 0;
    ASSERT_TRUE(User::WaitUntil([&] {
        turnsDuringCopy += copying;
        return worker->State() == Thread::kNotRunning;
    }, 20000));
    EXPECT_GT(turnsDuringCopy, 0) << "a big copy waits on a helper thread, not on the main one";
    ASSERT_TRUE(copied);
    EXPECT_EQ(t.Read("copy"), t.Read("big"));
}

}  // namespace
