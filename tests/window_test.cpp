// Windows: the implicit instance, layout records, the default and cancel keys, modality.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "kit/testwindow.h"
#include "kit/user.h"
#include "platform/thread.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

// A window that records its construction hooks in order.
class Recording : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Recording, Window>("Recording.Recording"); }

    std::vector<std::string> fSteps;

protected:
    void Layout() override {
        fSteps.push_back("Layout");
        SetProperties(*this, {{"Title", "Replacing..."}, {"Visible", false}, {"MacProcID", 0}, {"Composite", false}});
    }
    void CreateControls() override { fSteps.push_back("CreateControls"); }
    void Event_Open() override { fSteps.push_back("Open"); }
};

Ref<Recording> RecordingWindow() {
    if (Ref<Window> known = GetImplicitWindow("Recording.Recording")) return known.Cast<Recording>();
    return Construct<Recording>();
}

TEST(Window, ImplicitInstanceIsMadeOnceAndStaysHidden) {
    Ref<Recording> window = RecordingWindow();
    EXPECT_EQ(RecordingWindow(), window);
    EXPECT_EQ(window->fSteps, (std::vector<std::string>{"Layout", "CreateControls", "Open"}));
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(window->Title(), "Replacing...");
    EXPECT_THROW(window->Constructor(), RuntimeException);
}

// A dialog whose buttons record their pushes, and may hide it.
class Keys : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Keys, Window>("Keys.Keys"); }

    std::vector<std::string> fPushed;
    bool fHideOnPush = false;

    void Button(const std::string& name, bool isDefault, bool isCancel, bool enabled) {
        Ref<PushButton> button = TestWindows::AddControl<PushButton>(Self(this), name,
            {{"Default", isDefault}, {"Cancel", isCancel}, {"Enabled", enabled}});
        InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([this, name] {
            fPushed.push_back(name);
            if (fHideOnPush) Hide();
        })));
    }
};

TEST(Window, RecordIsAppliedInOrderAndUnknownNamesAreReported) {
    Ref<Keys> window = Construct<Keys>();
    try {
        SetProperties(window, {{"Title", "first"}, {"Title", "second"}, {"Colour", 3}, {"Title", "never"}});
        FAIL() << "an unknown property was accepted";
    } catch (const RuntimeException& error) {
        EXPECT_NE(std::string(error.what()).find("Colour"), std::string::npos) << error.what();
    }
    EXPECT_EQ(window->Title(), "second");  // the entries before it were applied, none after
    EXPECT_NO_THROW(SetProperties(window, {{"Width", int64_t{1} << 40}, {"Height", -5}}));
}

TEST(Window, ReturnAndEscapeReachTheDefaultAndCancelButtonsWhereverTheFocusIs) {
    struct Case {
        const char* what;
        bool okDefault, okEnabled, cancelDefault, cancelCancel;
        std::vector<std::string> pushed;  // Return then Escape, with the focus on each control in turn
    };
    const std::string ok = "BtnOK", cancel = "BtnCancel";
    const Case cases[] = {
        {"one button both", false, true, true, true, {cancel, cancel, cancel, cancel, cancel, cancel}},
        {"each its own", true, true, false, true, {ok, cancel, ok, cancel, ok, cancel}},
        {"disabled default", true, false, false, true, {cancel, cancel, cancel}},
        {"neither", false, true, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<Keys> dialog = Construct<Keys>();
        dialog->Button(ok, c.okDefault, false, c.okEnabled);
        dialog->Button(cancel, c.cancelDefault, c.cancelCancel, true);
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
    dialog->Button("BtnOK", true, false, true);
    dialog->fHideOnPush = true;
    auto pusher = New<Pusher>();
    pusher->fDialog = dialog;
    pusher->Run();
    // Should the thread never run, the wait still ends, and the checks below fail.
    QTimer::singleShot(3000, dialog->Widget(), [&] { dialog->Hide(); });
    dialog->ShowModal();
    EXPECT_TRUE(pusher->fModalAtPush);
    EXPECT_EQ(dialog->fPushed, std::vector<std::string>{"BtnOK"});
    EXPECT_FALSE(dialog->Visible());
}

TEST(Window, ControlsOutliveTheirWindowSafely) {
    Construct<Keys>();  // the class's implicit instance, which lives on, if it has none yet
    Ref<ProgressBar> bar;
    {
        Ref<Keys> window = Construct<Keys>();
        bar = AddControl<ProgressBar>(window, "PrgItem");
    }
    EXPECT_FALSE(bar->Window());
    EXPECT_EQ(bar->Widget(), nullptr);
    EXPECT_THROW(bar->SetValue(3), RuntimeException);
    EXPECT_THROW(bar->Refresh(true), RuntimeException);
}

}  // namespace
