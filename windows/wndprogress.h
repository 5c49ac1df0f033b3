#pragma once

// WndProgress: the progress window the worker shows while it replaces aliases.

#include "platform/graphics.h"
#include "platform/window.h"

class WndProgress : public Window {
public:
    static const ClassRecord& Class();

    // The handlers of BtnCancel's Action and Canvas1's Paint.
    virtual void BtnCancel_Action();
    virtual void Canvas1_Paint(Graphics& g);

protected:
    void Layout() override;
    void CreateControls() override;
    virtual void CreateControls0();
};

// WndProgress() is the window's implicit instance, made hidden on first use.
Ref<class WndProgress> WndProgress();
