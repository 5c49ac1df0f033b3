// Every road of a dropped item through the application: what the user is shown, in which
// order, what reaches the run, and that each road ends with the quit. The run itself is
// recorded, not made; the usage message is the application's own.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "kit/tempfolder.h"
#include "kit/user.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/folderitem.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

const char* const kDialog = "WndOptions.WndOptions";
const char* const kUsageStart = "Drag/drop a folder icon";

// The four confirmations, byte for byte: lines joined by carriage returns alone.
const std::string kConfirmRecurseKeep =
    "We're about to recursively search and replace every alias in this folder or its "
    "subfolders with a copy of the aliased file.\r"
    "We'll be using the name that was assigned to the alias.\r"
    "If the alias was called 'My File Alias' and the original file 'My File' then the alias "
    "would be replaced by a copy of the original file carrying the name 'My File Alias'.\r"
    "\r"
    "Are you really sure?";
const std::string kConfirmRecurse =
    "We're about to recursively search and replace every alias in this folder or its "
    "subfolders with a copy of the aliased file.\r"
    "We'll be using the name of the original file.\r"
    "If the alias was called 'My File Alias' and the original file 'My File' then the alias "
    "would be removed, and its place would be taken by a copy of the original file carrying "
    "the name 'My File'.\r"
    "\r"
    "Are you really sure?";
const std::string kConfirmKeep =
    "We're about to search and replace every alias in this folder with a copy of the aliased "
    "file.\r"
    "We'll be using the name that was assigned to the alias.\r"
    "If the alias was called 'My File Alias' and the original file 'My File' then the alias "
    "would be replaced by a copy of the original file carrying the name 'My File Alias'.\r"
    "\r"
    "Are you really sure?";
const std::string kConfirmPlain =
    "We're about to search and replace every alias in this folder with a copy of the aliased "
    "file.\r"
    "We'll be using the name of the original file.\r"
    "If the alias was called 'My File Alias' and the original file 'My File' then the alias "
    "would be removed, and its place would be taken by a copy of the original file carrying "
    "the name 'My File'.\r"
    "\r"
    "Are you really sure?";

// An App whose run is only recorded, and which notes every usage request it gets.
class RecordingApp : public App {
public:
    void WendleAliases(Ref<FolderItem> folder, bool recurse, bool keepAliasNames) override {
        runs.push_back(folder->AbsolutePath() + (recurse ? " recurse" : "") +
                       (keepAliasNames ? " keep" : ""));
        Quit(0);
    }
    void ShowUsageMessage() override {
        ++usageRequests;
        if (onUsageRequest) onUsageRequest();
        App::ShowUsageMessage();
    }

    std::vector<std::string> runs;
    int usageRequests = 0;
    std::function<void()> onUsageRequest;
};

// WhenMessageBoxUp runs step once a message box is the modal window, polling for it, or after
// a few seconds in any case, so a step that answers the box never leaves it hanging.
void WhenMessageBoxUp(std::function<void()> step, int triesLeft = 1000) {
    QTimer::singleShot(5, [step = std::move(step), triesLeft]() mutable {
        if (triesLeft == 0 || qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            step();
        else
            WhenMessageBoxUp(std::move(step), triesLeft - 1);
    });
}

// UsageBoxWatch dismisses and counts every usage message that comes up while it lives, so a
// usage message on a road that must not show one fails the test instead of hanging it.
class UsageBoxWatch {
public:
    UsageBoxWatch() {
        fPoll.callOnTimeout([this] { Check(); });
        fPoll.start(5);
    }
    int Count() const { return fCount; }

private:
    void Check() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->text().startsWith(QString::fromUtf8(kUsageStart))) return;
        ++fCount;
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
    }

    QTimer fPoll;
    int fCount = 0;
};

class OpenDocument : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRuntimeForTesting();
        fApp = New<RecordingApp>();
        RuntimeRegisterAppObject(fApp);
        fFolder.Folder("drop");
    }
    void TearDown() override {
        User::Reset();
        Clock::UseSystemClock();
        ResetRuntimeForTesting();
    }

    void Drop(const Ref<FolderItem>& item) { fApp->Event_OpenDocument(item); }
    void Drop(const std::string& path) { Drop(New<FolderItem>(path)); }

    // Unexpected answers anything the road should not have shown, so a wrong road fails the
    // test instead of hanging it.
    void ExpectNothingMoreShown(const std::function<void()>& road) {
        const User::MessageBoxAnswer box = User::AnswerNextMessageBox(kMsgBoxResultCancel);
        const User::ActionHandle dialog = User::PushWhenShown(kDialog, "BtnCancel");
        road();
        EXPECT_FALSE(box->Answered) << "unexpected message box: " << box->Text;
        EXPECT_FALSE(dialog->Done) << "unexpected options dialog";
    }

    Ref<RecordingApp> fApp;
    TempFolder fFolder;
};

TEST_F(OpenDocument, ItemsThatAreNoFolderShowTheUsageMessageAndQuit) {
    fFolder.File("file", "data");
    fFolder.Link("link to folder", "drop");
    const std::vector<Ref<FolderItem>> items = {
        New<FolderItem>(fFolder.Path("file")),
        New<FolderItem>(fFolder.Path("missing")),
        New<FolderItem>(fFolder.Path("link to folder")),
        New<FolderItem>("not/absolute"),
        nullptr,
    };
    for (const Ref<FolderItem>& item : items) {
        SCOPED_TRACE(item ? item->AbsolutePath() : "nil");
        ResetRuntimeForTesting();
        fApp = New<RecordingApp>();
        RuntimeRegisterAppObject(fApp);
        User::HoldAlt(true);  // read, and changes nothing

        const User::MessageBoxAnswer usage = User::AnswerNextMessageBox(kMsgBoxResultOK);
        ExpectNothingMoreShown([&] { Drop(item); });
        EXPECT_TRUE(usage->Answered);
        EXPECT_EQ(usage->Text.rfind(kUsageStart, 0), 0u) << usage->Text;
        EXPECT_TRUE(fApp->runs.empty());
        EXPECT_TRUE(QuitRequested());
        User::Reset();
    }
    EXPECT_EQ(fFolder.Entries(), (std::vector<std::string>{"drop", "file", "link to folder"}));
}

TEST_F(OpenDocument, FolderWithoutOptionIsConfirmedWithBothOptionsOff) {
    const User::MessageBoxAnswer confirm = User::AnswerNextMessageBox(kMsgBoxResultOK);
    ExpectNothingMoreShown([&] { Drop(fFolder.Path("drop")); });

    ASSERT_TRUE(confirm->Answered);
    EXPECT_EQ(confirm->Text, kConfirmPlain);
    EXPECT_EQ(confirm->Text.size(), 355u);
    EXPECT_EQ(confirm->Flags, 305);
    EXPECT_EQ(confirm->Title, "");
    EXPECT_EQ(fApp->runs, std::vector<std::string>{fFolder.Path("drop")});
    EXPECT_EQ(fApp->usageRequests, 1);  // the common end, which shows nothing
    EXPECT_TRUE(QuitRequested());
}

TEST_F(OpenDocument, OptionShowsTheDialogWhoseTicksTheConfirmationSpellsOut) {
    struct Road {
        bool recurse, keepAliasNames;
        const std::string& text;
        size_t length;
    };
    const Road roads[] = {
        {true, true, kConfirmRecurseKeep, 372},
        {true, false, kConfirmRecurse, 385},
        {false, true, kConfirmKeep, 342},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.length);
        ResetRuntimeForTesting();
        fApp = New<RecordingApp>();
        RuntimeRegisterAppObject(fApp);
        User::HoldAlt(true);

        const User::ActionHandle dialog = User::WhenShown(kDialog, [&](const Ref<Window>& w) {
            User::SetCheckBox(w, "ChkRecursive", road.recurse);
            User::SetCheckBox(w, "ChkKeepAliasNames", road.keepAliasNames);
            User::Push(w, "BtnOK");
        });
        const User::MessageBoxAnswer confirm = User::AnswerNextMessageBox(kMsgBoxResultOK);
        ExpectNothingMoreShown([&] { Drop(fFolder.Path("drop")); });

        EXPECT_TRUE(dialog->Done);
        EXPECT_EQ(confirm->Text, road.text);
        EXPECT_EQ(confirm->Text.size(), road.length);
        EXPECT_EQ(fApp->runs, std::vector<std::string>{fFolder.Path("drop") +
                                                       (road.recurse ? " recurse" : "") +
                                                       (road.keepAliasNames ? " keep" : "")});
        EXPECT_TRUE(QuitRequested());
        User::Reset();
    }
}

TEST_F(OpenDocument, CancellingTheDialogOrTheConfirmationEndsQuietly) {
    fFolder.File("original", "data");
    fFolder.Link("drop/alias", "../original");

    User::HoldAlt(true);
    const User::ActionHandle dialog = User::PushWhenShown(kDialog, "BtnCancel");
    ExpectNothingMoreShown([&] { Drop(fFolder.Path("drop")); });
    EXPECT_TRUE(dialog->Done);
    EXPECT_TRUE(QuitRequested());

    ResetRuntimeForTesting();
    User::Reset();
    const User::MessageBoxAnswer confirm = User::AnswerNextMessageBox(kMsgBoxResultCancel);
    ExpectNothingMoreShown([&] { Drop(fFolder.Path("drop")); });
    EXPECT_TRUE(confirm->Answered);
    EXPECT_TRUE(QuitRequested());
    EXPECT_TRUE(fApp->runs.empty());
    EXPECT_TRUE(fFolder.IsLink("drop/alias"));
}

TEST_F(OpenDocument, UsageTimerFiringDuringTheDialogOrTheConfirmationShowsNothing) {
    Clock::UseManualClock();
    bool quitBeforeTheEnd = false;
    fApp->onUsageRequest = [&] { quitBeforeTheEnd = quitBeforeTheEnd || QuitRequested(); };
    // Each time, the user waits with the window up until a fresh usage timer has fired.
    const auto letTheTimerFire = [&](int requests) {
        fApp->Event_Activate();
        Clock::Advance(1.5);
        User::WaitUntil([&] { return fApp->usageRequests == requests; });
    };

    const UsageBoxWatch usageBoxes;
    User::HoldAlt(true);
    User::MessageBoxAnswer confirm;
    const User::ActionHandle dialog = User::WhenShown(kDialog, [&](const Ref<Window>& w) {
        letTheTimerFire(1);
        User::SetCheckBox(w, "ChkRecursive", false);
        User::SetCheckBox(w, "ChkKeepAliasNames", false);
        User::Push(w, "BtnOK");
        WhenMessageBoxUp([&] {
            letTheTimerFire(2);
            confirm = User::AnswerNextMessageBox(kMsgBoxResultCancel);
        });
    });
    Drop(fFolder.Path("drop"));

    EXPECT_TRUE(dialog->Done);
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->Text, kConfirmPlain);
    EXPECT_EQ(usageBoxes.Count(), 0);
    EXPECT_EQ(fApp->usageRequests, 3);  // the two timers, then the common end
    EXPECT_FALSE(quitBeforeTheEnd);
    EXPECT_TRUE(fApp->runs.empty());
    EXPECT_TRUE(QuitRequested());
}

TEST_F(OpenDocument, UsageMessageShownOnceAcrossTwoFailingItems) {
    fFolder.File("file");
    const User::MessageBoxAnswer usage = User::AnswerNextMessageBox(kMsgBoxResultOK);
    Drop(fFolder.Path("file"));
    EXPECT_TRUE(usage->Answered);

    ResetRuntimeForTesting();
    RuntimeRegisterAppObject(fApp);
    ExpectNothingMoreShown([&] { Drop(fFolder.Path("missing")); });
    EXPECT_EQ(fApp->usageRequests, 2);
    EXPECT_TRUE(QuitRequested());
}

}  // namespace
