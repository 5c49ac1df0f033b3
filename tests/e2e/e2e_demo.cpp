// A small program on the platform for the end-to-end harness: a dialog with two buttons, a
// check box, a bar and a canvas with the bundle's logo, the application's menu bar, and on
// request a message box. Its exit status tells the harness what the user did:
//   OK 10 (11 with the box ticked), Cancel 2, the Quit item 0, a message box its answer.
// Set E2E_DEMO_MODE=msgbox for the message box instead of the dialog.

#include <cstdlib>
#include <string>

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/folderitem.h"
#include "platform/graphics.h"
#include "platform/menu.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "platform/window.h"

namespace {

class DemoWindow : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<DemoWindow, Window>("DemoWindow.DemoWindow"); }

protected:
    void Layout() override {
        SetProperties(*this, {{"Width", 360}, {"Height", 200}, {"Frame", 1}, {"Title", "Quorbit Demo"},
                              {"Visible", false}, {"CloseButton", false}, {"Resizeable", false}});
    }

    void CreateControls() override {
        Make<Canvas>("Canvas1", {{"Left", 10}, {"Top", 10}, {"Width", 100}, {"Height", 100},
                                 {"EraseBackground", true}});
        InstallInstanceEventHandler(Control("Canvas1"), "Paint", CreateDelegate(this, &DemoWindow::Canvas1_Paint));
        Make<CheckBox>("ChkTick", {{"Left", 120}, {"Top", 20}, {"Width", 220}, {"Height", 20},
                                   {"Caption", "Tick me"}, {"TabIndex", 1}});
        Make<ProgressBar>("PrgItem", {{"Left", 10}, {"Top", 130}, {"Width", 340}, {"Height", 20},
                                      {"Maximum", 100}, {"Value", 40}});
        Make<PushButton>("BtnCancel", {{"Left", 180}, {"Top", 165}, {"Width", 80}, {"Height", 24},
                                       {"Caption", "Cancel"}, {"Default", true}, {"Cancel", true},
                                       {"TabIndex", 2}});
        InstallInstanceEventHandler(Control("BtnCancel"), "Action", CreateDelegate(this, &DemoWindow::BtnCancel_Action));
        Make<PushButton>("BtnOK", {{"Left", 270}, {"Top", 165}, {"Width", 80}, {"Height", 24},
                                   {"Caption", "OK"}, {"TabIndex", 3}});
        InstallInstanceEventHandler(Control("BtnOK"), "Action", CreateDelegate(this, &DemoWindow::BtnOK_Action));
    }

private:
    template <class C>
    void Make(const std::string& name, const LayoutRecord& record) {
        Ref<class Control> control = New(C::Class());
        control.Cast<RectControl>()->Constructor();
        AddControl(name, control);
        SetProperties(control.Cast<C>(), record);
    }
    Ref<class Control> Control(const std::string& name) { return RuntimeWindowControlByName(Self(this), name); }

    void Canvas1_Paint(Graphics& g) {
        Ref<FolderItem> resources = GetApplicationBundleResources();
        Ref<FolderItem> file = resources ? resources->Child("calvenor-logo-3d.png") : nullptr;
        g.DrawPicture(file ? file->OpenAsPicture() : nullptr, 0, 0);
    }
    void BtnCancel_Action() {
        Hide();
        Quit(2);
    }
    void BtnOK_Action() {
        Hide();
        Quit(Control("ChkTick").Cast<CheckBox>()->Value() ? 11 : 10);
    }
};

class DemoApp : public Application {
public:
    void Event_Activate() override {
        if (fShown) return;
        fShown = true;
        const char* mode = std::getenv("E2E_DEMO_MODE");
        if (mode && std::string(mode) == "msgbox") {
            Quit(MsgBox("Replace the aliases?\rSecond line", 305, ""));
            return;
        }
        Ref<Window> window = GetImplicitWindow("DemoWindow.DemoWindow");
        if (!window) {
            window = NewObject(DemoWindow::Class()).Cast<Window>();
            window->Constructor();
        }
        window->Show();
    }

private:
    bool fShown = false;
};

Ref<MenuBar> DemoMenuBar() {
    auto bar = New<MenuBar>();
    auto file = New<MenuItem>();
    file->SetName("FileMenu");
    file->SetText("&File");
    bar->Append(file);
    auto quit = New<QuitMenuItem>();
    quit->SetName("FileQuit");
    quit->SetText("&Quit");
    quit->SetKeyboardShortcut("Cmd+Q");
    file->Append(quit);
    return bar;
}

}  // namespace

int main(int argc, char** argv) {
    RuntimeInit(argc, argv);
    RegisterFrameworkClasses();
    DemoWindow::Class();
    try {
        RunFrameworkInitialization([] {
            auto app = New<DemoApp>();
            app->SetMenuBar(DemoMenuBar());
            RuntimeRegisterAppObject(app);
        });
        RuntimeRun();
    } catch (...) {
        UnhandledException(std::current_exception());
    }
    ReleaseFrameworkGlobals();
    return RuntimeExit();
}
