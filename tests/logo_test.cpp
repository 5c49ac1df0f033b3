// The logo accessor: nothing while the file cannot be had, looked for again at each call,
// then loaded once and kept; and a run and the options dialog that go on without it.

#include <cstdio>

#include "app/app.h"
#include "kit/programkit.h"
#include "platform/folderitem.h"
#include "platform/runtime.h"
#include "platform/controls.h"
#include "windows/logo.h"
#include "windows/wndoptions.h"
#include "windows/wndprogress.h"

namespace {

// One test, in order: the cache is the process's, so nothing may load the logo before.
TEST(Logo, MissingThenLoadedOnceAndKept) {
    ResetRuntimeForTesting();
    TempFolder bundle;
    const std::string logoFile = "Resources/calvenor-logo-3d.png";
    const std::string shipped =
        bundle.Read(GetApplicationBundleResources()->Child("calvenor-logo-3d.png")->AbsolutePath());
    bundle.Folder("bin");
    SetExecutablePathForTesting(bundle.Path("bin/quorbit"));

    // No resource folder, a resource folder without the file, a file that is no picture.
    EXPECT_FALSE(calvenorlogo3d());
    bundle.Folder("Resources");
    EXPECT_FALSE(calvenorlogo3d());
    bundle.File(logoFile, "not a picture");
    EXPECT_FALSE(calvenorlogo3d());

    // The options dialog without the logo paints and answers, and a run does its work.
    TempFolder t;
    t.File("f", "data");
    t.Folder("drop");
    t.Link("drop/l", "../f");
    Clock::UseManualClock();
    const Ref<class App> app = New<class App>();
    RuntimeRegisterAppObject(app);
    User::WhenShown("WndOptions.WndOptions", [](const Ref<Window>& w) {
        User::Grab(RuntimeWindowControlByName(w, "Canvas1"));
        User::Push(w, "BtnOK");
    });
    bool recurse = false;
    bool keepAliasNames = false;
    EXPECT_FALSE(WndOptions()->GetOptions(recurse, keepAliasNames));
    app->WendleAliases(GetTrueFolderItem(t.Path("drop")), recurse, keepAliasNames);
    User::Grab(RuntimeWindowControlByName(WndProgress(), "Canvas1"));
    EXPECT_EQ(Tree(t, "drop"), Lines{"f=data"});
    EXPECT_FALSE(calvenorlogo3d());

    // A file that turns up is loaded by the next call, and kept after it is gone.
    std::remove(bundle.Path(logoFile).c_str());
    bundle.File(logoFile, shipped);
    const Ref<Picture> loaded = calvenorlogo3d();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Width(), 100);
    std::remove(bundle.Path(logoFile).c_str());
    EXPECT_EQ(calvenorlogo3d().Get(), loaded.Get());
    SetExecutablePathForTesting("");
    User::Reset();
    ResetRuntimeForTesting();
}

}  // namespace
