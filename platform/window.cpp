#include "window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <utility>

#include "application.h"
#include "controls.h"
#include "menu.h"
#include "runtime.h"
#include "scheduler_p.h"
#include "thread.h"
#include "window_p.h"

namespace {

constexpr int64_t kFrameMs = 16;          // one display frame
constexpr int64_t kExposeWaitMs = 200;    // how long Show on a worker waits for the window system
constexpr int kDefaultSize = 300;

int ClampedSize(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 0, QWIDGETSIZE_MAX)); }

int64_t RealTimeMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct WindowRegistry {
    std::vector<std::pair<std::string, Ref<Window>>> implicitWindows;  // in registration order
};

WindowRegistry& Windows() {
    static WindowRegistry registry;
    return registry;
}

void CollectActions(const MenuItem& item, QList<QAction*>& actions) {
    for (int32_t i = 0; i < item.Count(); ++i) {
        Ref<MenuItem> child = item.Item(i);
        if (child->Count() > 0) {
            CollectActions(*child, actions);
        } else if (!child->IsSeparator()) {
            if (QAction* action = child->Action()) actions.append(action);
        }
    }
}

}  // namespace

// WindowWidget is a window's top-level widget: it keeps the frame and size the layout
// record asked for, routes Return and Escape to the window's buttons, refuses to be closed
// by the window system when the window has no close box, and ends a modal wait on hiding.
class WindowWidget : public QWidget {
public:
    explicit WindowWidget(Window& owner) : fOwner(owner) {
        resize(kDefaultSize, kDefaultSize);
        ApplyFrame();
    }

    int64_t fFrame = 0;
    bool fCloseButton = true;
    bool fMinimizeButton = true;
    bool fMaximizeButton = true;
    bool fResizeable = true;
    bool fFullScreen = false;
    bool fHasBackColor = false;
    Color fBackColor{0xFFFFFF};
    int fWidth = kDefaultSize, fHeight = kDefaultSize;
    int fMinWidth = 0, fMinHeight = 0, fMaxWidth = QWIDGETSIZE_MAX, fMaxHeight = QWIDGETSIZE_MAX;
    QPointer<QEventLoop> fModalLoop;
    QList<QPointer<QAction>> fMenuActions;

    void ApplyFrame() {
        Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (fFrame == 1) {
            flags |= Qt::Dialog;  // a movable dialog: title only, no boxes
        } else {
            flags |= Qt::Window;
            if (fCloseButton) flags |= Qt::WindowCloseButtonHint;
            if (fMinimizeButton) flags |= Qt::WindowMinimizeButtonHint;
            if (fMaximizeButton && fResizeable) flags |= Qt::WindowMaximizeButtonHint;
        }
        if (flags == windowFlags()) return;
        bool shown = isVisible();
        QPointer<QEventLoop> modalLoop = std::exchange(fModalLoop, nullptr);  // not a hide that ends it
        setWindowFlags(flags);  // hides the widget
        if (shown) show();
        fModalLoop = modalLoop;
    }

    void ApplySize() {
        if (fResizeable) {
            setMinimumSize(fMinWidth, fMinHeight);
            setMaximumSize(std::max(fMinWidth, fMaxWidth), std::max(fMinHeight, fMaxHeight));
            resize(fWidth, fHeight);
        } else {
            setFixedSize(fWidth, fHeight);
        }
    }

    void ApplyBackground() {
        setAutoFillBackground(fHasBackColor);
        QPalette colours;
        if (fHasBackColor) colours.setColor(QPalette::Window, QColor::fromRgb(fBackColor.Rgb));
        setPalette(colours);
    }

    bool UserMayClose() const { return fFrame != 1 && fCloseButton; }

    // Cancel pushes the window's cancel button; a modal window without one is hidden.
    void Cancel() {
        Ref<Window> keep = Self(&fOwner);
        fOwner.PushKeyButton(true);
        if (isVisible() && isModal()) hide();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        bool pushed = false;
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                pushed = fOwner.PushKeyButton(false);
            else if (event->key() == Qt::Key_Escape)
                pushed = fOwner.PushKeyButton(true);
        }
        if (!pushed) QWidget::keyPressEvent(event);
    }

    // The program hides its windows and never closes them; only the user closes one, through
    // its close box (which merely hides it), so a window without one refuses.
    void closeEvent(QCloseEvent* event) override {
        if (!UserMayClose()) event->ignore();
        else QWidget::closeEvent(event);
    }

    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (fModalLoop && !isVisible()) fModalLoop->quit();
    }

private:
    Window& fOwner;
};

namespace WindowPrivate {

QString DisplayText(const std::string& text) {
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

void RepaintAtFrameRate(QWidget& widget, int64_t& lastPaintMs) {
    int64_t now = RealTimeMs();
    if (lastPaintMs >= 0 && now - lastPaintMs < kFrameMs) {
        widget.update();
        return;
    }
    lastPaintMs = now;
    widget.repaint();
}

void RunHandler(const std::function<void()>& handler) { Scheduler::Dispatch(handler); }

QList<QAction*> MenuActions() {
    QList<QAction*> actions;
    if (Ref<Application> app = GetAppObject())
        if (Ref<MenuBar> bar = app->MenuBar()) CollectActions(*bar, actions);
    return actions;
}

void CancelShownWindows() {
    // Guarded: a pushed button's handler may close or release any of them.
    QList<QPointer<QWidget>> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) shown.append(widget);
    for (const QPointer<QWidget>& widget : shown) {
        if (auto* window = dynamic_cast<WindowWidget*>(widget.data())) window->Cancel();
        else if (auto* box = qobject_cast<QMessageBox*>(widget.data()); box && box->escapeButton())
            box->escapeButton()->click();
    }
}

void EndModalWaits() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isModal()) widget->hide();
}

bool OnWorkerThread() { return !Scheduler::OnMainFiber(); }

}  // namespace WindowPrivate

const ClassRecord& Window::Class() { return RegisterClassOf<Window, Object>("Window"); }

Window::Window() {
    if (!qApp) throw RuntimeException("Window: the framework is not running yet");
    fWidget = std::make_unique<WindowWidget>(*this);
}

Window::~Window() {
    // The widgets go with the window's widget; no control may keep pointing at them.
    for (const std::weak_ptr<Control>& made : fMade)
        if (auto control = made.lock()) control->fWidget = nullptr;
}

void Window::Constructor() {
    if (fConstructed) throw RuntimeException("Window::Constructor: the window is constructed already");
    if (!ClassInfo()) throw RuntimeException("Window::Constructor: the window was not made from its class record");
    Layout();
    CreateControls();
    ApplyTabOrder();
    AttachMenuBar();
    Event_Open();
    auto& windows = Windows().implicitWindows;
    const std::string& name = ClassInfo()->Name;
    bool known = std::any_of(windows.begin(), windows.end(), [&](const auto& entry) { return entry.first == name; });
    if (!known) windows.emplace_back(name, Self(this));
    fConstructed = true;
    if (fVisibleWhenOpen) Show();
}

void Window::Show() {
    Ref<Window> keep = Self(this);
    ApplyTabOrder();
    AttachMenuBar();
    if (fWidget->fFullScreen) fWidget->showFullScreen();
    else fWidget->show();
    // A window shown while the application quits is cancelled as those shown before were.
    if (QuitRequested()) fWidget->Cancel();
    if (WindowPrivate::OnWorkerThread()) WaitUntilExposed();
}

void Window::ShowModal() {
    Ref<Window> keep = Self(this);
    // After a handler's exception no handler runs, this window's buttons included: no wait
    // begins and the one under way ends (EndRunLoop), the exception passing to the caller.
    const bool onWorker = WindowPrivate::OnWorkerThread();
    if (!onWorker) Scheduler::RethrowDispatched();
    if (fWidget->isVisible() && fWidget->windowModality() != Qt::ApplicationModal) fWidget->hide();
    fWidget->setWindowModality(Qt::ApplicationModal);
    Show();
    if (onWorker) {
        // A nested loop here would run the main thread's work on this thread's stack.
        Scheduler::WaitUntil([this] { return !fWidget->isVisible(); });
    } else if (fWidget->isVisible()) {
        QEventLoop loop;
        QPointer<QEventLoop> outer = std::exchange(fWidget->fModalLoop, &loop);
        loop.exec(QEventLoop::DialogExec);
        fWidget->fModalLoop = outer;
    }
    if (!fWidget->isVisible()) fWidget->setWindowModality(Qt::NonModal);
    if (!onWorker) Scheduler::RethrowDispatched();
}

void Window::Hide() { fWidget->hide(); }

void Window::Refresh(bool now) {
    if (now) WindowPrivate::RepaintAtFrameRate(*fWidget, fLastPaintMs);
    else fWidget->update();
}

bool Window::Visible() const { return fWidget->isVisible(); }

std::string Window::Title() const { return fWidget->windowTitle().toStdString(); }

Ref<Control> Window::New(const ClassRecord& controlClass) {
    if (!controlClass.IsA(Control::Class()))
        throw RuntimeException("Window::New: " + controlClass.Name + " is not a control class");
    auto self = std::static_pointer_cast<Window>(weak_from_this().lock());
    if (!self) throw RuntimeException("Window::New: the window was not made as a shared object");
    Ref<Control> control = NewObject(controlClass).Cast<Control>();
    control->fWindow = self;
    std::erase_if(fMade, [](const std::weak_ptr<Control>& made) { return made.expired(); });
    fMade.push_back(control.Shared());
    return control;
}

void Window::AddControl(const std::string& name, const Ref<Control>& control) {
    if (control->fWindow.lock().get() != this)
        throw RuntimeException("Window::AddControl: " + name + " was made for another window");
    control->fName = name;
    if (std::find(fControls.begin(), fControls.end(), control) == fControls.end()) fControls.push_back(control);
}

bool Window::SetProperty(const std::string& name, const PropertyValue& value) {
    WindowWidget& w = *fWidget;
    if (name == "Width") { w.fWidth = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "Height") { w.fHeight = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "MinWidth") { w.fMinWidth = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "MinHeight") { w.fMinHeight = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "MaxWidth") { w.fMaxWidth = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "MaxHeight") { w.fMaxHeight = ClampedSize(value.AsInteger()); w.ApplySize(); }
    else if (name == "Resizeable") { w.fResizeable = value.AsBoolean(); w.ApplySize(); w.ApplyFrame(); }
    else if (name == "Frame") { w.fFrame = value.AsInteger(); w.ApplyFrame(); }
    else if (name == "CloseButton") { w.fCloseButton = value.AsBoolean(); w.ApplyFrame(); }
    else if (name == "MinimizeButton") { w.fMinimizeButton = value.AsBoolean(); w.ApplyFrame(); }
    else if (name == "MaximizeButton") { w.fMaximizeButton = value.AsBoolean(); w.ApplyFrame(); }
    else if (name == "HasBackColor") { w.fHasBackColor = value.AsBoolean(); w.ApplyBackground(); }
    else if (name == "BackColor") { w.fBackColor = value.AsColor(); w.ApplyBackground(); }
    else if (name == "Title") w.setWindowTitle(QString::fromUtf8(value.AsText()));
    else if (name == "FullScreen") w.fFullScreen = value.AsBoolean();
    else if (name == "Visible") {
        if (!fConstructed) fVisibleWhenOpen = value.AsBoolean();
        else if (value.AsBoolean()) Show();
        else Hide();
    }
    // Known, with nothing to do here.
    else if (name == "Placement" || name == "Composite" || name == "MenuBarVisible" ||
             name == "LiveResize" || name == "MacProcID") return true;
    else return false;
    return true;
}

QWidget* Window::Widget() const { return fWidget.get(); }

bool Window::PushKeyButton(bool cancel) {
    for (const Ref<Control>& control : fControls) {
        Ref<PushButton> button = control.Cast<PushButton>();
        if (!button || !(cancel ? button->fCancel : button->fDefault)) continue;
        QWidget* widget = button->Widget();
        if (!widget || !widget->isVisibleTo(fWidget.get()) || !widget->isEnabled()) continue;
        button->Push();
        return true;
    }
    return false;
}

void Window::ApplyTabOrder() {
    std::vector<RectControl*> order;
    for (const Ref<Control>& control : fControls) {
        auto* rect = dynamic_cast<RectControl*>(control.Get());
        if (rect && rect->fTabIndex >= 0 && rect->Widget()) order.push_back(rect);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](RectControl* a, RectControl* b) { return a->fTabIndex < b->fTabIndex; });
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->Widget(), order[i]->Widget());
}

void Window::AttachMenuBar() {
    const QList<QAction*> wanted = WindowPrivate::MenuActions();
    for (const QPointer<QAction>& old : fWidget->fMenuActions)
        if (old && !wanted.contains(old.data())) fWidget->removeAction(old);
    fWidget->fMenuActions.clear();
    for (QAction* action : wanted) {
        fWidget->addAction(action);  // adding twice keeps one
        fWidget->fMenuActions.append(action);
    }
}

void Window::WaitUntilExposed() {
    QElapsedTimer waited;
    waited.start();
    // The thread stays ready meanwhile: a short wait on the window system, not an idle one
    // that a manual clock would skip ahead over.
    auto exposed = [this] { return fWidget->windowHandle() && fWidget->windowHandle()->isExposed(); };
    while (fWidget->isVisible() && !exposed() && waited.elapsed() < kExposeWaitMs) Yield();
}

Ref<Window> GetImplicitWindow(const std::string& fullClassName) {
    for (const auto& [name, window] : Windows().implicitWindows)
        if (name == fullClassName) return window;
    return nullptr;
}

std::vector<Ref<Window>> ImplicitWindows() {
    std::vector<Ref<Window>> windows;
    for (const auto& entry : Windows().implicitWindows) windows.push_back(entry.second);
    return windows;
}

Ref<Control> RuntimeWindowControlByName(const Ref<Window>& window, const std::string& name) {
    for (const Ref<Control>& control : window->Controls())
        if (control->Name() == name) return control;
    return nullptr;
}

void InstallInstanceEventHandler(const Ref<Control>& control, const std::string& eventName,
                                 const Delegate& handler) {
    if (control->InstallHandler(eventName, handler)) return;
    std::string kind = control->ClassInfo() ? control->ClassInfo()->Name : "this control";
    throw RuntimeException("InstallInstanceEventHandler: " + kind + " has no event \"" + eventName +
                           "\" taking " + handler.Signature());
}

void ReleaseFrameworkGlobals() {
    // Taken out first, so the windows' destructors see an empty registry.
    auto windows = std::move(Windows().implicitWindows);
    Windows().implicitWindows.clear();
    windows.clear();
}
