// Windows: the default and cancel keys, modality, controls left behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "kit/user.h"
#include "platform/thread.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

// A dialog whose buttons record their pushes, and may hide it.
class Keys : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Keys, Window>("Keys.Keys"); }

    std::vector<std::string> fPushed;
    bool fHideOnPush = false;

    void Button(const std::string& name, bool isDefault, bool isCancel) {
        Ref<PushButton> button = TestWindows::AddControl<PushButton>(
            Self(this), name, {{"Default", isDefault}, {"Cancel", isCancel}});
        InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([this, name] {
            fPushed.push_back(name);
            if (fHideOnPush) Hide();
        })));
    }
};

TEST(Window, ReturnAndEscapeReachTheDefaultAndCancelButtonsWhereverTheFocusIs) {
    const std::string ok = "BtnOK", cancel = "BtnCancel";
    const struct {
        bool okIsDefault;
        std::vector<std::string> pushed;  // Return then Escape, with the focus on each control in turn
    } cases[] = {
        {true, {ok, cancel, ok, cancel, ok, cancel}},
        {false, {cancel, cancel, cancel}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.okIsDefault ? "OK is the default" : "no default");
        Ref<Keys> dialog = Construct<Keys>();
        dialog->Button(ok, c.okIsDefault, false);
        dialog->Button(cancel, false, true);
        AddControl<CheckBox>(dialog, "ChkRecursive");
        dialog->Show();
        for (const std::string& focus : {ok, cancel, std::string("ChkRecursive")}) {
            RuntimeWindowControlByName(dialog, focus)->Widget()->setFocus();
            User::PressKey(dialog, User::Key::Return);
            User::PressKey(dialog, User::Key::Escape);
        }
        EXPECT_EQ(dialog->fPushed, c.pushed);
        dialog->Hide();
    }
}

// Pusher pushes the modal dialog's OK button from its own turn.
class Pusher : public Thread {
public:
    Ref<Window> fDialog;
    bool fModalAtPush = false;

protected:
    void Event_Run() override {
        fModalAtPush = QApplication::activeModalWidget() == fDialog->Widget();
        User::Push(std::exchange(fDialog, nullptr), "BtnOK");
    }
};

TEST(Window, ShowModalGivesTheThreadsTheirTurnsAndReturnsOnceAHandlerHidesTheWindow) {
    Ref<Keys> dialog = Construct<Keys>();
    dialog->Button("BtnOK", true, false);
    dialog->fHideOnPush = true;
    auto pusher = New<Pusher>();
    pusher->fDialog = dialog;
    pusher->Run();
    // Should the thread never run, the wait still ends, and the checks below fail.
    QTimer::singleShot(3000, dialog->Widget(), [&] { dialog->Hide(); });
    dialog->ShowModal();
    EXPECT_TRUE(pusher->fModalAtPush);
    EXPECT_EQ(dialog->fPushed, std::vector<std::string>{"BtnOK"});
}

TEST(Window, ControlsOutliveTheirWindowSafely) {
    Construct<Keys>();  // the class's implicit instance, which lives on, if it has none yet
    Ref<ProgressBar> bar;
    {
        Ref<Keys> window = Construct<Keys>();
        bar = AddControl<ProgressBar>(window, "PrgItem");
    }
    EXPECT_FALSE(bar->Window());
    EXPECT_THROW(bar->SetValue(3), RuntimeException);
}

}  // namespace
