#pragma once

// What the tests of the program's own code share: a fresh runtime on the manual clock, a
// timer that runs a probe, a worker run to its end, a folder tree as one comparable list,
// and the usage message's text.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/folderitem.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "worker/copyaliasthread.h"

using Lines = std::vector<std::string>;

inline const std::string kUsageText =
    "Drag/drop a folder icon onto this application's icon to replace all alias files inside "
    "the folder with their original.\n"
    "To see a dialog with options, press and hold the <Option> or <Alt> key while you release "
    "the mouse button as you drop the folder onto the Quorbit icon.\n"
    "\n"
    "Copyright \xC2\xA9 2008-2009 Calvenor\n"
    "Consult http://www.calvenor.com/quorbit.html for more info.";

// ManualClockTest starts each test on a fresh runtime and the manual clock, and leaves
// neither the clock nor a scripted answer behind.
class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        Clock::UseManualClock();
    }
    void TearDown() override {
        User::Reset();
        ResetRuntimeForTesting();
    }
};

// ProbeTimer runs a test's probe once, milliseconds from now on the platform clock.
class ProbeTimer : public Timer {
public:
    explicit ProbeTimer(std::function<void()> action) : fAction(std::move(action)) {}
    static Ref<ProbeTimer> At(int32_t milliseconds, std::function<void()> action) {
        Ref<ProbeTimer> timer = New<ProbeTimer>(std::move(action));
        timer->SetMode(kModeSingle);
        timer->SetPeriod(milliseconds);
        return timer;
    }

protected:
    void Event_Action() override { fAction(); }

private:
    std::function<void()> fAction;
};

// NewWorker makes a worker over the folder at path ("" gives it none) with the two options.
inline Ref<CCopyAliasThread> NewWorker(const std::string& path, bool recurse = false,
                                       bool keepAliasNames = false) {
    Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
    worker->SetFolder(path.empty() ? nullptr : GetTrueFolderItem(path, 0));
    worker->SetRecurse(recurse);
    worker->SetKeepAliasNames(keepAliasNames);
    return worker;
}

// RunToEnd starts worker and keeps the event loop turning until it has ended, giving up
// after 20 real seconds.
inline void RunToEnd(const Ref<CCopyAliasThread>& worker) {
    worker->Run();
    const Ref<Application> loop = New<Application>();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (worker->State() != Thread::kNotRunning && std::chrono::steady_clock::now() < deadline)
        loop->DoEvents(10);
    ASSERT_EQ(worker->State(), Thread::kNotRunning) << "the worker did not end";
}

// Tree lists what stands in folder, depth first and sorted: "name@" for a link, "name/" for a
// folder followed by its own entries as "name/...", "name=content" for a file.
inline Lines Tree(const TempFolder& t, const std::string& folder, const std::string& shown = "") {
    Lines lines;
    for (const std::string& name : t.Entries(folder)) {
        const std::string path = folder + "/" + name;
        if (t.IsLink(path)) {
            lines.push_back(shown + name + "@");
        } else if (std::filesystem::is_directory(t.Path(path))) {
            lines.push_back(shown + name + "/");
            for (std::string& line : Tree(t, path, shown + name + "/")) lines.push_back(line);
        } else {
            lines.push_back(shown + name + "=" + t.Read(path));
        }
    }
    return lines;
}
