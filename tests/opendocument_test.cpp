// Every road of a dropped item through the application: what the user is shown, what reaches
// the run, and that each road ends with the quit. The run itself is recorded, not made.
// And the menu bar whose Quit item the roads use.

#include <QApplication>

#include "app/app.h"
#include "app/menubar1.h"
#include "kit/programkit.h"
#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/runtime_p.h"

namespace {

const char* const kDialog = "WndOptions.WndOptions";

// The confirmation, byte for byte: its lines joined by carriage returns alone.
std::string Confirmation(bool recurse, bool keepAliasNames) {
    const std::string scope =
        recurse ? "We're about to recursively search and replace every alias in this folder or "
                  "its subfolders with a copy of the aliased file.\r"
                : "We're about to search and replace every alias in this folder with a copy of "
                  "the aliased file.\r";
    const std::string names =
        keepAliasNames
            ? "We'll be using the name that was assigned to the alias.\r"
              "If the alias was called 'My File Alias' and the original file 'My File' then the "
              "alias would be replaced by a copy of the original file carrying the name "
              "'My File Alias'.\r"
            : "We'll be using the name of the original file.\r"
              "If the alias was called 'My File Alias' and the original file 'My File' then the "
              "alias would be removed, and its place would be taken by a copy of the original "
              "file carrying the name 'My File'.\r";
    return scope + names + "\rAre you really sure?";
}

// RecordingApp records the run it is asked for instead of making it, and each request for
// the usage message.
class RecordingApp : public App {
public:
    void WendleAliases(Ref<FolderItem> folder, bool recurse, bool keepAliasNames) override {
        run = folder->AbsolutePath() + (recurse ? " recurse" : "") +
              (keepAliasNames ? " keep" : "");
        Quit(0);
    }
    void ShowUsageMessage() override {
        usageRequests.push_back(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        App::ShowUsageMessage();
    }
    std::string run;
    std::vector<bool> usageRequests;  // each: whether a message box was up
};

class OpenDocument : public ManualClockTest {
protected:
    void SetUp() override {
        NewApp();
        fFolder.Make({"drop/", "file=data", "link to folder@drop"});
    }
    // NewApp starts a fresh runtime on the manual clock with a fresh application object.
    void NewApp() {
        ManualClockTest::SetUp();
        fApp = New<RecordingApp>();
        fApp->SetMenuBar(MenuBar1());  // its Quit item's shortcut, Ctrl+Q
        RuntimeRegisterAppObject(fApp);
    }

    Ref<RecordingApp> fApp;
    TempFolder fFolder;
};

TEST_F(OpenDocument, EveryRoadShowsWhatItMustAndEndsWithTheQuit) {
    constexpr int32_t kNoBox = 0;
    constexpr int32_t kConfirm = 305;  // OK and Cancel, the caution icon, Cancel the default
    constexpr int32_t kCtrlQ = -1;     // the box is answered with Ctrl+Q
    struct Road {
        const char* item;    // under the folder; null: the event carries no item
        bool option;         // Alt held
        const char* dialog;  // null: must not come; "Cancel"; "Quit" (Ctrl+Q); or the ticks
                             // ("10": recurse) then OK
        int32_t answer;      // to the one message box that must come, or kNoBox
        std::string text;    // of that box
        int32_t flags;       // of that box
        const char* run;     // what the run gets after the folder's path; null: no run
    };
    const Road roads[] = {
        {"file", true, nullptr, kMsgBoxResultOK, kUsageText, 0, nullptr},
        {"link to folder", true, nullptr, kMsgBoxResultOK, kUsageText, 0, nullptr},
        {nullptr, false, nullptr, kMsgBoxResultOK, kUsageText, 0, nullptr},
        {"drop", false, nullptr, kMsgBoxResultOK, Confirmation(false, false), kConfirm, ""},
        {"drop", true, "11", kMsgBoxResultOK, Confirmation(true, true), kConfirm, " recurse keep"},
        {"drop", true, "10", kMsgBoxResultOK, Confirmation(true, false), kConfirm, " recurse"},
        {"drop", true, "01", kMsgBoxResultOK, Confirmation(false, true), kConfirm, " keep"},
        {"drop", true, "00", kMsgBoxResultCancel, Confirmation(false, false), kConfirm, nullptr},
        {"drop", true, "Cancel", kNoBox, "", 0, nullptr},
        // Ctrl+Q in the usage message, in the dialog and in the confirmation: no run.
        {"file", false, nullptr, kCtrlQ, kUsageText, 0, nullptr},
        {"drop", true, "Quit", kNoBox, "", 0, nullptr},
        {"drop", false, nullptr, kCtrlQ, Confirmation(false, false), kConfirm, nullptr},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(std::string(road.item ? road.item : "no item") + (road.option ? ", Alt" : "") +
                     ", dialog " + (road.dialog ? road.dialog : "none"));
        NewApp();
        Keyboard::HoldOptionKey(road.option);
        const std::string ticks = road.dialog ? road.dialog : "";
        const User::ActionHandle dialog = User::WhenShown(kDialog, [&](const Ref<Window>& w) {
            if (ticks == "Quit") {
                User::PressKey(w, User::Key::Quit);
                if (!w->Visible()) return;
                ADD_FAILURE() << "Ctrl+Q left the dialog up";
            } else if (ticks != "Cancel") {
                User::SetCheckBox(w, "ChkRecursive", ticks[0] == '1');
                User::SetCheckBox(w, "ChkKeepAliasNames", ticks[1] == '1');
            }
            User::Push(w, ticks.size() == 2 ? "BtnOK" : "BtnCancel");
        });
        const User::MessageBoxAnswer box = road.answer == kCtrlQ
                                               ? User::AnswerNextMessageBox(User::Key::Quit)
                                               : User::AnswerNextMessageBox(road.answer);
        // A box more than the road shows gets this answer: it fails the test, not hangs it.
        const User::MessageBoxAnswer extra = User::AnswerNextMessageBox(kMsgBoxResultCancel);

        fApp->Event_OpenDocument(road.item ? New<FolderItem>(fFolder.Path(road.item)) : nullptr);

        EXPECT_EQ(dialog->Done, road.dialog != nullptr);
        EXPECT_EQ(box->Answered, road.answer != kNoBox);
        EXPECT_EQ(box->Text, road.text);
        EXPECT_EQ(box->Flags, road.flags);
        EXPECT_FALSE(extra->Answered) << extra->Text;
        EXPECT_EQ(fApp->run, road.run ? fFolder.Path("drop") + road.run : "");
        EXPECT_EQ(fApp->usageRequests.size(), 1u);  // the common end, silent after a folder
        EXPECT_TRUE(QuitRequested());
        EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
        User::Reset();
    }
}

TEST_F(OpenDocument, UsageTimerFiringDuringTheDialogOrTheConfirmationShowsNothing) {
    // With the dialog up the user lets a usage timer fire, then leaves a second one due as
    // they press OK, so that it fires as the confirmation comes; the user cancels that.
    const auto fireUsageTimer = [&] {
        fApp->Event_Activate();
        Clock::Advance(Clock::Seconds(1.5));
    };
    Keyboard::HoldOptionKey(true);
    const User::ActionHandle dialog = User::WhenShown(kDialog, [&](const Ref<Window>& w) {
        fireUsageTimer();
        User::WaitUntil([&] { return fApp->usageRequests.size() == 1; });
        EXPECT_FALSE(QuitRequested());
        fireUsageTimer();
        User::Push(w, "BtnOK");
    });
    // A usage message, which must not come, would take the answer meant for the confirmation.
    const User::MessageBoxAnswer confirm = User::AnswerNextMessageBox(kMsgBoxResultCancel);
    const User::MessageBoxAnswer extra = User::AnswerNextMessageBox(kMsgBoxResultCancel);

    fApp->Event_OpenDocument(New<FolderItem>(fFolder.Path("drop")));

    EXPECT_TRUE(dialog->Done);
    EXPECT_EQ(confirm->Text, Confirmation(false, false));
    EXPECT_FALSE(extra->Answered) << extra->Text;
    // The two timers, the second around the confirmation (just before it or while it is up:
    // the scheduling decides), then the common end; none of them showed anything.
    EXPECT_EQ(fApp->usageRequests.size(), 3u);
    EXPECT_EQ(fApp->run, "");
}

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
