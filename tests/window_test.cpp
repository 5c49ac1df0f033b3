// Windows: the default and cancel keys, painting now, a handler failing under a modal
// window, controls left behind.

#include <gtest/gtest.h>

#include <QWidget>

#include <string>
#include <vector>

#include "kit/user.h"
#include "platform/graphics.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

// A dialog whose buttons record their pushes.
class Keys : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Keys, Window>("Keys.Keys"); }

    std::vector<std::string> fPushed;

    void Button(const std::string& name, bool isDefault, bool isCancel) {
        Ref<PushButton> button = TestWindows::AddControl<PushButton>(
            Self(this), name, {{"Default", isDefault}, {"Cancel", isCancel}});
        InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([this, name] {
            fPushed.push_back(name);
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

TEST(Window, RefreshNowPaintsBeforeItReturns) {
    const Ref<Keys> window = Construct<Keys>();
    const Ref<Canvas> canvas = AddControl<Canvas>(window, "Canvas1");
    int paints = 0;
    InstallInstanceEventHandler(canvas, "Paint", Delegate(std::function<void(Graphics&)>(
        [&](Graphics&) { ++paints; })));
    window->Show();
    User::WaitUntil([&] { return paints > 0; });
    const int shown = paints;
    canvas->Refresh(true);
    EXPECT_EQ(paints, shown + 1) << "the control";
    window->Refresh(true);
    EXPECT_EQ(paints, shown + 2) << "the window";
}

// A dialog of its own class, so that it is its class's implicit instance.
class Failing : public Keys {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Failing, Keys>("Failing.Failing"); }
};

TEST(Window, AHandlersExceptionUnderAModalWindowEndsTheWaitAndPassesOutOfIt) {
    Ref<Failing> dialog = Construct<Failing>();
    TestWindows::AddControl<PushButton>(dialog, "BtnFail");
    InstallInstanceEventHandler(RuntimeWindowControlByName(dialog, "BtnFail"), "Action",
                                Delegate(std::function<void()>([] { throw RuntimeException("failed"); })));
    dialog->Button("BtnClose", false, true);
    User::WhenShown("Failing.Failing", [](const Ref<Window>& w) { User::Push(w, "BtnFail"); });
    // Left up, the window would ignore its own buttons: it is then hidden from outside, and
    // the exception never comes out.
    const User::ActionHandle stuck = User::WhenShown("Failing.Failing", [](const Ref<Window>& w) {
        User::Push(w, "BtnClose");
        w->Hide();
    });
    EXPECT_THROW(dialog->ShowModal(), RuntimeException);
    EXPECT_FALSE(stuck->Done);
    User::Reset();
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
    EXPECT_THROW(bar->Window()->Show(), NilObjectException);  // what the program may catch
}

}  // namespace
