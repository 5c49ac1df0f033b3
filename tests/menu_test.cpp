// Menus: the item tree, captions and shortcuts, and the shortcuts acting in windows.

#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include "kit/testwindow.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/menu.h"
#include "platform/runtime_p.h"

namespace {

Ref<MenuItem> Item(const std::string& name, const std::string& text, const std::string& shortcut = "") {
    auto item = New<MenuItem>();
    item->Constructor();
    item->SetName(name);
    item->SetAutoEnable(true);
    item->SetText(text);
    if (text != "-") item->SetKeyboardShortcut(shortcut);
    return item;
}

TEST(MenuItem, ChildrenAreFoundByNameAndIndexInTheirOrder) {
    auto bar = New<MenuBar>();
    bar->Append(Item("FileMenu", "&File"));
    bar->Append(Item("EditMenu", "&Edit"));
    bar->Child("EditMenu")->Append(Item("EditUndo", "&Undo", "Cmd+Z"));
    bar->Child("EditMenu")->Append(Item("UntitledMenu1", "-"));
    bar->Child("EditMenu")->Append(Item("EditCut", "Cu&t", "Cmd+X"));

    ASSERT_EQ(bar->Count(), 2);
    EXPECT_EQ(bar->Item(0)->Name(), "FileMenu");
    EXPECT_EQ(bar->Item(1), bar->Child("EditMenu"));
    EXPECT_FALSE(bar->Item(2));
    EXPECT_FALSE(bar->Item(-1));
    EXPECT_FALSE(bar->Child("EditUndo"));  // only direct children
    Ref<MenuItem> edit = bar->Child("EditMenu");
    EXPECT_EQ(edit->Count(), 3);
    EXPECT_TRUE(edit->Child("UntitledMenu1")->IsSeparator());
    EXPECT_EQ(edit->Item(2)->Text(), "Cu&t");

    // A menu cannot hold itself, however deep down.
    EXPECT_THROW(bar->Append(bar), RuntimeException);
    EXPECT_THROW(edit->Child("EditCut")->Append(bar), RuntimeException);
    EXPECT_THROW(bar->Append(nullptr), NilObjectException);
}

TEST(MenuItem, ActionCarriesTheCaptionAndTheShortcutOnCtrl) {
    Ref<MenuItem> cut = Item("EditCut", "Cu&t", "Cmd+X");
    QAction* action = cut->Action();
    ASSERT_TRUE(action);
    EXPECT_EQ(action->text(), "Cu&t");
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_TRUE(action->isEnabled());

    // A change after the action was made reaches it.
    cut->SetKeyboardShortcut("");
    EXPECT_TRUE(action->shortcut().isEmpty());

    EXPECT_TRUE(Item("UntitledMenu0", "-")->Action()->isSeparator());
}

class Plain : public Window {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Plain, Window>("Plain.Plain"); }
};

// The application's menu bar: File > Quit and Edit > Copy.
Ref<MenuBar> AppMenuBar() {
    auto bar = New<MenuBar>();
    bar->Append(Item("FileMenu", "&File"));
    auto quit = New<QuitMenuItem>();
    quit->Constructor();
    quit->SetName("FileQuit");
    quit->SetText("&Quit");
    quit->SetKeyboardShortcut("Cmd+Q");
    bar->Child("FileMenu")->Append(quit);
    bar->Append(Item("EditMenu", "&Edit"));
    bar->Child("EditMenu")->Append(Item("EditCopy", "&Copy", "Cmd+C"));
    bar->Child("EditMenu")->Append(Item("UntitledMenu0", "-"));
    return bar;
}

// Runs last in this file: it quits.
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

    // A new menu bar replaces the old one's shortcuts in the windows.
    auto bare = New<MenuBar>();
    app->SetMenuBar(bare);
    before->Show();
    EXPECT_FALSE(User::TriggerShortcut(before, "Ctrl+C"));
    before->Hide();
    RuntimeRegisterAppObject(nullptr);
}

}  // namespace
