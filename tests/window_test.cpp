// Windows: the implicit instance, construction, layout records, keys, modality.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <string>
#include <vector>

#include "kit/testwindow.h"
#include "kit/user.h"
#include "platform/controls.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace {

using TestWindows::AddControl;
using TestWindows::Construct;

// A window that records its construction: hooks in order, Open raised, what its controls saw.
class Recording : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Recording, Window>("Recording.Recording"); }

    std::vector<std::string> fSteps;
    int fWidthWhenControlsMade = 0;

protected:
    void Layout() override {
        fSteps.push_back("Layout");
        SetProperties(*this, {{"Width", 477}, {"Height", 225}, {"Frame", 1}, {"Title", "Replacing..."},
                              {"Visible", false}, {"CloseButton", false}, {"Resizeable", false},
                              {"Placement", 0}, {"Composite", false}, {"MacProcID", 0},
                              {"MenuBarVisible", true}, {"LiveResize", false}});
    }
    void CreateControls() override {
        fSteps.push_back("CreateControls");
        fWidthWhenControlsMade = Widget()->width();
        TestWindows::AddControl<ProgressBar>(Self(this), "PrgItem", {{"Left", 19}, {"Top", 153}, {"Maximum", 100}});
    }
    void Event_Open() override {
        fSteps.push_back("Open");
        // Open comes before the window is registered, so the accessor cannot see it yet.
        if (GetImplicitWindow("Recording.Recording")) fSteps.push_back("registered too early");
    }
};

Ref<Recording> RecordingWindow() {
    if (Ref<Window> known = GetImplicitWindow("Recording.Recording")) return known.Cast<Recording>();
    return Construct<Recording>();
}

TEST(Window, ImplicitInstanceIsMadeOnceAndStaysHidden) {
    Ref<Recording> window = RecordingWindow();
    EXPECT_EQ(window->fSteps, (std::vector<std::string>{"Layout", "CreateControls", "Open"}));
    EXPECT_EQ(window->fWidthWhenControlsMade, 477);
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(window->Title(), "Replacing...");

    EXPECT_EQ(RecordingWindow(), window);
    EXPECT_EQ(window->fSteps.size(), 3u);
    EXPECT_EQ(GetImplicitWindow("Recording.Recording"), window);
    EXPECT_FALSE(GetImplicitWindow("Nothing.Nothing"));

    // Showing and hiding keep the window and its controls.
    window->Show();
    EXPECT_TRUE(window->Visible());
    window->Hide();
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(RecordingWindow(), window);
    EXPECT_TRUE(RuntimeWindowControlByName(window, "PrgItem"));

    EXPECT_THROW(window->Constructor(), RuntimeException);
}

class Plain : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Plain, Window>("Plain.Plain"); }
};

TEST(Window, ARecordThatSaysVisibleShowsTheWindowOnceConstructed) {
    class Shown : public Window {
    public:
        static const ClassRecord& Class() { return RegisterClassOf<Shown, Window>("Shown.Shown"); }
        bool fVisibleAtOpen = true;

    protected:
        void Layout() override { SetProperties(*this, {{"Visible", true}}); }
        void Event_Open() override { fVisibleAtOpen = Visible(); }
    };
    Ref<Shown> window = Construct<Shown>();
    EXPECT_FALSE(window->fVisibleAtOpen);
    EXPECT_TRUE(window->Visible());
    window->Hide();
}

TEST(Window, ConstructionNeedsAWindowMadeFromItsRecord) {
    EXPECT_THROW(New<Plain>()->Constructor(), RuntimeException);
}

TEST(Window, RecordIsAppliedInOrderAndUnknownNamesAreReported) {
    Ref<Plain> window = Construct<Plain>();
    SetProperties(window, {{"Title", "first"}, {"Width", 100}, {"Title", "second"}, {"Width", 240},
                           {"Height", 130}});
    EXPECT_EQ(window->Title(), "second");
    EXPECT_EQ(window->Widget()->size(), QSize(240, 130));

    try {
        SetProperties(window, {{"Title", "third"}, {"Colour", 3}, {"Title", "never"}});
        FAIL() << "an unknown property was accepted";
    } catch (const RuntimeException& error) {
        EXPECT_NE(std::string(error.what()).find("Colour"), std::string::npos) << error.what();
    }
    EXPECT_EQ(window->Title(), "third");  // the entries before it were applied, none after

    EXPECT_THROW(SetProperties(window, {{"Width", "wide"}}), RuntimeException);
    EXPECT_NO_THROW(SetProperties(window, {{"Width", int64_t{1} << 40}, {"Height", -5}}));
}

TEST(Window, DialogFrameHasNoBoxesAndCannotBeClosedOrResizedByTheUser) {
    Ref<Plain> window = Construct<Plain>();
    SetProperties(window, {{"Width", 300}, {"Height", 200}, {"Frame", 1}, {"CloseButton", false},
                           {"Resizeable", false}, {"MinimizeButton", false}, {"MaximizeButton", false}});
    QWidget* widget = window->Widget();
    Qt::WindowFlags flags = widget->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(widget->minimumSize(), QSize(300, 200));
    EXPECT_EQ(widget->maximumSize(), QSize(300, 200));

    window->Show();
    ASSERT_TRUE(widget->windowHandle());
    widget->windowHandle()->close();  // what the window system sends for its close box
    EXPECT_TRUE(window->Visible());
    window->Hide();
    EXPECT_FALSE(window->Visible());
}

// A dialog with the key buttons the program's dialogs have.
class Keys : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Keys, Window>("Keys.Keys"); }

    std::vector<std::string> fPushed;

    Ref<PushButton> Button(const std::string& name, bool isDefault, bool isCancel) {
        Ref<PushButton> button = TestWindows::AddControl<PushButton>(Self(this), name,
            {{"Caption", name}, {"Default", isDefault}, {"Cancel", isCancel}});
        InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([this, name] {
            fPushed.push_back(name);
        })));
        return button;
    }
};

TEST(Window, ReturnAndEscapeReachTheDefaultAndCancelButtons) {
    {
        Ref<Keys> dialog = Construct<Keys>();
        dialog->Button("BtnCancel", true, true);  // one button is both, as in the options dialog
        Ref<PushButton> ok = dialog->Button("BtnOK", false, false);
        AddControl<CheckBox>(dialog, "ChkRecursive");
        dialog->Show();

        User::PressKey(dialog, User::Key::Return);
        User::PressKey(dialog, User::Key::Escape);
        ok->Widget()->setFocus();  // Return is for the default button wherever the focus is
        User::PressKey(dialog, User::Key::Return);
        RuntimeWindowControlByName(dialog, "ChkRecursive")->Widget()->setFocus();
        User::PressKey(dialog, User::Key::Escape);
        EXPECT_EQ(dialog->fPushed, (std::vector<std::string>{"BtnCancel", "BtnCancel", "BtnCancel", "BtnCancel"}));
        dialog->Hide();
    }
    {
        Ref<Keys> dialog = Construct<Keys>();
        dialog->Button("BtnCancel", false, true);
        Ref<PushButton> ok = dialog->Button("BtnOK", true, false);
        dialog->Show();
        User::PressKey(dialog, User::Key::Return);
        User::PressKey(dialog, User::Key::Escape);
        SetProperties(ok, {{"Enabled", false}});
        User::PressKey(dialog, User::Key::Return);  // a disabled default button does nothing
        EXPECT_EQ(dialog->fPushed, (std::vector<std::string>{"BtnOK", "BtnCancel"}));
        dialog->Hide();
    }
    {
        Ref<Keys> dialog = Construct<Keys>();
        dialog->Button("BtnOK", false, false);
        dialog->Show();
        User::PressKey(dialog, User::Key::Return);
        User::PressKey(dialog, User::Key::Escape);
        EXPECT_TRUE(dialog->fPushed.empty());
        dialog->Hide();
    }
}

// A modal dialog whose OK button hides it.
class Modal : public Keys {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Modal, Keys>("Modal.Modal"); }

protected:
    void CreateControls() override {
        Button("BtnOK", true, false);
        InstallInstanceEventHandler(RuntimeWindowControlByName(Self(this), "BtnOK"), "Action",
                                    CreateDelegate(this, &Modal::BtnOK_Action));
    }

private:
    void BtnOK_Action() { Hide(); }
};

Ref<Modal> ModalDialog() {
    if (Ref<Window> known = GetImplicitWindow("Modal.Modal")) return known.Cast<Modal>();
    return Construct<Modal>();
}

TEST(Window, ShowModalReturnsOnceAHandlerHidesTheWindow) {
    Ref<Modal> dialog = ModalDialog();
    bool modalWhileShown = false;
    auto pushed = User::WhenShown("Modal.Modal", [&](const Ref<Window>& w) {
        modalWhileShown = QApplication::activeModalWidget() == w->Widget();
        User::Push(w, "BtnOK");
    });
    dialog->ShowModal();
    EXPECT_TRUE(pushed->Done);
    EXPECT_TRUE(modalWhileShown);
    EXPECT_FALSE(dialog->Visible());

    // Shown again without ShowModal, it no longer blocks the others.
    dialog->Show();
    EXPECT_EQ(dialog->Widget()->windowModality(), Qt::NonModal);
    // ShowModal on a window already on screen makes it modal.
    User::PressKeyWhenShown("Modal.Modal", User::Key::Return);
    dialog->ShowModal();
    EXPECT_FALSE(dialog->Visible());
}

// Counter counts its turns until told to stop; it may hide a window after some turns.
class Counter : public Thread {
public:
    int fTurns = 0;
    bool fStop = false;
    int fHideAfter = -1;
    Ref<Window> fWindow;

protected:
    void Event_Run() override {
        while (!fStop) {
            ++fTurns;
            if (fTurns == fHideAfter && fWindow) fWindow->Hide();
            Yield();
        }
    }
};

TEST(Window, ThreadsKeepRunningWhileAModalWindowWaits) {
    Ref<Modal> dialog = ModalDialog();
    auto counter = New<Counter>();
    counter->fHideAfter = 50;
    counter->fWindow = dialog;
    counter->Run();
    // Should the threads not run, the dialog still ends, and the check below fails.
    QTimer::singleShot(3000, dialog->Widget(), [&] { dialog->Hide(); });
    dialog->ShowModal();
    EXPECT_GE(counter->fTurns, 50);
    counter->fStop = true;
    EXPECT_TRUE(User::WaitUntil([&] { return counter->State() == Thread::kNotRunning; }, 2000));
    counter->fWindow = nullptr;
}

// Modal runs ShowModal (or Show) on its own thread, as the worker does with its window.
class ModalOnThread : public Thread {
public:
    Ref<Window> fWindow;
    bool fModal = true;
    bool fReturned = false;
    bool fVisibleAfterShow = false;

protected:
    void Event_Run() override {
        if (fModal) {
            fWindow->ShowModal();
        } else {
            fWindow->Show();
            fVisibleAfterShow = fWindow->Visible();
            fWindow->Hide();
        }
        fReturned = true;
    }
};

TEST(Window, ShowAndShowModalOnAThreadYieldInsteadOfBlocking) {
    Ref<Modal> dialog = ModalDialog();
    auto thread = New<ModalOnThread>();
    thread->fWindow = dialog;
    auto pushed = User::PushWhenShown("Modal.Modal", "BtnOK");
    thread->Run();
    EXPECT_TRUE(User::WaitUntil([&] { return thread->State() == Thread::kNotRunning; }, 3000));
    EXPECT_TRUE(pushed->Done);
    EXPECT_TRUE(thread->fReturned);
    EXPECT_FALSE(dialog->Visible());

    auto shower = New<ModalOnThread>();
    shower->fWindow = dialog;
    shower->fModal = false;
    shower->Run();
    EXPECT_TRUE(User::WaitUntil([&] { return shower->State() == Thread::kNotRunning; }, 3000));
    EXPECT_TRUE(shower->fVisibleAfterShow);
    EXPECT_FALSE(dialog->Visible());
    thread->fWindow = shower->fWindow = nullptr;
    User::Reset();
}

TEST(Window, ControlsAreFoundByNameAndBelongToTheirWindow) {
    Ref<Plain> window = Construct<Plain>();
    Ref<Plain> other = Construct<Plain>();
    Ref<CheckBox> box = AddControl<CheckBox>(window, "ChkRecursive");
    EXPECT_EQ(RuntimeWindowControlByName(window, "ChkRecursive"), Ref<Control>(box));
    EXPECT_FALSE(RuntimeWindowControlByName(window, "ChkKeepAliasNames"));
    EXPECT_FALSE(RuntimeWindowControlByName(other, "ChkRecursive"));
    EXPECT_EQ(box->Window(), Ref<Window>(window));
    EXPECT_EQ(box->Widget()->parentWidget(), window->Widget());

    EXPECT_THROW(other->AddControl("Stolen", box), RuntimeException);
    EXPECT_THROW(window->New(Window::Class()), RuntimeException);
    EXPECT_THROW(RuntimeWindowControlByName(nullptr, "ChkRecursive"), NilObjectException);
}

TEST(Window, TabOrderFollowsTabIndex) {
    Ref<Plain> window = Construct<Plain>();
    auto third = AddControl<PushButton>(window, "Third", {{"TabIndex", 3}});
    auto first = AddControl<CheckBox>(window, "First", {{"TabIndex", 1}});
    auto second = AddControl<PushButton>(window, "Second", {{"TabIndex", 2}});
    AddControl<PushButton>(window, "NoStop", {{"TabIndex", 0}, {"TabStop", false}});
    window->Show();
    // Tab goes round: from the first, through the controls that take it, back to the first.
    std::vector<QWidget*> cycle{first->Widget()};
    for (QWidget* w = first->Widget()->nextInFocusChain(); w != first->Widget(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) cycle.push_back(w);
    EXPECT_EQ(cycle, (std::vector<QWidget*>{first->Widget(), second->Widget(), third->Widget()}));
    window->Hide();
}

TEST(Window, ControlsOutliveTheirWindowSafely) {
    Ref<Plain> implicit = Construct<Plain>();  // the class's registered instance, if it has none yet
    Ref<ProgressBar> bar;
    {
        Ref<Plain> window = Construct<Plain>();
        bar = AddControl<ProgressBar>(window, "PrgItem");
    }
    EXPECT_FALSE(bar->Window());
    EXPECT_EQ(bar->Widget(), nullptr);
    EXPECT_THROW(bar->SetValue(3), RuntimeException);
    EXPECT_THROW(bar->Refresh(true), RuntimeException);
}

}  // namespace
