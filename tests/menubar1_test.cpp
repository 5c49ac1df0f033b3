// The menu bar the program builds at start-up.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/menubar1.h"

namespace {

using Lines = std::vector<std::string>;

// Describe lists a menu tree as "parent/name text [shortcut]" lines, depth first, with
// "quits" after the item that quits and "manual" after one that is not enabled by itself.
void Describe(const Ref<MenuItem>& menu, const std::string& parent, Lines& lines) {
    for (int32_t i = 0; i < menu->Count(); ++i) {
        const Ref<MenuItem> item = menu->Item(i);
        const std::string path = parent + "/" + item->Name();
        lines.push_back(path + " " + item->Text() + " [" + item->KeyboardShortcut() + "]" +
                        (item.Cast<QuitMenuItem>() ? " quits" : "") +
                        (item->AutoEnable() ? "" : " manual"));
        Describe(item, path, lines);
    }
}

TEST(MenuBar1, BuildsTheFileAndEditMenusOnce) {
    const Ref<class MenuBar1> bar = MenuBar1();
    EXPECT_EQ(MenuBar1(), bar);  // and builds nothing more
    Lines lines;
    Describe(bar, "", lines);
    EXPECT_EQ(lines, (Lines{
                         "/FileMenu &File []",
                         "/FileMenu/FileQuit &Quit [Cmd+Q] quits",
                         "/EditMenu &Edit []",
                         "/EditMenu/EditUndo &Undo [Cmd+Z]",
                         "/EditMenu/UntitledMenu1 - []",
                         "/EditMenu/EditCut Cu&t [Cmd+X]",
                         "/EditMenu/EditCopy &Copy [Cmd+C]",
                         "/EditMenu/EditPaste &Paste [Cmd+V]",
                         "/EditMenu/EditClear &Delete []",
                         "/EditMenu/UntitledMenu0 - []",
                         "/EditMenu/EditSelectAll Select &All [Cmd+A]",
                     }));
    EXPECT_TRUE(bar->Child("EditMenu")->Child("UntitledMenu1")->IsSeparator());
}

}  // namespace
