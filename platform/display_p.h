#pragma once

// Whether the window system Qt is about to start on can be reached; not for the program.

#include <string>

namespace DisplayPrivate {

// Missing names what keeps the windows from being shown ("DISPLAY is not set"), or is
// empty when a display answers or the platform Qt was told to use needs none. A display on
// another host is taken on trust.
std::string Missing();

}  // namespace DisplayPrivate
