// The application object on the manual clock: every road of a dropped item through it (what
// the user is shown, what reaches the run, and that each road ends with the quit), the menu
// bar whose Quit item the roads use, the usage message and its timer, a run from start to
// quit or stopped by Ctrl+Q, and the event loop under it all.

#include <QTimer>

#include "app/app.h"
#include "app/menubar1.h"
#include "kit/programkit.h"
#include "platform/filecopy_p.h"
#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/runtime_p.h"
#include "platform/thread.h"

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

// RecordingApp records the run it is asked for instead of making it (App::WendleAliases
// makes it), and counts the requests for the usage message.
class RecordingApp : public App {
public:
    void WendleAliases(Ref<FolderItem> folder, bool recurse, bool keepAliasNames) override {
        run = folder->AbsolutePath() + (recurse ? " recurse" : "") +
              (keepAliasNames ? " keep" : "");
        Quit(0);
    }
    void ShowUsageMessage() override {
        ++usageRequests;
        App::ShowUsageMessage();
    }
    std::string run;
    size_t usageRequests = 0;
};

class AppTest : public ManualClockTest {
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

TEST_F(AppTest, EveryRoadShowsWhatItMustAndEndsWithTheQuit) {
    constexpr int32_t kNoBox = 0;
    constexpr int32_t kConfirm = 305;  // OK and Cancel, the caution icon, Cancel the default
    constexpr int32_t kCtrlQ = -1;     // the box is answered with Ctrl+Q
    struct Road {
        const char* item;    // under the folder; null: the event carries no item
        bool option;         // Alt held
        const char* dialog;  // null: must not come; "Cancel"; "Quit" (Ctrl+Q); or the ticks
                             // ("10": recurse) then OK
        int32_t answer;      // to the one message box that must come, or kNoBox
        std::string text;    // of that box; a confirmation has kConfirm for flags, others 0
        const char* run;     // what the run gets after the folder's path; null: no run
    };
    const Road roads[] = {
        {"file", true, nullptr, kMsgBoxResultOK, kUsageText, nullptr},
        {"link to folder", true, nullptr, kMsgBoxResultOK, kUsageText, nullptr},
        {nullptr, false, nullptr, kMsgBoxResultOK, kUsageText, nullptr},
        {"drop", false, nullptr, kMsgBoxResultOK, Confirmation(false, false), ""},
        {"drop", true, "11", kMsgBoxResultOK, Confirmation(true, true), " recurse keep"},
        {"drop", true, "10", kMsgBoxResultOK, Confirmation(true, false), " recurse"},
        {"drop", true, "01", kMsgBoxResultOK, Confirmation(false, true), " keep"},
        {"drop", true, "00", kMsgBoxResultCancel, Confirmation(false, false), nullptr},
        {"drop", true, "Cancel", kNoBox, "", nullptr},
        // Ctrl+Q in the usage message, in the dialog and in the confirmation: no run.
        {"file", false, nullptr, kCtrlQ, kUsageText, nullptr},
        {"drop", true, "Quit", kNoBox, "", nullptr},
        {"drop", false, nullptr, kCtrlQ, Confirmation(false, false), nullptr},
    };
    // A usage timer fires with the dialog up, and one more is left due as OK is pressed, so
    // that it fires as the confirmation comes: neither may show anything.
    const auto fireUsageTimer = [&] {
        fApp->Event_Activate();
        Clock::Advance(Clock::Seconds(1.5));
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(std::string(road.item ? road.item : "no item") + (road.option ? ", Alt" : "") +
                     ", dialog " + (road.dialog ? road.dialog : "none"));
        NewApp();
        Keyboard::HoldOptionKey(road.option);
        const std::string ticks = road.dialog ? road.dialog : "";
        const User::ActionHandle dialog = User::WhenShown(kDialog, [&](const Ref<Window>& w) {
            fireUsageTimer();
            User::WaitUntil([&] { return fApp->usageRequests == 1; });
            if (ticks == "Quit") {
                User::PressKey(w, User::Key::Quit);
                if (!w->Visible()) return;
                ADD_FAILURE() << "Ctrl+Q left the dialog up";
            } else if (ticks != "Cancel") {
                User::SetCheckBox(w, "ChkRecursive", ticks[0] == '1');
                User::SetCheckBox(w, "ChkKeepAliasNames", ticks[1] == '1');
                fireUsageTimer();
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
        EXPECT_EQ(box->Flags, road.text.starts_with("We're") ? kConfirm : 0);
        EXPECT_FALSE(extra->Answered) << extra->Text;
        EXPECT_EQ(fApp->run, road.run ? fFolder.Path("drop") + road.run : "");
        // The timers (the second just before the confirmation or while it is up: the
        // scheduling decides), then the common end, silent after a folder.
        EXPECT_EQ(fApp->usageRequests, (road.dialog ? 2u : 1u) + (ticks.size() == 2 ? 1 : 0));
        EXPECT_TRUE(QuitRequested());
        EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
        User::Reset();
    }
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

// That it is built once, and installed, start-up shows.
TEST(MenuBar1, BuildsTheFileAndEditMenus) {
    Lines lines;
    Describe(MenuBar1(), "", lines);
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
}

TEST_F(AppTest, UsageMessageComesOnceOneSecondAfterTheLatestActivation) {
    // A second box would take the second answer instead of blocking the test.
    const auto first = User::AnswerNextMessageBox(kMsgBoxResultOK);
    const auto second = User::AnswerNextMessageBox(kMsgBoxResultOK);
    fApp->Event_Activate();
    fApp->DoEvents(500);
    fApp->Event_Activate();  // the first timer goes without firing
    fApp->DoEvents(990);
    EXPECT_FALSE(first->Answered);
    fApp->DoEvents(20);
    EXPECT_EQ(first->Text, kUsageText);  // its flags: the roads above
    EXPECT_TRUE(QuitRequested());
    // A quit requested answers every later box unseen: forgotten, with the same application.
    ManualClockTest::SetUp();
    RuntimeRegisterAppObject(fApp);
    fApp->Event_Activate();
    fApp->DoEvents(1500);
    EXPECT_FALSE(second->Answered) << "shown twice";
}

TEST_F(AppTest, ARunGoesToItsEndOrStopsAtCtrlQAsCancelDoesAndQuitsWithZero) {
    // "drop" holds the aliases "l1" and "l2" and the folder "sub" with one of its own, all to
    // a file big enough to be copied on a helper thread. Bar values: 0..2 collect, 3 enters "sub",
    // whose closing block writes 6 and 7, then the aliases 4 and 5, then the closing 6, 7.
    // The whole run's wait outlasts the worker's sleeps (a copy, the closing block) with the
    // top folder's aliases still to come.
    // The key is pressed once the bar has reached a value (99: never), at the run's next
    // pauses: with every yield a pause, in the collect phase; otherwise in "sub", during the
    // big copy (or just before, should a time slice end first), which completes or is not
    // begun. A quit requested before the run (a signal) stops it as soon as its window shows.
    const std::string big((9 << 20) + 1, 'b');
    const struct {
        const char* when;
        int pressAt;
        bool everyYield;
        Values values;
    } runs[] = {
        {"never", 99, false, {0, 1, 2, 3, 6, 7, 4, 5, 6, 7}},
        {"before the window shows", -1, false, {0, 6, 7}},
        {"collecting", 1, true, {0, 1, 6, 7}},
        {"copying in a nested folder", 3, false, {0, 1, 2, 3, 6, 7, 6, 7}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.when);
        NewApp();
        SetDeterministicScheduling(run.everyYield);
        FileCopyPrivate::SetAnonymousFilesForTesting(false);  // a named temporary must go too
        TempFolder t;
        t.Make({"src/", "drop/", "drop/sub/", "drop/l1@../src/big", "drop/l2@../src/big",
                "drop/sub/big alias@../../src/big"});
        t.File("src/big", big);
        WindowWatch watch;
        watch.onValue = [&](int value) {
            if (value == run.pressAt && watch.values.size() == static_cast<size_t>(value) + 1)
                QMetaObject::invokeMethod(&watch, [] { User::PressKey(WndProgress(), User::Key::Quit); },
                                          Qt::QueuedConnection);
        };

        if (run.pressAt < 0) Quit(0);
        fApp->App::WendleAliases(GetTrueFolderItem(t.Path("drop"), 0), true, true);  // not recorded
        FileCopyPrivate::SetAnonymousFilesForTesting(true);

        EXPECT_EQ(watch.values, run.values);
        EXPECT_FALSE(WndProgress()->Visible());
        EXPECT_EQ(t.IsLink("drop/l1") + t.IsLink("drop/l2"), run.pressAt == 99 ? 0 : 2);
        EXPECT_EQ(t.Entries("drop/sub"), std::vector<std::string>{"big alias"});
        EXPECT_TRUE(t.IsLink("drop/sub/big alias") || t.Read("drop/sub/big alias") == big);
        EXPECT_TRUE(QuitRequested() && RuntimePrivate::ExitStatus() == 0);
    }
}

// Recorder logs every event it is given. Each document's handler waits as a run's wait does,
// and the second one quits.
class Recorder : public Application {
public:
    Lines fLog;

    void Event_Open() override { fLog.push_back("Open"); }
    void Event_Close() override { fLog.push_back("Close"); }
    void Event_Activate() override { fLog.push_back("Activate"); }
    void Event_OpenDocument(Ref<FolderItem> item) override {
        std::string path = item->AbsolutePath();
        fLog.push_back("Open " + path);
        for (int i = 0; i < 5; ++i) DoEvents(100);
        if (path == "/work/b") {
            Quit(0);
            Quit(3);  // the first code stands
        }
        fLog.push_back("Done " + path);
    }
};

using EventLoop = ManualClockTest;

TEST_F(EventLoop, RunDeliversEachDocumentAfterActivateOnceTheLastHasEnded) {
    Ref<Recorder> app = New<Recorder>();
    RuntimeRegisterAppObject(app);
    // Should the loop never end, this ends it and the test fails on what it finds.
    QObject reaper;
    QTimer::singleShot(20000, &reaper, [] { Quit(99); });
    SetCommandLineDocumentsForTesting({"/work/a", "/work/b", "/work/c"});
    RuntimeRun();  // that it reports /work/c, held back, start-up shows
    EXPECT_EQ(app->fLog, (Lines{"Open", "Activate", "Open /work/a", "Done /work/a",
                                "Open /work/b", "Done /work/b", "Close"}));
    EXPECT_EQ(RuntimePrivate::ExitStatus(), 0);
}

}  // namespace
