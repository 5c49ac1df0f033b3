// The logo accessor: nothing while the file cannot be had, looked for again at each call,
// then loaded once and kept; and a run that goes on without it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "kit/tempfolder.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/folderitem.h"
#include "platform/graphics.h"
#include "platform/testing.h"
#include "windows/logo.h"
#include "windows/wndprogress.h"
#include "worker/copyaliasthread.h"

namespace {

// The logo this build ships, read before the bundle is moved.
std::string ShippedLogo() {
    TempFolder any;
    return any.Read(GetApplicationBundleResources()->Child("calvenor-logo-3d.png")->AbsolutePath());
}

void RunWorkerOn(const std::string& folder) {
    Clock::UseManualClock();
    Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
    worker->SetFolder(GetTrueFolderItem(folder, 0));
    worker->Run();
    const Ref<Application> loop = New<Application>();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (worker->State() != Thread::kNotRunning && std::chrono::steady_clock::now() < deadline)
        loop->DoEvents(10);
    Clock::UseSystemClock();
    EXPECT_EQ(worker->State(), Thread::kNotRunning);
}

// One test, in order: the cache is the process's, so nothing may load the logo before.
TEST(Logo, MissingThenLoadedOnceAndKept) {
    ResetRuntimeForTesting();
    const std::string shipped = ShippedLogo();
    TempFolder bundle;
    bundle.Folder("bin");
    SetExecutablePathForTesting(bundle.Path("bin/quorbit"));

    // No resource folder, a resource folder without the file, a file that is no picture,
    // and an executable whose folders give no resource folder at all.
    EXPECT_FALSE(calvenorlogo3d());
    bundle.Folder("Resources");
    EXPECT_FALSE(calvenorlogo3d());
    bundle.File("Resources/calvenor-logo-3d.png", "not a picture");
    EXPECT_FALSE(calvenorlogo3d());
    SetExecutablePathForTesting("/quorbit");
    EXPECT_FALSE(calvenorlogo3d());
    SetExecutablePathForTesting(bundle.Path("bin/quorbit"));

    // A run without the logo shows its window and does its work.
    TempFolder t;
    t.File("f", "data");
    t.Folder("drop");
    t.Link("drop/l", "../f");
    RunWorkerOn(t.Path("drop"));
    EXPECT_FALSE(t.Exists("drop/l"));
    EXPECT_EQ(t.Read("drop/f"), "data");
    EXPECT_FALSE(WndProgress()->Visible());
    EXPECT_FALSE(calvenorlogo3d());

    // A file that turns up is loaded by the next call, and kept after it is gone.
    std::remove(bundle.Path("Resources/calvenor-logo-3d.png").c_str());
    bundle.File("Resources/calvenor-logo-3d.png", shipped);
    const Ref<Picture> loaded = calvenorlogo3d();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Width(), 100);
    EXPECT_EQ(loaded->Height(), 100);
    std::remove(bundle.Path("Resources/calvenor-logo-3d.png").c_str());
    EXPECT_EQ(calvenorlogo3d().Get(), loaded.Get());

    SetExecutablePathForTesting("");
    EXPECT_EQ(calvenorlogo3d().Get(), loaded.Get());
    ResetRuntimeForTesting();
}

}  // namespace
