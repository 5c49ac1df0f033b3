// The logo accessor: nothing while the file cannot be had, looked for again at each call,
// then loaded once and kept; both windows drawing it, and a run and the options dialog that
// go on without it.

#include <QImage>

#include "app/app.h"
#include "kit/programkit.h"
#include "platform/folderitem.h"
#include "windows/logo.h"
#include "windows/wndoptions.h"

namespace {

// ExpectCanvas checks every pixel of a window's logo canvas: the logo's own at the same
// place, or the canvas's background where the logo is pure white or absent.
void ExpectCanvas(const Ref<Window>& window, const QImage& logo) {
    const Ref<Control> canvas = RuntimeWindowControlByName(window, "Canvas1");
    const QImage drawn = canvas->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = canvas->Widget()->palette().color(QPalette::Window).rgb();
    const QRgb white = qRgb(255, 255, 255);
    int wrong = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb own = logo.valid(x, y) ? logo.pixel(x, y) : white;
            wrong += drawn.pixel(x, y) != (own == white ? background : own);
        }
    EXPECT_EQ(wrong, 0) << "pixels of " << window->Title();
}

// RunThenOptions makes a run over a folder with one alias, then opens the options dialog,
// and checks that both windows' canvases show logo (a null image: nothing).
void RunThenOptions(const QImage& logo) {
    TempFolder t;
    t.Make({"f=data", "drop/", "drop/l@../f"});
    Clock::UseManualClock();
    const Ref<class App> app = New<class App>();
    RuntimeRegisterAppObject(app);
    app->WendleAliases(GetTrueFolderItem(t.Path("drop")), false, false);
    EXPECT_EQ(Tree(t, "drop"), Lines{"f=data"});
    ExpectCanvas(WndProgress(), logo);
    ResetRuntimeForTesting();  // the run's quit, which would cancel the dialog as it shows
    // The run made the shared picture transparent; the dialog must do so on its own.
    if (const Ref<Picture> picture = calvenorlogo3d()) picture->SetTransparent(0);
    const auto shown = User::WhenShown("WndOptions.WndOptions", [&](const Ref<Window>& w) {
        ExpectCanvas(w, logo);
        User::Push(w, "BtnOK");
    });
    bool recurse = false;
    bool keepAliasNames = false;
    EXPECT_FALSE(WndOptions()->GetOptions(recurse, keepAliasNames));
    EXPECT_TRUE(shown->Done);
    User::Reset();
    ResetRuntimeForTesting();
}

// One test, in order: the cache is the process's, so nothing may load the logo before.
TEST(Logo, MissingThenLoadedOnceKeptAndDrawnByBothWindows) {
    TempFolder bundle;
    const std::string logoFile = "Resources/calvenor-logo-3d.png";
    const std::string shipped =
        bundle.Read(GetApplicationBundleResources()->Child("calvenor-logo-3d.png")->AbsolutePath());
    bundle.Folder("bin");
    SetExecutablePathForTesting(bundle.Path("bin/quorbit"));

    // No resource folder, a resource folder without the file, a pipe (which must not block
    // the reading), a file that is no picture.
    EXPECT_FALSE(calvenorlogo3d());
    bundle.Folder("Resources");
    EXPECT_FALSE(calvenorlogo3d());
    bundle.Make({logoFile + "|"});
    EXPECT_FALSE(calvenorlogo3d());
    std::filesystem::remove(bundle.Path(logoFile));
    bundle.File(logoFile, "not a picture");
    EXPECT_FALSE(calvenorlogo3d());
    RunThenOptions(QImage());

    // A file that turns up is loaded by the next call, and kept after it is gone.
    std::filesystem::remove(bundle.Path(logoFile));
    bundle.File(logoFile, shipped);
    const Ref<Picture> loaded = calvenorlogo3d();
    ASSERT_TRUE(loaded);
    std::filesystem::remove(bundle.Path(logoFile));
    EXPECT_EQ(calvenorlogo3d().Get(), loaded.Get());
    SetExecutablePathForTesting("");

    ReleaseFrameworkGlobals();  // both windows made afresh, as in a process that has the logo
    RunThenOptions(QImage::fromData(QByteArray::fromStdString(shipped)));
}

}  // namespace
