#pragma once

// The scripted user: answers message boxes, presses buttons and keys, ticks check boxes,
// and waits, the way a person at the screen would, so tests can drive modal windows and
// message boxes that block the code under test.
//
// Everything here runs on the main thread. Actions that must happen while the code under
// test sits in a modal loop (a message box, ShowModal) are scheduled first and carried
// out by a real-time timer that polls for the box or window; the modal loop runs that
// timer. Every scheduled action gives up after its timeout, so a test never hangs on a
// box that never came: it finds the action not done instead.
//
//   auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
//   int32_t result = MsgBox("Go on?", 305, "");
//   EXPECT_EQ(box->Icon, QMessageBox::Warning);
//
//   auto ok = User::WhenShown("WndOptions.WndOptions", [](const Ref<Window>& w) {
//       User::SetCheckBox(w, "ChkRecursive", true);
//       User::Push(w, "BtnOK");
//   });
//   bool cancelled = WndOptions()->GetOptions(recurse, keep);
//   EXPECT_TRUE(ok->Done);

#include <QMessageBox>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "platform/window.h"

namespace User {

// How long a scheduled action waits for its box or window, in real milliseconds.
inline constexpr int kDefaultTimeoutMs = 5000;

// MessageBoxRecord is what the user saw in a message box; the box's looks are Qt's.
struct MessageBoxRecord {
    bool Answered = false;  // a box came and was answered
    std::string Text;       // exactly as passed to MsgBox
    std::string ShownText;  // as the box shows it, lines joined by "\n"
    int32_t Flags = 0;      // as passed to MsgBox (0 for the one-argument form)
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};
using MessageBoxAnswer = std::shared_ptr<const MessageBoxRecord>;

// The keys the user can press in a window or a message box; Quit is Ctrl+Q, which acts as
// a shortcut does, through the window system's key handling in the window made active.
enum class Key { Return, Escape, Quit };

// AnswerNextMessageBox answers the next message box that appears (after those already
// scheduled, in order) with the button whose result is given (kMsgBoxResultOK...); the
// record is filled when the box is answered. A button the box lacks fails the test, and
// Return is pressed instead.
MessageBoxAnswer AnswerNextMessageBox(int32_t result, int timeoutMs = kDefaultTimeoutMs);

// AnswerNextMessageBox(key) answers it with a key pressed where the box has its focus.
MessageBoxAnswer AnswerNextMessageBox(Key key, int timeoutMs = kDefaultTimeoutMs);

// ActionRecord tells whether a scheduled window action was carried out.
struct ActionRecord { bool Done = false; };
using ActionHandle = std::shared_ptr<const ActionRecord>;

// WhenShown runs steps on the implicit window of that full class name
// ("WndOptions.WndOptions") as soon as it exists and is visible (and, when a modal window
// or box is up, once it is the topmost one).
ActionHandle WhenShown(const std::string& windowClassName, std::function<void(const Ref<Window>&)> steps,
                       int timeoutMs = kDefaultTimeoutMs);

// Push clicks the named push button of the window now; it throws NilObjectException when
// the window has no push button of that name. A disabled button does nothing.
void Push(const Ref<Window>& window, const std::string& buttonName);

// SetCheckBox clicks the named check box if its state is not already ticked; it throws
// NilObjectException when there is no such check box.
void SetCheckBox(const Ref<Window>& window, const std::string& checkBoxName, bool ticked);

// PressKey presses a key in the window now (both keys act on the press): the key goes to
// the window's focused control and on to the window when the control does not take it.
void PressKey(const Ref<Window>& window, Key key);

// WaitUntil processes events and gives the threads their turns until condition is true
// or timeoutMs real milliseconds have passed; it returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kDefaultTimeoutMs);

// Reset drops every scheduled answer and action that has not happened yet and releases
// Alt; call it between tests.
void Reset();

}  // namespace User
