#pragma once

// The one step each window's CreateControls0 repeats for every control it holds.

#include <string>

#include "platform/layout.h"
#include "platform/window.h"

// MakeControl makes a control of kind Kind on window under name, then applies its record to
// the control found again by that name.
template <class Kind>
void MakeControl(const Ref<Window>& window, const std::string& name, const LayoutRecord& record) {
    const Ref<Kind> control = window->New(Kind::Class()).template Cast<Kind>();
    control->Constructor();
    window->AddControl(name, control);
    SetProperties(RuntimeWindowControlByName(window, name).template Cast<Kind>(), record);
}
