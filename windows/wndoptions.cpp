#include "windows/wndoptions.h"

#include <string>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "windows/logo.h"
#include "windows/makecontrol.h"
#include "windows/promo.h"

namespace {

const LayoutRecord kWindowRecord = {
    {"Placement", 0},
    {"Width", 477},
    {"Height", 254},
    {"MinWidth", 64},
    {"MinHeight", 64},
    {"MaxWidth", 32000},
    {"MaxHeight", 32000},
    {"Frame", 1},
    {"Composite", false},
    {"HasBackColor", false},
    {"BackColor", Color{0xFFFFFF}},
    {"Title", "Options Dialog"},
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

// Both the dialog's default button and its cancel button: Return and Escape cancel alike.
const LayoutRecord kBtnCancelRecord = {
    {"Left", 285},
    {"Top", 218},
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
    {"Default", true},
    {"Cancel", true},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
};

const LayoutRecord kCanvas1Record = {
    {"Left", 17},
    {"Top", 20},
    {"Width", 100},
    {"Height", 96},
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

const LayoutRecord kChkRecursiveRecord = {
    {"Left", 21},
    {"Top", 154},
    {"Width", 429},
    {"Height", 20},
    {"LockLeft", false},
    {"LockTop", false},
    {"LockRight", false},
    {"LockBottom", false},
    {"TabIndex", 4},
    {"TabStop", true},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Caption", "Recursively search through nested folders for aliases"},
    {"State", 0},
    {"Value", false},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
    {"DataSource", ""},
    {"DataField", ""},
};

const LayoutRecord kChkKeepAliasNamesRecord = {
    {"Left", 21},
    {"Top", 178},
    {"Width", 429},
    {"Height", 20},
    {"LockLeft", false},
    {"LockTop", false},
    {"LockRight", false},
    {"LockBottom", false},
    {"TabIndex", 5},
    {"TabStop", true},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Caption", "Keep alias name instead of using name of original file"},
    {"State", 0},
    {"Value", false},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
    {"DataSource", ""},
    {"DataField", ""},
};

const LayoutRecord kBtnOKRecord = {
    {"Left", 377},
    {"Top", 218},
    {"Width", 80},
    {"Height", 20},
    {"LockLeft", false},
    {"LockTop", false},
    {"LockRight", true},
    {"LockBottom", true},
    {"TabIndex", 6},
    {"TabStop", true},
    {"TabPanelIndex", 0},
    {"Visible", true},
    {"Enabled", true},
    {"AutoDeactivate", true},
    {"HelpTag", ""},
    {"InitialParent", ""},
    {"Caption", "OK"},
    {"Default", false},
    {"Cancel", false},
    {"TextFont", "System"},
    {"TextSize", 0},
    {"Bold", false},
    {"Italic", false},
    {"Underline", false},
};

}  // namespace

const ClassRecord& WndOptions::Class() {
    return RegisterClassOf<class WndOptions, Window>("WndOptions.WndOptions");
}

bool WndOptions::GetOptions(bool& recurse, bool& keepAliasNames) {
    fCanceled = false;
    ShowModal();
    if (!fCanceled) {
        const Ref<Window> window = Self<Window>(this);
        recurse = RuntimeWindowControlByName(window, "ChkRecursive").Cast<CheckBox>()->Value();
        keepAliasNames =
            RuntimeWindowControlByName(window, "ChkKeepAliasNames").Cast<CheckBox>()->Value();
    }
    return fCanceled;
}

void WndOptions::BtnCancel_Action() {
    fCanceled = true;
    Hide();
}

void WndOptions::Canvas1_Paint(Graphics& g) { PaintLogo(g); }

void WndOptions::BtnOK_Action() { Hide(); }

void WndOptions::Layout() { SetProperties(*this, kWindowRecord); }

void WndOptions::CreateControls() { CreateControls0(); }

void WndOptions::CreateControls0() {
    const Ref<Window> window = Self<Window>(this);
    MakeControl<PushButton>(window, "BtnCancel", kBtnCancelRecord);
    InstallInstanceEventHandler(RuntimeWindowControlByName(window, "BtnCancel"), "Action",
                                CreateDelegate(this, &WndOptions::BtnCancel_Action));
    MakeControl<Canvas>(window, "Canvas1", kCanvas1Record);
    InstallInstanceEventHandler(RuntimeWindowControlByName(window, "Canvas1"), "Paint",
                                CreateDelegate(this, &WndOptions::Canvas1_Paint));
    MakeControl<StaticText>(window, "LblPromo", kLblPromoRecord);
    MakeControl<CheckBox>(window, "ChkRecursive", kChkRecursiveRecord);
    MakeControl<CheckBox>(window, "ChkKeepAliasNames", kChkKeepAliasNamesRecord);
    MakeControl<PushButton>(window, "BtnOK", kBtnOKRecord);
    InstallInstanceEventHandler(RuntimeWindowControlByName(window, "BtnOK"), "Action",
                                CreateDelegate(this, &WndOptions::BtnOK_Action));
}

void WndOptions::Event_Open() {
    // Without its logo file the dialog still opens and works; there is simply nothing to draw.
    if (const Ref<Picture> logo = calvenorlogo3d()) logo->SetTransparent(1);
}

Ref<class WndOptions> WndOptions() {
    Ref<Window> window = GetImplicitWindow("WndOptions.WndOptions");
    if (!window) {
        const Ref<class WndOptions> made = NewObject(WndOptions::Class()).Cast<class WndOptions>();
        made->Constructor();
        window = made;
    }
    return window.Cast<class WndOptions>();
}
