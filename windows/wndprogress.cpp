#include "windows/wndprogress.h"

#include <string>

#include "app/app.h"
#include "platform/controls.h"
#include "platform/runtime.h"
#include "windows/makecontrol.h"
#include "windows/promo.h"

namespace {

const LayoutRecord kWindowRecord = {
    {"Placement", 0},
    {"Width", 477},
    {"Height", 225},
    {"MinWidth", 64},
    {"MinHeight", 64},
    {"MaxWidth", 32000},
    {"MaxHeight", 32000},
    {"Frame", 1},
    {"Composite", false},
    {"HasBackColor", false},
    {"BackColor", Color{0xFFFFFF}},
    {"Title", "Replacing aliases..."},
    {"Visible", false},
    {"FullScreen", false},
    {"MenuBarVisible", true},
    {"CloseButton", false},
    {"Resizeable", false},
    {"LiveResize", false},
    {"MaximizeButton", false},
    {"MinimizeButton", false},
    {"MacProcID", 0},
};

const LayoutRecord kPrgItemRecord = {
    {"Left", 19},
    {"Top", 153},
    {"Width", 437},
    {"Height", 20},
    {"LockLeft", true},
    {"LockTop", true},
    {"LockRight", true},
    {"LockBottom", false},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Value", 0},
    {"Maximum", 100},
};

const LayoutRecord kBtnCancelRecord = {
    {"Left", 376},
    {"Top", 185},
    {"Width", 80},
    {"Height", 20},
    {"LockLeft", false},
    {"LockTop", false},
    {"LockRight", true},
    {"LockBottom", true},
    {"TabIndex", 1},
    {"TabStop", true},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Caption", "Cancel"},
    {"Default", false},
    {"Cancel", true},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
};

const LayoutRecord kCanvas1Record = {
    {"Left", 19},
    {"Top", 20},
    {"Width", 100},
    {"Height", 100},
    {"LockLeft", false},
    {"LockTop", false},
    {"LockRight", false},
    {"LockBottom", false},
    {"TabIndex", 2},
    {"TabStop", true},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"UseFocusRing", true},
    {"AcceptFocus", false},
    {"AcceptTabs", false},
    {"DoubleBuffer", false},
    {"EraseBackground", true},
};

}  // namespace

const ClassRecord& WndProgress::Class() {
    return RegisterClassOf<class WndProgress, Window>("WndProgress.WndProgress");
}

void WndProgress::BtnCancel_Action() { App()->Interrupt(); }

void WndProgress::Canvas1_Paint(Graphics& g) { PaintLogo(g); }

void WndProgress::Layout() { SetProperties(*this, kWindowRecord); }

void WndProgress::CreateControls() { CreateControls0(); }

void WndProgress::CreateControls0() {
    const Ref<Window> window = Self<Window>(this);
    MakeControl<ProgressBar>(window, "PrgItem", kPrgItemRecord);
    MakeControl<PushButton>(window, "BtnCancel", kBtnCancelRecord);
    InstallInstanceEventHandler(RuntimeWindowControlByName(window, "BtnCancel"), "Action",
                                CreateDelegate(this, &WndProgress::BtnCancel_Action));
    MakeControl<Canvas>(window, "Canvas1", kCanvas1Record);
    InstallInstanceEventHandler(RuntimeWindowControlByName(window, "Canvas1"), "Paint",
                                CreateDelegate(this, &WndProgress::Canvas1_Paint));
    MakeControl<StaticText>(window, "LblPromo", kLblPromoRecord);
}

Ref<class WndProgress> WndProgress() {
    Ref<Window> window = GetImplicitWindow("WndProgress.WndProgress");
    if (!window) {
        const Ref<class WndProgress> made =
            NewObject(WndProgress::Class()).Cast<class WndProgress>();
        made->Constructor();
        window = made;
    }
    return window.Cast<class WndProgress>();
}
