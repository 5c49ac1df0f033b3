#include "app/menubar1.h"

#include <string>

#include "platform/runtime.h"

namespace {

// One row of the menu tree: the top item it hangs under ("" for a top item), the item's kind,
// name and text, and its shortcut; a separator has none and gets no shortcut call at all.
struct MenuRow {
    const char* Parent;
    const ClassRecord& (*Kind)();
    const char* Name;
    const char* Text;
    const char* Shortcut;
};

const MenuRow kFileMenu[] = {
    {"", &MenuItem::Class, "FileMenu", "&File", ""},
    {"FileMenu", &QuitMenuItem::Class, "FileQuit", "&Quit", "Cmd+Q"},
};

const MenuRow kEditMenu[] = {
    {"", &MenuItem::Class, "EditMenu", "&Edit", ""},
    {"EditMenu", &MenuItem::Class, "EditUndo", "&Undo", "Cmd+Z"},
    {"EditMenu", &MenuItem::Class, "UntitledMenu1", "-", nullptr},
    {"EditMenu", &MenuItem::Class, "EditCut", "Cu&t", "Cmd+X"},
    {"EditMenu", &MenuItem::Class, "EditCopy", "&Copy", "Cmd+C"},
    {"EditMenu", &MenuItem::Class, "EditPaste", "&Paste", "Cmd+V"},
    {"EditMenu", &MenuItem::Class, "EditClear", "&Delete", ""},
    {"EditMenu", &MenuItem::Class, "UntitledMenu0", "-", nullptr},
    {"EditMenu", &MenuItem::Class, "EditSelectAll", "Select &All", "Cmd+A"},
};

// AddItem makes the row's item and attaches it: a top item to the bar, any other to its top
// item, looked up afresh on the bar.
void AddItem(MenuItem& bar, const MenuRow& row) {
    const Ref<MenuItem> item = NewObject(row.Kind()).Cast<MenuItem>();
    item->Constructor();
    item->SetName(row.Name);
    item->SetAutoEnable(true);
    item->SetText(row.Text);
    if (row.Shortcut) item->SetKeyboardShortcut(row.Shortcut);
    if (*row.Parent)
        bar.Child(row.Parent)->Append(item);
    else
        bar.Append(item);
}

Ref<class MenuBar1> implicitInstance;

}  // namespace

const ClassRecord& MenuBar1::Class() {
    return RegisterClassOf<class MenuBar1, MenuBar>("MenuBar1.MenuBar1");
}

void MenuBar1::Constructor() {
    FileMenu();
    EditMenu();
}

void MenuBar1::FileMenu() {
    for (const MenuRow& row : kFileMenu) AddItem(*this, row);
}

void MenuBar1::EditMenu() {
    for (const MenuRow& row : kEditMenu) AddItem(*this, row);
}

Ref<class MenuBar1> MenuBar1() {
    if (!implicitInstance) {
        // Kept only once fully built: a constructor that fails leaves no half-made menu bar.
        const Ref<class MenuBar1> made = NewObject(MenuBar1::Class()).Cast<class MenuBar1>();
        made->Constructor();
        implicitInstance = made;
    }
    return implicitInstance;
}

void ReleaseMenuBar1() { implicitInstance = nullptr; }
