// The menu bar and the document type the program declares at start-up.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/filetypes1.h"
#include "app/menubar1.h"

namespace {

// Describe lists a menu tree as "parent/name text [shortcut] kind" lines, depth first.
void Describe(const Ref<MenuItem>& menu, const std::string& parent, std::vector<std::string>& lines) {
    for (int32_t i = 0; i < menu->Count(); ++i) {
        const Ref<MenuItem> item = menu->Item(i);
        const bool quits = static_cast<bool>(item.Cast<QuitMenuItem>());
        lines.push_back(parent + "/" + item->Name() + " " + item->Text() + " [" +
                        item->KeyboardShortcut() + "]" + (quits ? " quits" : "") +
                        (item->AutoEnable() ? "" : " manual"));
        Describe(item, parent + "/" + item->Name(), lines);
    }
}

std::vector<std::string> Describe(const Ref<MenuItem>& menu) {
    std::vector<std::string> lines;
    Describe(menu, "", lines);
    return lines;
}

TEST(MenuBar1, BuildsTheFileAndEditMenusOnceInTheirOrder) {
    const Ref<class MenuBar1> bar = MenuBar1();
    const std::vector<std::string> expected = {
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
    };
    EXPECT_EQ(Describe(bar), expected);

    // The separators are items like the others, found by their names.
    const Ref<MenuItem> edit = bar->Child("EditMenu");
    ASSERT_TRUE(edit);
    ASSERT_TRUE(edit->Child("UntitledMenu1"));
    EXPECT_TRUE(edit->Child("UntitledMenu1")->IsSeparator());
    EXPECT_TRUE(edit->Child("UntitledMenu0")->IsSeparator());

    // Later calls hand out the same bar and build nothing more.
    EXPECT_EQ(MenuBar1(), bar);
    EXPECT_EQ(Describe(MenuBar1()), expected);
}

TEST(MenuBar1, ReleasedInstanceIsBuiltAfreshOnTheNextCall) {
    const Ref<class MenuBar1> first = MenuBar1();
    ReleaseMenuBar1();
    const Ref<class MenuBar1> second = MenuBar1();
    EXPECT_NE(second, first);
    EXPECT_EQ(Describe(second), Describe(first));
}

TEST(FileTypes1, RegistersOneCompleteTypeUntilReleased) {
    FileTypes1::Initialize();
    ASSERT_TRUE(FileTypes1::pAll);
    const std::vector<FileTypeRegistration> registered = RegisteredFileTypes();
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].Type, FileTypes1::pAll.Get());
    EXPECT_EQ(registered[0].Name, "All");
    EXPECT_EQ(registered[0].MacCreator, "????");
    EXPECT_EQ(registered[0].MacType, "alis");
    EXPECT_EQ(registered[0].Extensions, "*");

    FileTypes1::pAll = nullptr;
    EXPECT_TRUE(RegisteredFileTypes().empty());
}

}  // namespace
