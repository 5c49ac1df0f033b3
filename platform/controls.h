#pragma once

// The controls a window can hold.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "layout.h"
#include "object.h"

class Delegate;
class Graphics;
class QWidget;
class Window;

// Control is anything placed on a window; RectControl one with a position and size.
class Control : public Object, public PropertyTarget {
public:
    static const ClassRecord& Class();

    ~Control() override;

    // Name is the name the control was added under.
    std::string Name() const { return fName; }

    // Window is the window the control was made for; nil once that window is gone.
    Ref<class Window> Window() const { return Ref<class Window>(fWindow.lock()); }

    // The control's widget; for the platform and the tests.
    QWidget* Widget() const { return fWidget; }

protected:
    Control() = default;
    QWidget* fWidget = nullptr;  // owned by the window's widget once added

private:
    friend class Window;
    friend void InstallInstanceEventHandler(const Ref<Control>&, const std::string&, const Delegate&);
    // InstallHandler takes a handler for an event this kind of control has; false otherwise.
    virtual bool InstallHandler(const std::string& eventName, const Delegate& handler);

    std::string fName;
    std::weak_ptr<class Window> fWindow;
};

class RectControl : public Control {
public:
    static const ClassRecord& Class();

    // Constructor makes the control's widget, parented to its window's.
    void Constructor();

    // Refresh repaints the control now, at most once per display frame.
    void Refresh(bool now = true);

    bool SetProperty(const std::string& name, const PropertyValue& value) override;

protected:
    // MakeWidget makes this kind's widget.
    virtual QWidget* MakeWidget(QWidget* parent) = 0;

    // TheWidget is the control's widget; it throws when the control has none (not yet
    // constructed, or its window is gone).
    QWidget& TheWidget() const;

    bool fTabStop = true;

private:
    friend class Window;
    int64_t fLastPaintMs = -1;
    int64_t fTabIndex = -1;
};

// PushButton raises Action when clicked; Default answers Return, Cancel answers Escape.
class PushButton : public RectControl {
public:
    static const ClassRecord& Class();
    bool SetProperty(const std::string& name, const PropertyValue& value) override;
    // Push clicks the button as the user would.
    void Push();

protected:
    QWidget* MakeWidget(QWidget* parent) override;

private:
    friend class Window;
    bool InstallHandler(const std::string& eventName, const Delegate& handler) override;

    std::function<void()> fAction;
    bool fDefault = false;
    bool fCancel = false;
};

// CheckBox holds a Boolean Value.
class CheckBox : public RectControl {
public:
    static const ClassRecord& Class();
    bool Value() const;
    void SetValue(bool value);
    bool SetProperty(const std::string& name, const PropertyValue& value) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
};

// ProgressBar shows Value out of Maximum. Setting either schedules the bar's painting;
// Refresh(true) paints it at once.
class ProgressBar : public RectControl {
public:
    static const ClassRecord& Class();
    int32_t Value() const;
    void SetValue(int32_t value);
    int32_t Maximum() const;
    void SetMaximum(int32_t maximum);
    bool SetProperty(const std::string& name, const PropertyValue& value) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;

private:
    // Value and Maximum as set; the bar shows the value clamped to 0..Maximum.
    int32_t fValue = 0;
    int32_t fMaximum = 100;
};

// Canvas raises Paint with a Graphics; its background is erased first when
// EraseBackground is set.
class Canvas : public RectControl {
public:
    static const ClassRecord& Class();
    bool SetProperty(const std::string& name, const PropertyValue& value) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;

private:
    bool InstallHandler(const std::string& eventName, const Delegate& handler) override;

    std::function<void(Graphics&)> fPaint;
    bool fAcceptFocus = false;
};

// StaticText shows a text; carriage returns and line feeds break its lines.
class StaticText : public RectControl {
public:
    static const ClassRecord& Class();
    std::string Text() const;
    void SetText(const std::string& text);
    bool SetProperty(const std::string& name, const PropertyValue& value) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;

private:
    std::string fText;  // as set; the label shows it with its line breaks
};
