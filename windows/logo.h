#pragma once

#include "platform/graphics.h"

// calvenorlogo3d is the logo picture, loaded from the bundle's resources on the first call
// that can read it and shared from then on; nil while it cannot be had.
Ref<Picture> calvenorlogo3d();
