#pragma once

#include "platform/menu.h"

// MenuBar1: the application's menu bar, File and Edit.
class MenuBar1 : public MenuBar {
public:
    static const ClassRecord& Class();

    // Constructor builds the File menu, then the Edit menu.
    void Constructor() override;
    virtual void FileMenu();
    virtual void EditMenu();
};

// MenuBar1() is the one instance, built on the first call.
Ref<class MenuBar1> MenuBar1();

// Releases the instance; the program's finalisation calls it last.
void ReleaseMenuBar1();
