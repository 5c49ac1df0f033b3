// Message boxes: buttons, icon and default button from the flags; keys; line breaks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/user.h"
#include "platform/msgbox.h"

namespace {

TEST(MsgBox, FlagsGiveTheButtonsIconAndDefaultButton) {
    const int32_t OK = kMsgBoxResultOK, Cancel = kMsgBoxResultCancel, Abort = kMsgBoxResultAbort,
                  Retry = kMsgBoxResultRetry, Ignore = kMsgBoxResultIgnore, Yes = kMsgBoxResultYes,
                  No = kMsgBoxResultNo;
    const struct {
        int32_t flags;
        std::vector<int32_t> buttons;
        int32_t icon, defaultButton;
    } cases[] = {
        {0, {OK}, 0, OK},
        {305, {OK, Cancel}, kMsgBoxCautionIcon, Cancel},  // the confirmation
        {2 + 16 + 512, {Abort, Retry, Ignore}, kMsgBoxStopIcon, Ignore},
        {3 + 32 + 256, {Yes, No, Cancel}, kMsgBoxQuestionIcon, No},
        {4 + 64, {Yes, No}, kMsgBoxNoteIcon, Yes},
        {4 + 512, {Yes, No}, 0, Yes},  // no third button: the first is the default
    };
    for (const auto& c : cases) {
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
    const struct {
        int32_t flags, key, result;
    } cases[] = {
        {305, User::kPressReturn, kMsgBoxResultCancel},
        {1, User::kPressEscape, kMsgBoxResultCancel},
        {1, User::kPressReturn, kMsgBoxResultOK},
        {0, User::kPressEscape, kMsgBoxResultOK},  // a box with one button
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags) + (c.key == User::kPressReturn ? ", Return" : ", Escape"));
        auto box = User::AnswerNextMessageBox(c.key);
        EXPECT_EQ(MsgBox("Proceed?", c.flags, ""), c.result);
        EXPECT_TRUE(box->Answered);
    }
}

TEST(MsgBox, TextKeepsItsBytesAndShowsEachLineBreakOnce) {
    const std::string text = "Replace the aliases in\r\"/tmp/a b\"?\r\rFirst\nSecond\r\nThird <b>bold</b>";
    auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
    MsgBox(text, 305, "");
    EXPECT_EQ(box->Text, text);
    EXPECT_EQ(box->ShownText, "Replace the aliases in\n\"/tmp/a b\"?\n\nFirst\nSecond\nThird <b>bold</b>");
}

}  // namespace
