#pragma once

// WndOptions: the modal dialog for the two options of one run.

#include "platform/graphics.h"
#include "platform/window.h"

class WndOptions : public Window {
public:
    static const ClassRecord& Class();

    // GetOptions shows the dialog modally. True when the user cancelled, the arguments then
    // untouched; otherwise False with the two check boxes' states written into them.
    virtual bool GetOptions(bool& recurse, bool& keepAliasNames);

    virtual void BtnCancel_Action();
    virtual void Canvas1_Paint(Graphics& g);
    virtual void BtnOK_Action();

protected:
    void Layout() override;
    void CreateControls() override;
    virtual void CreateControls0();
    void Event_Open() override;

private:
    bool fCanceled = false;
};

// WndOptions() is the dialog's implicit instance, made hidden on first use.
Ref<class WndOptions> WndOptions();
