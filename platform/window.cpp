#include "window.h"

#include <QWidget>

#include "controls.h"
#include "runtime.h"

class WindowWidget : public QWidget {};

namespace { [[noreturn]] void NotYet() { throw RuntimeException("not yet"); } }

const ClassRecord& Window::Class() { return RegisterClassOf<Window, Object>("Window"); }
Window::Window() { NotYet(); }
Window::~Window() = default;
void Window::Constructor() { NotYet(); }
void Window::Show() { NotYet(); }
void Window::ShowModal() { NotYet(); }
void Window::Hide() { NotYet(); }
void Window::Refresh(bool) { NotYet(); }
bool Window::Visible() const { NotYet(); }
std::string Window::Title() const { NotYet(); }
Ref<Control> Window::New(const ClassRecord&) { NotYet(); }
void Window::AddControl(const std::string&, const Ref<Control>&) { NotYet(); }
bool Window::SetProperty(const std::string&, const PropertyValue&) { NotYet(); }
QWidget* Window::Widget() const { NotYet(); }
Ref<Window> GetImplicitWindow(const std::string&) { return nullptr; }
std::vector<Ref<Window>> ImplicitWindows() { return {}; }
Ref<Control> RuntimeWindowControlByName(const Ref<Window>&, const std::string&) { NotYet(); }
void InstallInstanceEventHandler(const Ref<Control>&, const std::string&, const Delegate&) { NotYet(); }
void ReleaseFrameworkGlobals() {}
