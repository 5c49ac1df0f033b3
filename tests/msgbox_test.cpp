// Message boxes: buttons, icons and default buttons from the flags; answers; line breaks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/user.h"
#include "platform/msgbox.h"
#include "platform/thread.h"

namespace {

struct FlagCase {
    int32_t flags;
    std::vector<int32_t> buttons;
    int32_t icon;
    int32_t defaultButton;
};

TEST(MsgBox, FlagsGiveTheButtonsIconAndDefaultButton) {
    const int32_t OK = kMsgBoxResultOK, Cancel = kMsgBoxResultCancel, Abort = kMsgBoxResultAbort,
                  Retry = kMsgBoxResultRetry, Ignore = kMsgBoxResultIgnore, Yes = kMsgBoxResultYes,
                  No = kMsgBoxResultNo;
    const FlagCase cases[] = {
        {0, {OK}, 0, OK},
        {305, {OK, Cancel}, kMsgBoxCautionIcon, Cancel},  // the confirmation
        {1, {OK, Cancel}, 0, OK},
        {2 + 16 + 512, {Abort, Retry, Ignore}, kMsgBoxStopIcon, Ignore},
        {3 + 32 + 256, {Yes, No, Cancel}, kMsgBoxQuestionIcon, No},
        {4 + 64, {Yes, No}, kMsgBoxNoteIcon, Yes},
        {5 + 256, {Retry, Cancel}, 0, Cancel},
        {4 + 512, {Yes, No}, 0, Yes},  // no third button: the first is the default
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        // Answer with the last button, which is never the one listed first.
        auto box = User::AnswerNextMessageBox(c.buttons.back());
        int32_t result = MsgBox("Text", c.flags, "");
        ASSERT_TRUE(box->Answered);
        EXPECT_EQ(box->Buttons, c.buttons);
        EXPECT_EQ(box->Icon, c.icon);
        EXPECT_EQ(box->DefaultButton, c.defaultButton);
        EXPECT_EQ(result, c.buttons.back());
        EXPECT_EQ(box->Result, result);
    }
}

TEST(MsgBox, ReturnAnswersTheDefaultButtonAndEscapeTheCancelButton) {
    auto returned = User::AnswerNextMessageBox(User::kPressReturn);
    EXPECT_EQ(MsgBox("Proceed?", 305, ""), kMsgBoxResultCancel);
    auto escaped = User::AnswerNextMessageBox(User::kPressEscape);
    EXPECT_EQ(MsgBox("Proceed?", 1, ""), kMsgBoxResultCancel);
    auto accepted = User::AnswerNextMessageBox(User::kPressReturn);
    EXPECT_EQ(MsgBox("Proceed?", 1, ""), kMsgBoxResultOK);
    auto dismissed = User::AnswerNextMessageBox(User::kPressEscape);
    MsgBox("Only OK");  // Escape dismisses a box with one button
    EXPECT_TRUE(returned->Answered && escaped->Answered && accepted->Answered && dismissed->Answered);
    EXPECT_EQ(dismissed->Result, kMsgBoxResultOK);
}

TEST(MsgBox, TextKeepsItsBytesAndShowsEachLineBreakOnce) {
    const std::string text = "Replace the aliases in\r\"/tmp/a b\"?\r\rFirst\nSecond\r\nThird <b>bold</b>";
    auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
    MsgBox(text, 305, "");
    EXPECT_EQ(box->Text, text);
    EXPECT_EQ(box->ShownText, "Replace the aliases in\n\"/tmp/a b\"?\n\nFirst\nSecond\nThird <b>bold</b>");
    EXPECT_EQ(box->Title, "");
    EXPECT_EQ(box->Flags, 305);

    auto usage = User::AnswerNextMessageBox(kMsgBoxResultOK);
    MsgBox("Drop a folder\non the icon.");
    EXPECT_EQ(usage->Buttons, (std::vector<int32_t>{kMsgBoxResultOK}));
    EXPECT_EQ(usage->Icon, 0);
    EXPECT_EQ(usage->ShownText, "Drop a folder\non the icon.");
}

TEST(MsgBox, ScheduledAnswersServeTheBoxesInTurn) {
    auto first = User::AnswerNextMessageBox(kMsgBoxResultNo);
    auto second = User::AnswerNextMessageBox(kMsgBoxResultRetry);
    EXPECT_EQ(MsgBox("one", kMsgBoxYesNo, "t"), kMsgBoxResultNo);
    EXPECT_EQ(MsgBox("two", kMsgBoxRetryCancel, "t"), kMsgBoxResultRetry);
    EXPECT_EQ(first->Text, "one");
    EXPECT_EQ(second->Text, "two");

    // An answer with a button the box lacks presses Return instead, and says so.
    auto missing = User::AnswerNextMessageBox(kMsgBoxResultYes);
    EXPECT_EQ(MsgBox("three", 305, ""), kMsgBoxResultCancel);
    EXPECT_FALSE(missing->ButtonFound);
}

// Asker shows a message box from its own thread, as a worker would.
class Asker : public Thread {
public:
    int32_t fResult = 0;

protected:
    void Event_Run() override { fResult = MsgBox("From a thread", 305, ""); }
};

class Busy : public Thread {
public:
    bool fStop = false;
    int fTurns = 0;

protected:
    void Event_Run() override {
        while (!fStop) {
            ++fTurns;
            Yield();
        }
    }
};

TEST(MsgBox, ABoxOnAThreadWaitsForItsAnswerWhileOtherThreadsRun) {
    auto asker = New<Asker>();
    auto busy = New<Busy>();
    busy->Run();
    asker->Run();
    // The answer comes only once the busy thread has had many turns.
    ASSERT_TRUE(User::WaitUntil([&] { return busy->fTurns > 20; }, 3000));
    EXPECT_NE(asker->State(), Thread::kNotRunning);
    auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
    EXPECT_TRUE(User::WaitUntil([&] { return asker->State() == Thread::kNotRunning; }, 3000));
    EXPECT_TRUE(box->Answered);
    EXPECT_EQ(asker->fResult, kMsgBoxResultOK);
    busy->fStop = true;
    EXPECT_TRUE(User::WaitUntil([&] { return busy->State() == Thread::kNotRunning; }, 3000));
}

}  // namespace
