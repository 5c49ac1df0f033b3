// Message boxes: buttons, icon and default button from the flags; the text's line breaks.

#include <gtest/gtest.h>

#include <string>

#include "kit/user.h"
#include "platform/msgbox.h"

namespace {

TEST(MsgBox, FlagsGiveTheButtonsIconAndDefaultButton) {
    const struct {
        int32_t flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton defaultButton;
        int32_t answer;  // never the default, so the result is the button's own
    } cases[] = {
        {0, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, kMsgBoxResultOK},
        // The confirmation: Return must not start the run.
        {305, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, QMessageBox::Cancel, kMsgBoxResultOK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        auto box = User::AnswerNextMessageBox(c.answer);
        EXPECT_EQ(MsgBox("Text", c.flags, ""), c.answer);
        ASSERT_TRUE(box->Answered);
        EXPECT_EQ(box->Buttons, c.buttons);
        EXPECT_EQ(box->Icon, c.icon);
        EXPECT_EQ(box->DefaultButton, c.defaultButton);
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
