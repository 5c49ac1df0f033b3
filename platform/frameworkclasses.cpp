#include "frameworkclasses.h"

#include "application.h"
#include "clock.h"
#include "controls.h"
#include "filetype.h"
#include "folderitem.h"
#include "graphics.h"
#include "menu.h"
#include "thread.h"
#include "timer.h"
#include "window.h"

void RegisterFrameworkClasses() {
    // Each Class() registers its base first; the list fixes the order of the rest.
    Object::Class();
    Application::Class();
    Thread::Class();
    Timer::Class();
    Date::Class();
    FolderItem::Class();
    Picture::Class();
    Window::Class();
    Control::Class();
    RectControl::Class();
    PushButton::Class();
    CheckBox::Class();
    ProgressBar::Class();
    Canvas::Class();
    StaticText::Class();
    MenuItem::Class();
    MenuBar::Class();
    QuitMenuItem::Class();
    FileType::Class();
}
