// Menus: the item tree, and the menu bar's shortcuts acting in the windows.

#include <gtest/gtest.h>

#include <string>

#include "kit/testwindow.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/menu.h"
#include "platform/runtime_p.h"

namespace {

template <class Kind = MenuItem>
Ref<MenuItem> Item(const std::string& name, const std::string& text, const std::string& shortcut = "") {
    Ref<MenuItem> item = New<Kind>();
    item->Constructor();
    item->SetName(name);
    item->SetText(text);
    if (!shortcut.empty()) item->SetKeyboardShortcut(shortcut);
    return item;
}

// The application's menu bar: File > Quit, Edit > Copy and a separator.
Ref<MenuBar> AppMenuBar() {
    auto bar = New<MenuBar>();
    bar->Append(Item("FileMenu", "&File"));
    bar->Child("FileMenu")->Append(Item<QuitMenuItem>("FileQuit", "&Quit", "Cmd+Q"));
    bar->Append(Item("EditMenu", "&Edit"));
    bar->Child("EditMenu")->Append(Item("EditCopy", "&Copy", "Cmd+C"));
    bar->Child("EditMenu")->Append(Item("UntitledMenu0", "-"));
    return bar;
}

TEST(MenuItem, ChildrenAreFoundByNameAndIndexInTheirOrder) {
    Ref<MenuBar> bar = AppMenuBar();
    Ref<MenuItem> edit = bar->Child("EditMenu");
    ASSERT_TRUE(edit);
    EXPECT_EQ(bar->Item(1), edit);
    EXPECT_FALSE(bar->Item(2) || bar->Item(-1));
    EXPECT_FALSE(bar->Child("EditCopy"));  // only direct children
    EXPECT_EQ(edit->Count(), 2);
    EXPECT_EQ(edit->Item(0)->Text(), "&Copy");
    EXPECT_TRUE(edit->Child("UntitledMenu0")->IsSeparator());
    EXPECT_THROW(edit->Child("EditCopy")->Append(bar), RuntimeException);  // a menu inside itself
}

class Plain : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Plain, Window>("Plain.Plain"); }
};

TEST(QuitMenuItem, ShortcutsActInEveryWindowAndQuitEndsWithStatusZero) {
    auto app = New<Application>();
    RuntimeRegisterAppObject(app);
    Ref<Plain> before = TestWindows::Construct<Plain>();
    app->SetMenuBar(AppMenuBar());
    Ref<Plain> after = TestWindows::Construct<Plain>();
    before->Show();  // a window made before the menu bar gets it when shown

    EXPECT_TRUE(User::TriggerShortcut(before, "Ctrl+C"));
    EXPECT_FALSE(QuitRequested());  // the other items do nothing
    EXPECT_FALSE(User::TriggerShortcut(after, "Ctrl+V"));
    RuntimePrivate::SetExitStatus(5);
    EXPECT_TRUE(User::TriggerShortcut(after, "Ctrl+Q"));
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
    before->Hide();
    RuntimeRegisterAppObject(nullptr);
}

}  // namespace
