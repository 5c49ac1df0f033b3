// The options dialog as the user meets it: made once and hidden; Return, Escape and Cancel
// cancel and leave the caller's values; OK writes the ticks, which stay for the next call.
// The progress window's keys.

#include "app/app.h"
#include "kit/programkit.h"
#include "windows/wndoptions.h"

namespace {

// Ask calls GetOptions with the caller's values while the user, in the dialog, leaves the
// boxes ticked as given ("10": recurse only; null: as found) and ends with finish: "OK",
// "Cancel", "Return" or "Escape". Should that leave the dialog up, the user then presses
// OK, so the call still returns. It tells what the user found in the boxes, whether the
// call was cancelled, and the two values after it: "00 canceled 10".
std::string Ask(bool recurse, bool keepAliasNames, const char* ticks, const std::string& finish) {
    std::string seen;
    User::WhenShown("WndOptions.WndOptions", [&](const Ref<Window>& w) {
        for (const char* box : {"ChkRecursive", "ChkKeepAliasNames"}) {
            seen += RuntimeWindowControlByName(w, box).Cast<CheckBox>()->Value() ? '1' : '0';
            if (ticks) User::SetCheckBox(w, box, ticks[seen.size() - 1] == '1');
        }
        if (finish == "Return" || finish == "Escape")
            User::PressKey(w, finish == "Return" ? User::Key::Return : User::Key::Escape);
        else
            User::Push(w, "Btn" + finish);
    });
    User::WhenShown("WndOptions.WndOptions", [](const Ref<Window>& w) { User::Push(w, "BtnOK"); });
    const bool canceled = WndOptions()->GetOptions(recurse, keepAliasNames);
    User::Reset();
    return seen + (canceled ? " canceled " : " ok ") + (recurse ? "1" : "0") +
           (keepAliasNames ? "1" : "0");
}

// The calls share the one dialog of the process, which the first call finds unticked.
TEST(WndOptions, CallsInTurnKeepTheTicksAndOnlyOkWritesThem) {
    struct Call {
        bool recurse, keepAliasNames;  // the caller's values
        const char* ticks;
        const char* finish;
        const char* expected;
    };
    const Call calls[] = {
        {true, false, "01", "OK", "00 ok 01"},
        {false, false, "11", "Return", "01 canceled 00"},
        {true, true, "00", "Escape", "11 canceled 11"},
        {true, false, "10", "Cancel", "00 canceled 10"},
        {false, true, nullptr, "OK", "10 ok 10"},
        {true, true, "00", "OK", "10 ok 00"},
    };
    const Ref<class WndOptions> dialog = WndOptions();
    for (const Call& call : calls) {
        SCOPED_TRACE(std::string(call.finish) + " after " + (call.ticks ? call.ticks : "none"));
        EXPECT_EQ(Ask(call.recurse, call.keepAliasNames, call.ticks, call.finish), call.expected);
        EXPECT_FALSE(dialog->Visible());
        EXPECT_EQ(WndOptions(), dialog);
    }
}

// Escape stops the run as Cancel does; Return, with no default button, does nothing.
TEST(Progress, EscapeAndCancelStopTheRunAndReturnDoesNot) {
    class Counting : public App {
    public:
        void Interrupt() override { ++interrupts; }
        int interrupts = 0;
    };
    const Ref<Counting> app = New<Counting>();
    RuntimeRegisterAppObject(app);
    WndProgress()->Show();
    User::PressKey(WndProgress(), User::Key::Return);
    EXPECT_EQ(app->interrupts, 0);
    User::PressKey(WndProgress(), User::Key::Escape);
    EXPECT_EQ(app->interrupts, 1);
    User::Push(WndProgress(), "BtnCancel");
    EXPECT_EQ(app->interrupts, 2);
    EXPECT_TRUE(WndProgress()->Visible()) << "only the worker hides it";
    ResetRuntimeForTesting();
}

}  // namespace
