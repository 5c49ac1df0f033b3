// The options dialog as the user meets it: made once, hidden; Return and Escape cancel;
// OK reports the ticks, which stay for the next call; and it works without its logo.

#include <gtest/gtest.h>

#include <QImage>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/controls.h"
#include "platform/folderitem.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/window.h"
#include "windows/logo.h"
#include "windows/wndoptions.h"

namespace {

const char* const kDialog = "WndOptions.WndOptions";

struct Outcome {
    bool canceled;
    bool recurse;
    bool keepAliasNames;
    bool userActed;
};

// Ask calls GetOptions with the caller's two values while the user does steps in the dialog.
// Should the steps leave the dialog up, the user then presses OK, so the call still returns.
Outcome Ask(bool recurse, bool keepAliasNames, std::function<void(const Ref<Window>&)> steps) {
    const User::ActionHandle acted = User::WhenShown(kDialog, std::move(steps));
    User::PushWhenShown(kDialog, "BtnOK");
    const bool canceled = WndOptions()->GetOptions(recurse, keepAliasNames);
    User::Reset();
    return {canceled, recurse, keepAliasNames, acted->Done};
}

bool Ticked(const Ref<Window>& dialog, const std::string& name) {
    return RuntimeWindowControlByName(dialog, name).Cast<CheckBox>()->Value();
}

class WndOptionsTest : public ::testing::Test {
protected:
    void TearDown() override { User::Reset(); }
};

// First in this file: the dialog is made once per process.
TEST_F(WndOptionsTest, IsMadeOnceHiddenAndOpensOnceOnTheSharedLogo) {
    ASSERT_FALSE(GetImplicitWindow(kDialog));
    const Ref<Picture> logo = calvenorlogo3d();
    ASSERT_TRUE(logo);
    logo->SetTransparent(0);

    const Ref<class WndOptions> dialog = WndOptions();
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(logo->Transparent(), 1);
    EXPECT_EQ(WndOptions(), dialog);

    // Showing it again neither makes nor opens it anew.
    logo->SetTransparent(0);
    const Outcome shown = Ask(false, false, [](const Ref<Window>& w) { User::Push(w, "BtnOK"); });
    EXPECT_TRUE(shown.userActed);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(WndOptions(), dialog);
    EXPECT_EQ(logo->Transparent(), 0);
    logo->SetTransparent(1);
}

TEST_F(WndOptionsTest, ReturnAndEscapeCancelAndLeaveTheCallersValues) {
    const Outcome byReturn = Ask(true, false, [](const Ref<Window>& w) {
        User::SetCheckBox(w, "ChkRecursive", false);
        User::SetCheckBox(w, "ChkKeepAliasNames", true);
        User::PressKey(w, User::Key::Return);
    });
    EXPECT_TRUE(byReturn.userActed);
    EXPECT_TRUE(byReturn.canceled);
    EXPECT_TRUE(byReturn.recurse);
    EXPECT_FALSE(byReturn.keepAliasNames);

    bool keptTicks = false;
    const Outcome byEscape = Ask(true, true, [&](const Ref<Window>& w) {
        keptTicks = !Ticked(w, "ChkRecursive") && Ticked(w, "ChkKeepAliasNames");
        User::SetCheckBox(w, "ChkRecursive", true);
        User::PressKey(w, User::Key::Escape);
    });
    EXPECT_TRUE(byEscape.userActed);
    EXPECT_TRUE(keptTicks);
    EXPECT_TRUE(byEscape.canceled);
    EXPECT_TRUE(byEscape.recurse);
    EXPECT_TRUE(byEscape.keepAliasNames);
    EXPECT_FALSE(WndOptions()->Visible());
}

TEST_F(WndOptionsTest, OkWritesBothTicksWhichStayForTheNextCall) {
    const Outcome keepOnly = Ask(true, false, [](const Ref<Window>& w) {
        User::SetCheckBox(w, "ChkRecursive", false);
        User::SetCheckBox(w, "ChkKeepAliasNames", true);
        User::Push(w, "BtnOK");
    });
    EXPECT_TRUE(keepOnly.userActed);
    EXPECT_FALSE(keepOnly.canceled);
    EXPECT_FALSE(keepOnly.recurse);
    EXPECT_TRUE(keepOnly.keepAliasNames);

    // A cancelled call in between does not make the next OK a cancel.
    Ask(false, false, [](const Ref<Window>& w) { User::Push(w, "BtnCancel"); });
    const Outcome untouched = Ask(true, false, [](const Ref<Window>& w) { User::Push(w, "BtnOK"); });
    EXPECT_FALSE(untouched.canceled);
    EXPECT_FALSE(untouched.recurse);
    EXPECT_TRUE(untouched.keepAliasNames);

    const Outcome neither = Ask(true, true, [](const Ref<Window>& w) {
        User::SetCheckBox(w, "ChkKeepAliasNames", false);
        User::Push(w, "BtnOK");
    });
    EXPECT_FALSE(neither.canceled);
    EXPECT_FALSE(neither.recurse);
    EXPECT_FALSE(neither.keepAliasNames);
}

TEST_F(WndOptionsTest, CanvasShowsTheLogo) {
    QImage canvas;
    Ask(false, false, [&](const Ref<Window>& w) {
        canvas = User::Grab(RuntimeWindowControlByName(w, "Canvas1"));
        User::Push(w, "BtnCancel");
    });
    ASSERT_FALSE(canvas.isNull());
    const QRgb corner = canvas.pixel(0, 0);
    bool drawn = false;
    for (int y = 0; y < canvas.height() && !drawn; ++y)
        for (int x = 0; x < canvas.width() && !drawn; ++x) drawn = canvas.pixel(x, y) != corner;
    EXPECT_TRUE(drawn);
}

// Without its logo file the dialog still opens, paints and answers. It runs in a child
// process, whose logo cache has never seen the file.
bool AnswersWithoutLogo() {
    TempFolder bundle;
    bundle.Folder("bin");
    SetExecutablePathForTesting(bundle.Path("bin/quorbit"));
    bool painted = false;
    User::WhenShown(kDialog, [&](const Ref<Window>& w) {
        painted = !User::Grab(RuntimeWindowControlByName(w, "Canvas1")).isNull();
        User::SetCheckBox(w, "ChkRecursive", true);
        User::Push(w, "BtnOK");
    });
    bool recurse = false;
    bool keepAliasNames = false;
    const bool canceled = WndOptions()->GetOptions(recurse, keepAliasNames);
    return !calvenorlogo3d() && painted && !canceled && recurse && !keepAliasNames;
}

TEST(WndOptionsWithoutLogo, OpensAndAnswers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(30);
            const bool answered = AnswersWithoutLogo();
            ReleaseFrameworkGlobals();
            RuntimeExit();
            std::exit(answered ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
