// Windows and controls: the default and cancel keys, painting now, a handler failing under a
// modal window or outside one, controls left behind, the progress bar. Message boxes:
// buttons, icon and the keys' answers from the flags; the text's line breaks.

#include <utility>

#include "kit/programkit.h"
#include "platform/graphics.h"
#include "platform/msgbox.h"
#include "platform/scheduler_p.h"
#include "windows/makecontrol.h"

namespace {

// Construct makes a window of class W from its record and runs its Constructor.
template <class W>
Ref<W> Construct() {
    Ref<W> window = NewObject(W::Class()).template Cast<W>();
    window->Constructor();
    return window;
}

// NewControl makes a control as the program's windows make theirs, and gives it back.
template <class C>
Ref<C> NewControl(const Ref<Window>& window, const std::string& name, const LayoutRecord& record = {}) {
    MakeControl<C>(window, name, record);
    return RuntimeWindowControlByName(window, name).template Cast<C>();
}

// A dialog whose buttons record their pushes, then run their action.
class Keys : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Keys, Window>("Keys.Keys"); }

    std::vector<std::string> fPushed;

    Ref<PushButton> Button(const std::string& name, bool isDefault, bool isCancel,
                           std::function<void()> action = [] {}) {
        Ref<PushButton> button =
            NewControl<PushButton>(Self(this), name, {{"Default", isDefault}, {"Cancel", isCancel}});
        InstallInstanceEventHandler(button, "Action", Delegate(std::function<void()>([this, name, action] {
            fPushed.push_back(name);
            action();
        })));
        return button;
    }
};

// With no default button, Return does nothing: the progress window's test has that case.
TEST(Window, ReturnAndEscapeReachTheDefaultAndCancelButtonsWhereverTheFocusIs) {
    Ref<Keys> dialog = Construct<Keys>();
    dialog->Button("BtnOK", true, false);
    dialog->Button("BtnCancel", false, true);
    NewControl<CheckBox>(dialog, "ChkRecursive");
    dialog->Show();
    for (const char* focus : {"BtnOK", "BtnCancel", "ChkRecursive"}) {
        RuntimeWindowControlByName(dialog, focus)->Widget()->setFocus();
        User::PressKey(dialog, User::Key::Return);
        User::PressKey(dialog, User::Key::Escape);
    }
    EXPECT_EQ(dialog->fPushed,
              Lines({"BtnOK", "BtnCancel", "BtnOK", "BtnCancel", "BtnOK", "BtnCancel"}));
}

TEST(Window, RefreshNowPaintsBeforeItReturns) {
    const Ref<Keys> window = Construct<Keys>();
    const Ref<Canvas> canvas = NewControl<Canvas>(window, "Canvas1");
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
    dialog->Button("BtnFail", false, false, [] { throw RuntimeException("failed"); });
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
    // Outside a modal window, the exception is kept for the event loop instead of crossing Qt,
    // and given once.
    EXPECT_NO_THROW(User::Push(dialog, "BtnFail"));
    EXPECT_THROW(Scheduler::RethrowDispatched(), RuntimeException);
    EXPECT_NO_THROW(Scheduler::RethrowDispatched());
}

// The bar shows a value past its maximum at the maximum, and the value once the maximum allows
// it; it outlives its window safely.
TEST(ProgressBar, KeepsAValuePastItsMaximumAndOutlivesItsWindowSafely) {
    Construct<Keys>();  // the class's implicit instance, which lives on, if it has none yet
    Ref<ProgressBar> bar;
    {
        const Ref<Keys> window = Construct<Keys>();
        bar = NewControl<ProgressBar>(window, "PrgItem", {{"Maximum", 7}});
        auto* shown = static_cast<QProgressBar*>(bar->Widget());
        bar->SetValue(9);
        EXPECT_EQ(std::pair(shown->value(), shown->maximum()), std::pair(7, 7));
        bar->SetMaximum(20);
        EXPECT_EQ(std::pair(shown->value(), shown->maximum()), std::pair(9, 20));
    }
    EXPECT_FALSE(bar->Window());
    EXPECT_THROW(bar->SetValue(3), RuntimeException);
    EXPECT_THROW(bar->Window()->Show(), NilObjectException);  // what the program may catch
}

TEST(MsgBox, FlagsGiveTheButtonsIconAndKeysAndEachLineBreakShowsOnce) {
    const struct {
        int32_t flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        int32_t onReturn, onEscape;
    } cases[] = {
        {0, QMessageBox::Ok, QMessageBox::NoIcon, kMsgBoxResultOK, kMsgBoxResultOK},
        // The confirmation: only a click on OK may start the run, never a key.
        {305, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, kMsgBoxResultCancel,
         kMsgBoxResultCancel},
    };
    // Each line break shows once, whether CR, LF or CRLF; nothing is taken for markup.
    const std::string text = "Replace in\r\"/tmp/a b\"?\r\rFirst\nSecond\r\nThird <b>bold</b>";
    for (const auto& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
        EXPECT_EQ(MsgBox(text, c.flags, ""), kMsgBoxResultOK);
        EXPECT_EQ(box->ShownText, "Replace in\n\"/tmp/a b\"?\n\nFirst\nSecond\nThird <b>bold</b>");
        EXPECT_EQ(box->Buttons, c.buttons);
        EXPECT_EQ(box->Icon, c.icon);
        for (auto [key, result] : {std::pair(User::Key::Return, c.onReturn),
                                   std::pair(User::Key::Escape, c.onEscape)}) {
            User::AnswerNextMessageBox(key);
            // Should the key leave the box up, a click on OK ends it and fails the case.
            auto click = User::AnswerNextMessageBox(kMsgBoxResultOK);
            EXPECT_EQ(MsgBox("Text", c.flags, ""), result);
            EXPECT_FALSE(click->Answered);
            User::Reset();
        }
    }
}

}  // namespace
