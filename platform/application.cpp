#include "application.h"

#include "menu.h"
#include "runtime.h"

const ClassRecord& Application::Class() { return RegisterClassOf<Application, Object>("Application"); }
void Application::SetMenuBar(const Ref<class MenuBar>& menuBar) { fMenuBar = menuBar; }
void Application::DoEvents(int32_t) { throw RuntimeException("not yet"); }
void Quit(int32_t) { throw RuntimeException("not yet"); }
bool QuitRequested() { return false; }
void RuntimeRun() { throw RuntimeException("not yet"); }
