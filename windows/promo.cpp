#include "windows/promo.h"

#include "windows/logo.h"

namespace {

// Seven lines, each ended by a carriage return, the last one too.
const char* const kPromoText =
    "Quorbit\r"
    "Copyright \u00a9 2008-2009 Calvenor\r"
    "\r"
    "Quorbit is free software, brought to you by Calvenor.\r"
    "Updates, help and more free utilities:\r"
    "\r"
    "http://www.calvenor.com/quorbit.html\r";

}  // namespace

const LayoutRecord kLblPromoRecord = {
    {"Left", 127},
    {"Top", 11},
    {"Width", 330},
    {"Height", 130},
    {"LockLeft", true},
    {"LockTop", true},
    {"LockRight", true},
    {"LockBottom", false},
    {"TabIndex", 3},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Text", kPromoText},
    {"TextAlign", 0},
    {"TextColor", Color{0x000000}},
    {"Multiline", true},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
    {"DataSource", ""},
    {"DataField", ""},
};

void PaintLogo(Graphics& g) {
    g.DrawPicture(calvenorlogo3d(), 0, 0, Graphics::kOwnSize, Graphics::kOwnSize, 0, 0,
                  Graphics::kOwnSize, Graphics::kOwnSize);
}
