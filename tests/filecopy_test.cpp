// The file copy on real folders: what a good copy keeps, and that every refused or failed
// copy leaves the folders exactly as they were. The tests run both ways a copy is made
// before it is published: as an anonymous file and under a hidden temporary name.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

// Snapshot describes every entry below t's root, hidden ones too: its type and mode, and
// its content and time or its link target. Equal snapshots: nothing added, removed or changed.
std::vector<std::string> Snapshot(const TempFolder& t) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.Root())) {
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

// MakeFixture makes one of everything a copy can meet.
void MakeFixture(const TempFolder& t) {
    t.File("original", "the original");
    t.File("other", "another file");
    t.Folder("sub");
    t.Fifo("fifo");
    t.Link("dangling", "nowhere");
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

TEST_P(FileCopy, ACopyKeepsContentModeAndTimeAndTheOriginalIsUntouched) {
    TempFolder t;
    std::string content("binary\0data\n", 12);
    for (int i = 0; i < 1000; ++i) content += std::to_string(i);
    t.File("original", content, 04555);
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.Path("original").c_str(), times, 0), 0);
    struct stat before = StatOf(t.Path("original"));
    t.Folder("links");
    t.Link("links/alias", "../original");
    ASSERT_TRUE(At(t.Path("original"))->CopyFileTo(At(t.Path("copy"))));
    ASSERT_TRUE(At(t.Path("links/alias"))->ReplaceWithCopyOf(At(t.Path("original"))));
    for (const char* copy : {"copy", "links/alias"}) {
        struct stat info = StatOf(t.Path(copy));
        EXPECT_EQ(info.st_mode, S_IFREG | 0555) << copy << ": setuid and setgid are dropped";
        EXPECT_EQ(info.st_mtim.tv_sec, 1000000000) << copy;
        EXPECT_EQ(info.st_mtim.tv_nsec, 123456789) << copy;
        EXPECT_EQ(t.Read(copy), content) << copy;
    }
    struct stat after = StatOf(t.Path("original"));
    EXPECT_TRUE(after.st_ino == before.st_ino && after.st_nlink == 1 &&
                after.st_mode == before.st_mode)
        << "the original is the same file, with its mode, and nothing is linked to it";
    EXPECT_EQ(t.Read("original"), content);
    EXPECT_EQ(t.Entries(), (std::vector<std::string>{"copy", "links", "original"}));
    EXPECT_EQ(t.Entries("links"), std::vector<std::string>{"alias"});
    // The kernel's own files report size 0 and still hold data.
    ASSERT_TRUE(At("/proc/self/mountinfo")->CopyFileTo(At(t.Path("mountinfo"))));
    EXPECT_FALSE(t.Read("mountinfo").empty());
}

TEST_P(FileCopy, ACopyThatCannotBeMadeLeavesEverythingAsItWas) {
    struct Failure {
        bool replace;  // to->ReplaceWithCopyOf(from), else from->CopyFileTo(to)
        const char* from;
        const char* to;
        int error;
        bool asRootToo = true;  // root may read and write anything
    };
    for (const Failure& f : std::vector<Failure>{
             {false, "original", "original", EEXIST},
             {false, "original", "dangling", EEXIST},  // never written through
             {false, "fifo", "copy", EINVAL},
             {false, "sub", "copy", EISDIR},
             {false, "toOriginal", "copy", ELOOP},
             {false, "missing", "copy", ENOENT},
             {false, "original", "missing/copy", ENOENT},
             {false, "original", "other/copy", ENOTDIR},
             {false, "/proc/self/mem", "copy", EIO},  // fails midway, for root as well
             {false, "locked", "copy", EACCES, false},
             {false, "original", "readonly/copy", EACCES, false},
             {true, "fifo", "toOriginal", EINVAL},
             {true, "missing", "toOriginal", ENOENT},
             {true, "/proc/self/mem", "toOriginal", EIO},
             {true, "locked", "toOriginal", EACCES, false},
             {true, "original", "other", EINVAL}}) {  // not a link
        if (!f.asRootToo && geteuid() == 0) continue;
        SCOPED_TRACE(std::string(f.replace ? "replace " : "copy ") + f.from + " to " + f.to);
        TempFolder t;
        MakeFixture(t);
        std::vector<std::string> before = Snapshot(t);
        Ref<FolderItem> from = At(t.Path(f.from));
        Ref<FolderItem> to = At(t.Path(f.to));
        EXPECT_FALSE(f.replace ? to->ReplaceWithCopyOf(from) : from->CopyFileTo(to));
        EXPECT_EQ((f.replace ? to : from)->LastErrorCode(), f.error);
        EXPECT_EQ(Snapshot(t), before);
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
    std::filesystem::resize_file(path, kSize);
    std::ofstream(path, std::ios::app | std::ios::binary) << "tail";
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
