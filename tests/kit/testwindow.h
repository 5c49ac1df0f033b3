#pragma once

// Helpers for tests that build windows by hand, the way the program's windows build
// themselves: a window from its class record, controls made through it.

#include <string>

#include "platform/controls.h"
#include "platform/layout.h"
#include "platform/runtime.h"
#include "platform/window.h"

namespace TestWindows {

// Construct makes a window of class W from its record and runs its Constructor.
template <class W>
Ref<W> Construct() {
    Ref<W> window = NewObject(W::Class()).template Cast<W>();
    window->Constructor();
    return window;
}

// AddControl makes a control of class C on window, adds it under name and applies record.
template <class C>
Ref<C> AddControl(const Ref<Window>& window, const std::string& name, const LayoutRecord& record = {}) {
    Ref<C> control = window->New(C::Class()).template Cast<C>();
    control->Constructor();
    window->AddControl(name, control);
    SetProperties(control, record);
    return control;
}

}  // namespace TestWindows
