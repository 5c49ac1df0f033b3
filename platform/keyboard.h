#pragma once

// The keyboard as the program asks it.

namespace Keyboard {

// AsyncOptionKey is true when Alt (the Option key) is held at the moment of the call, or
// when the launch asked for it with --with-options (the desktop entry's options action).
bool AsyncOptionKey();

// HoldOptionKey makes AsyncOptionKey report the key as held (or not) whatever the
// hardware says; the launch option and the tests use it.
void HoldOptionKey(bool held);

}  // namespace Keyboard
