#include "keyboard.h"

#include <QGuiApplication>

namespace {
bool gHeld = false;
}

namespace Keyboard {

bool AsyncOptionKey() {
    if (gHeld) return true;
    if (!QGuiApplication::instance()) return false;
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
}

void HoldOptionKey(bool held) { gHeld = held; }

}  // namespace Keyboard
