// The file copy on real folders: what a good copy keeps, and that every refused or failed
// copy leaves the folders exactly as they were. Each test runs both ways a copy can be made
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

std::string LinkTarget(const std::string& path) {
    char buffer[4096];
    ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string("<not a link>") : std::string(buffer, static_cast<size_t>(n));
}

// Snapshot describes every entry below root: its kind and its content or link target, so
// two snapshots are equal exactly when nothing was added, removed or changed.
void Describe(const std::string& path, const std::string& shown, std::vector<std::string>& out) {
    struct stat info = StatOf(path);
    std::string line = shown + " mode " + std::to_string(info.st_mode) + " ";
    if (S_ISLNK(info.st_mode)) {
        line += "-> " + LinkTarget(path);
    } else if (S_ISREG(info.st_mode)) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
            line += "= " + TempFolder().Read(path) + " mtime " + std::to_string(info.st_mtime);
        }
    }
    out.push_back(line);
    if (S_ISDIR(info.st_mode) && access(path.c_str(), R_OK | X_OK) == 0) {
        for (const std::string& name : TempFolder().Entries(path))
            Describe(path + "/" + name, shown + "/" + name, out);
    }
}

std::vector<std::string> Snapshot(const TempFolder& t) {
    std::vector<std::string> out;
    Describe(t.Root(), ".", out);
    return out;
}

bool RunningAsRoot() { return geteuid() == 0; }

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
    struct Case {
        mode_t mode, expected;
    };
    std::string content("binary\0data\n", 12);
    for (int i = 0; i < 1000; ++i) content += std::to_string(i);
    int n = 0;
    for (const Case& c : std::vector<Case>{{04755, 0755}, {02750, 0750}, {0600, 0600}, {0444, 0444}}) {
        std::string name = "original" + std::to_string(n++);
        t.File(name, content, c.mode);
        SetModificationTime(t.Path(name), 1000000000, 123456789);
        ASSERT_TRUE(At(t.Path(name))->CopyFileTo(At(t.Path("to/" + name))));

        struct stat copy = StatOf(t.Path("to/" + name));
        EXPECT_TRUE(S_ISREG(copy.st_mode));
        EXPECT_EQ(copy.st_mode & 07777, c.expected) << std::oct << c.mode;
        EXPECT_EQ(copy.st_mtim.tv_sec, 1000000000);
        EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);
        EXPECT_NE(copy.st_ino, StatOf(t.Path(name)).st_ino);
        EXPECT_EQ(t.Read("to/" + name), content);
        EXPECT_EQ(t.Mode(name), c.mode);  // the original is left as it was
    }
    // Beside its original, and an empty file; nothing else appears anywhere.
    t.File("to/empty", "", 0640);
    ASSERT_TRUE(At(t.Path("original0"))->CopyFileTo(At(t.Path("copy"))));
    ASSERT_TRUE(At(t.Path("to/empty"))->CopyFileTo(At(t.Path("to/empty copy"))));
    EXPECT_EQ(t.Read("copy"), content);
    EXPECT_EQ(t.Read("to/empty copy"), "");
    EXPECT_EQ(t.Mode("to/empty copy"), 0640u);
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"copy", "original0", "original1",
                                                      "original2", "original3", "to"}));
    EXPECT_EQ(t.Entries("to"), (std::vector<std::string>{"empty", "empty copy", "original0",
                                                          "original1", "original2", "original3"}));
}

TEST_P(FileCopy, RefusalsLeaveEverythingAsItWas) {
    struct Refusal {
        const char* what;
        std::function<void(TempFolder&)> extraSetup;
        const char* source;
        const char* destination;
        int error;
        bool needsNonRoot = false;
    };
    const std::vector<Refusal> refusals = {
        {"taken name", {}, "original", "other", EEXIST},
        {"the original itself", {}, "original", "original", EEXIST},
        {"link to a file", [](TempFolder& t) { t.Link("link", "other"); }, "original", "link", EEXIST},
        {"dangling link", [](TempFolder& t) { t.Link("link", "nowhere"); }, "original", "link", EEXIST},
        {"link to a folder", [](TempFolder& t) { t.Link("link", "sub"); }, "original", "link", EEXIST},
        {"FIFO source", [](TempFolder& t) { t.Fifo("fifo"); }, "fifo", "copy", EINVAL},
        {"folder source", {}, "sub", "copy", EISDIR},
        {"link source", [](TempFolder& t) { t.Link("link", "original"); }, "link", "copy", ELOOP},
        {"missing source", {}, "missing", "copy", ENOENT},
        {"missing folder", {}, "original", "nofolder/copy", ENOENT},
        {"file as folder", {}, "original", "other/copy", ENOTDIR},
        // Reading the process's memory at address 0 fails, for root as well: a copy begun
        // and failed midway.
        {"read fails midway", {}, "/proc/self/mem", "copy", EIO},
        {"unreadable source", [](TempFolder& t) { chmod(t.Path("original").c_str(), 0); },
         "original", "copy", EACCES, true},
        {"read-only folder", [](TempFolder& t) { chmod(t.Path("sub").c_str(), 0555); },
         "original", "sub/copy", EACCES, true},
    };
    for (const Refusal& refusal : refusals) {
        if (refusal.needsNonRoot && RunningAsRoot()) continue;  // root reads and writes anything
        TempFolder t;
        t.File("original", "the original");
        t.File("other", "another file");
        t.Folder("sub");
        t.File("sub/inside", "inside");
        if (refusal.extraSetup) refusal.extraSetup(t);
        std::vector<std::string> before = Snapshot(t);

        Ref<FolderItem> source = At(t.Path(refusal.source));
        EXPECT_FALSE(source->CopyFileTo(At(t.Path(refusal.destination)))) << refusal.what;
        EXPECT_EQ(source->LastErrorCode(), refusal.error) << refusal.what;
        EXPECT_EQ(Snapshot(t), before) << refusal.what;
    }
}

TEST_P(FileCopy, DataTheFileSizeDoesNotShowIsCopied) {
    // The kernel's own files report size 0 and still hold data.
    TempFolder t;
    ASSERT_TRUE(At("/proc/self/mountinfo")->CopyFileTo(At(t.Path("mountinfo"))));
    EXPECT_FALSE(t.Read("mountinfo").empty());
}

TEST_P(FileCopy, AcrossFileSystems) {
    struct stat shm {};
    TempFolder t;
    if (stat("/dev/shm", &shm) != 0 || access("/dev/shm", W_OK) != 0 ||
        shm.st_dev == StatOf(t.Root()).st_dev)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    std::string content(300000, 'x');
    for (size_t i = 0; i < content.size(); i += 7) content[i] = static_cast<char>(i);
    t.File("original", content, 0700);
    std::string copy = "/dev/shm/quorbit-copy-" + std::to_string(getpid());
    ASSERT_TRUE(At(t.Path("original"))->CopyFileTo(At(copy)));
    EXPECT_EQ(t.Read(copy), content);
    EXPECT_EQ(t.Mode(copy), 0700u);
    unlink(copy.c_str());
}

TEST_P(FileCopy, ReplaceWithCopyOfPutsACopyWhereTheLinkWas) {
    TempFolder t;
    t.Folder("links");
    t.File("original", "original data", 04750);
    SetModificationTime(t.Path("original"), 1234567890, 5);
    t.Link("links/alias", "../original");
    struct stat before = StatOf(t.Path("original"));

    Ref<FolderItem> alias = At(t.Path("links/alias"));
    ASSERT_TRUE(alias->ReplaceWithCopyOf(At(t.Path("original"))));
    EXPECT_FALSE(t.IsLink("links/alias"));
    EXPECT_EQ(t.Read("links/alias"), "original data");
    EXPECT_EQ(t.Mode("links/alias"), 0750u);
    EXPECT_EQ(StatOf(t.Path("links/alias")).st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(t.Entries("links"), std::vector<std::string>{"alias"});  // no temporary left

    struct stat after = StatOf(t.Path("original"));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 1u);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(t.Read("original"), "original data");
}

TEST_P(FileCopy, ReplaceWithCopyOfLeavesTheLinkWhenItCannot) {
    struct Failure {
        const char* what;
        const char* original;
        int error;
        bool needsNonRoot = false;
    };
    for (const Failure& failure : std::vector<Failure>{{"FIFO", "fifo", EINVAL},
                                                       {"folder", "sub", EISDIR},
                                                       {"missing", "missing", ENOENT},
                                                       {"link", "alias", ELOOP},
                                                       {"read fails", "/proc/self/mem", EIO},
                                                       {"unreadable", "locked", EACCES, true}}) {
        if (failure.needsNonRoot && RunningAsRoot()) continue;
        TempFolder t;
        t.Fifo("fifo");
        t.Folder("sub");
        t.File("locked", "secret", 0);
        t.Link("alias", failure.original);
        std::vector<std::string> before = Snapshot(t);

        Ref<FolderItem> alias = At(t.Path("alias"));
        EXPECT_FALSE(alias->ReplaceWithCopyOf(At(t.Path(failure.original)))) << failure.what;
        EXPECT_EQ(alias->LastErrorCode(), failure.error) << failure.what;
        EXPECT_EQ(Snapshot(t), before) << failure.what;
    }
}

TEST_P(FileCopy, ReplaceWithCopyOfNeverReplacesWhatIsNotALink) {
    TempFolder t;
    t.File("original", "new");
    t.File("plain", "keep me");
    t.Folder("folder");
    std::vector<std::string> before = Snapshot(t);
    for (const char* name : {"plain", "folder"}) {
        Ref<FolderItem> item = At(t.Path(name));
        EXPECT_FALSE(item->ReplaceWithCopyOf(At(t.Path("original")))) << name;
        EXPECT_EQ(item->LastErrorCode(), EINVAL) << name;
    }
    EXPECT_EQ(Snapshot(t), before);
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
    // A big copy waits on a helper thread, so the main thread keeps its turns meanwhile.
    EXPECT_GT(turnsDuringCopy, 0);
    ASSERT_TRUE(copied);
    std::string copy = t.Read("copy");
    ASSERT_EQ(copy.size(), static_cast<size_t>(kSize));
    EXPECT_EQ(copy, t.Read("big"));
}

}  // namespace
