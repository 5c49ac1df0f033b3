#pragma once

// Windows and their controls.
//
// A window and its controls are one unit by design: the window builds, finds and wires its
// controls through their private parts, so window.cpp and controls.cpp go together.
//
// A window class has one implicit instance, kept in the framework's registry under its
// full class name and found there with GetImplicitWindow; its accessor makes the window
// from its class record and runs Constructor on first use. Constructor runs the Layout
// and CreateControls hooks, raises Open and registers the window, hidden. Controls are
// made through their window (New, Constructor, AddControl), found by name
// (RuntimeWindowControlByName) and given handlers by event name
// (InstallInstanceEventHandler).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout.h"
#include "object.h"

class Control;
class Graphics;
class QWidget;
class WindowWidget;

class Window : public Object, public PropertyTarget {
public:
    static const ClassRecord& Class();

    Window();
    ~Window() override;

    // Constructor builds the window through its hooks (Layout, then CreateControls), raises
    // Open once and registers the window as its class's implicit instance. It stays hidden
    // unless its layout record made it visible. The window must come from NewObject.
    void Constructor();

    // Show shows the window and returns at once. On a worker thread it yields until the
    // window system has exposed the window (bounded), so later updates are seen.
    void Show();

    // ShowModal shows the window modally and returns once it is hidden; the other threads
    // keep their turns meanwhile.
    void ShowModal();

    // Hide hides the window and keeps it, with its controls.
    void Hide();

    // Refresh repaints the window now, at most once per display frame: a second call in the
    // same frame schedules the repaint instead.
    void Refresh(bool now = true);

    bool Visible() const;
    std::string Title() const;

    // New makes a new control of a control class for this window; the control's own
    // Constructor makes its widget.
    Ref<Control> New(const ClassRecord& controlClass);

    // AddControl puts a constructed control on the window under a name.
    void AddControl(const std::string& name, const Ref<Control>& control);

    // The window's controls in the order they were added.
    const std::vector<Ref<Control>>& Controls() const { return fControls; }

    bool SetProperty(const std::string& name, const PropertyValue& value) override;

    // The window's widget; for the platform and the tests.
    QWidget* Widget() const;

protected:
    // The construction hooks and the Open event.
    virtual void Layout() {}
    virtual void CreateControls() {}
    virtual void Event_Open() {}

private:
    friend class WindowWidget;

    // PushKeyButton pushes the window's default (or cancel) button, if it has one that can
    // be pushed, and says whether it did.
    bool PushKeyButton(bool cancel);
    void ApplyTabOrder();
    void AttachMenuBar();
    void WaitUntilExposed();

    std::unique_ptr<WindowWidget> fWidget;
    std::vector<Ref<Control>> fControls;
    std::vector<std::weak_ptr<Control>> fMade;  // every control New made, to cut them loose
    int64_t fLastPaintMs = -1;
    bool fConstructed = false;
    bool fVisibleWhenOpen = false;
};

// GetImplicitWindow gives the window registered as the implicit instance of the class of
// that full name ("WndProgress.WndProgress"), or nil.
Ref<Window> GetImplicitWindow(const std::string& fullClassName);

// ReleaseFrameworkGlobals drops the framework's module globals (the implicit windows and the
// window list); the program's finalisation calls it before it releases its own.
void ReleaseFrameworkGlobals();

// ImplicitWindows lists the registered implicit windows.
std::vector<Ref<Window>> ImplicitWindows();

// RuntimeWindowControlByName gives the window's control of that name, or nil.
Ref<Control> RuntimeWindowControlByName(const Ref<Window>& window, const std::string& name);

// Delegate is an event handler bound to its window: "Action" handlers take nothing,
// "Paint" handlers a Graphics.
class Delegate {
public:
    Delegate(std::function<void()> action) : fAction(std::move(action)) {}
    Delegate(std::function<void(Graphics&)> paint) : fPaint(std::move(paint)) {}

    // Signature is "(  )" or "( Graphics )".
    std::string Signature() const { return fAction ? "(  )" : "( Graphics )"; }
    const std::function<void()>& Action() const { return fAction; }
    const std::function<void(Graphics&)>& Paint() const { return fPaint; }

private:
    std::function<void()> fAction;
    std::function<void(Graphics&)> fPaint;
};

// CreateDelegate binds a window's handler method to the window; the window is held weakly,
// so a control's handler never keeps its window alive.
template <class W>
Delegate CreateDelegate(W* window, void (W::*handler)()) {
    std::weak_ptr<W> weak = std::static_pointer_cast<W>(window->shared_from_this());
    return Delegate(std::function<void()>([weak, handler] {
        if (auto w = weak.lock()) ((*w).*handler)();
    }));
}
template <class W>
Delegate CreateDelegate(W* window, void (W::*handler)(Graphics&)) {
    std::weak_ptr<W> weak = std::static_pointer_cast<W>(window->shared_from_this());
    return Delegate(std::function<void(Graphics&)>([weak, handler](Graphics& g) {
        if (auto w = weak.lock()) ((*w).*handler)(g);
    }));
}

// InstallInstanceEventHandler installs handler for one event ("Action" of a push button,
// "Paint" of a canvas) of that control instance. An event the control does not have, or a
// handler of the wrong signature, is a programming error and throws.
void InstallInstanceEventHandler(const Ref<Control>& control, const std::string& eventName,
                                 const Delegate& handler);
