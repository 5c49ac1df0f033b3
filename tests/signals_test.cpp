// A second termination signal ends the process at once, with no temporary of a copy under
// way left behind. (The first signal's road is the program's: startup_test and end to end.)

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filecopy_p.h"
#include "platform/folderitem.h"
#include "platform/signals_p.h"
#include "platform/thread.h"

namespace {

// The folder the dying child copies in, named after the test's own process.
std::string FolderOf(pid_t test) {
    return (std::filesystem::temp_directory_path() / ("quorbit-signals-" + std::to_string(test))).string();
}

class BigCopy : public Thread {
protected:
    void Event_Run() override {
        const std::string folder = FolderOf(getppid());
        New<FolderItem>(folder + "/big")->CopyFileTo(New<FolderItem>(folder + "/copy"));
    }
};

[[noreturn]] void CopyAndSignalTwice() {
    alarm(30);
    const std::string folder = FolderOf(getppid());
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/big") << std::string((9 << 20) + 1, 'b');
    FileCopyPrivate::SetAnonymousFilesForTesting(false);
    SignalsPrivate::Install();
    const Ref<BigCopy> copy = New<BigCopy>();
    copy->Run();
    // Its first turn ends in the wait for the data, with the temporary made and unpublished.
    while (copy->State() == Thread::kRunning) Yield();
    if (copy->State() == Thread::kWaiting) std::fprintf(stderr, "copy under way\n");
    kill(getpid(), SIGTERM);
    kill(getpid(), SIGTERM);
    SignalsPrivate::HandleReceived();
    std::exit(0);
}

TEST(Signals, ASecondSignalEndsTheProcessAtOnceAndRemovesTheCopysTemporary) {
    EXPECT_EXIT(CopyAndSignalTwice(), ::testing::KilledBySignal(SIGTERM), "^copy under way\n$");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(getpid())))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"big"});
    std::filesystem::remove_all(FolderOf(getpid()));
}

}  // namespace
