// The road of one dropped item: re-made from its path and tested; for a folder the options
// (when Option was held) and the confirmation, then the run. Every road ends the application.

#include <string>

#include "app/app.h"
#include "platform/application.h"
#include "platform/folderitem.h"
#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "windows/wndoptions.h"

namespace {

// The confirmation spells out the chosen options. Its lines are joined by carriage returns
// only, never by EndOfLine.
std::string ConfirmationText(bool recurse, bool keepAliasNames) {
    const std::string scope =
        recurse ? "We're about to recursively search and replace every alias in this folder or "
                  "its subfolders with a copy of the aliased file."
                : "We're about to search and replace every alias in this folder with a copy of "
                  "the aliased file.";
    const std::string naming = keepAliasNames
                                   ? "We'll be using the name that was assigned to the alias."
                                   : "We'll be using the name of the original file.";
    const std::string example =
        keepAliasNames
            ? "If the alias was called 'My File Alias' and the original file 'My File' then the "
              "alias would be replaced by a copy of the original file carrying the name "
              "'My File Alias'."
            : "If the alias was called 'My File Alias' and the original file 'My File' then the "
              "alias would be removed, and its place would be taken by a copy of the original "
              "file carrying the name 'My File'.";
    const std::string cr = Chr(13);
    return scope + cr + naming + cr + example + cr + cr + "Are you really sure?";
}

bool IsExistingFolder(const Ref<FolderItem>& item) {
    return item && item->Exists() && item->Directory();
}

// Confirmed asks with OK and Cancel, Cancel the default; only OK confirms.
bool Confirmed(bool recurse, bool keepAliasNames) {
    const int32_t flags = kMsgBoxOKCancel + kMsgBoxCautionIcon + kMsgBoxSecondDefault;
    return MsgBox(ConfirmationText(recurse, keepAliasNames), flags, "") == kMsgBoxResultOK;
}

}  // namespace

void App::Event_OpenDocument(Ref<FolderItem> item) {
    // What stands at the path now, a link taken as the link itself. An event without an item
    // takes the usage road like any other item that is not a folder.
    item = item ? GetTrueFolderItem(item->AbsolutePath(), 0) : nullptr;
    const bool optionKeyDown = Keyboard::AsyncOptionKey();

    if (IsExistingFolder(item)) {
        fSuppressUsageMessage = true;
        bool recurse = false;
        bool keepAliasNames = false;
        bool canceled = false;
        if (optionKeyDown) canceled = WndOptions()->GetOptions(recurse, keepAliasNames);
        if (!canceled && Confirmed(recurse, keepAliasNames)) {
            WendleAliases(item, recurse, keepAliasNames);
            Yield();
        }
    }

    ShowUsageMessage();
    Quit(0);
}
