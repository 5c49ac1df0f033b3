#pragma once

// Menus: a tree of items under the application's menu bar. There is no window to carry a
// visible menu bar here, so the items' shortcuts act in every window of the program.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "object.h"

class QAction;

class MenuItem : public Object {
public:
    static const ClassRecord& Class();

    MenuItem();
    ~MenuItem() override;

    // Constructor makes an empty item; a menu bar class replaces it to build its menus.
    virtual void Constructor();

    void SetName(const std::string& name) { fName = name; }
    std::string Name() const { return fName; }

    // AutoEnable: the framework enables the item by itself.
    void SetAutoEnable(bool autoEnable) { fAutoEnable = autoEnable; }
    bool AutoEnable() const { return fAutoEnable; }

    // Text is the caption; "&" marks the mnemonic and "-" makes a separator.
    void SetText(const std::string& text);
    std::string Text() const { return fText; }
    bool IsSeparator() const { return fText == "-"; }

    // KeyboardShortcut is "Cmd+" and a key (Ctrl here), or empty for none.
    void SetKeyboardShortcut(const std::string& shortcut);
    std::string KeyboardShortcut() const { return fShortcut; }

    // Append adds item as the last child.
    void Append(const Ref<MenuItem>& item);

    // Child is the child item of that Name, or nil.
    Ref<MenuItem> Child(const std::string& name) const;

    int32_t Count() const { return static_cast<int32_t>(fChildren.size()); }
    // Item(i) is child i, from 0; nil outside.
    Ref<MenuItem> Item(int32_t index) const;

    // Action is what choosing the item does; by default nothing.
    virtual void Event_Action() {}

    // The item's action, for the platform: made on first use once the application runs
    // (null before), carrying the text and the shortcut, and raising Event_Action.
    QAction* Action() const;

private:
    std::string fName;
    bool fAutoEnable = false;
    std::string fText;
    std::string fShortcut;
    std::vector<Ref<MenuItem>> fChildren;
    mutable std::unique_ptr<QAction> fAction;
};

// MenuBar is the root of the application's menus.
class MenuBar : public MenuItem {
public:
    static const ClassRecord& Class();
};

// QuitMenuItem quits the application (code 0) when chosen.
class QuitMenuItem : public MenuItem {
public:
    static const ClassRecord& Class();
    void Event_Action() override;
};
