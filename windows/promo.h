#pragma once

// What the progress window and the options dialog show alike: the promotional label's
// record and the logo canvas's painting.

#include "platform/graphics.h"
#include "platform/layout.h"

// The LblPromo record both windows apply.
extern const LayoutRecord kLblPromoRecord;

// PaintLogo draws the logo unscaled from the canvas's top-left corner.
void PaintLogo(Graphics& g);
