// Message boxes: buttons, icon and the keys' answers from the flags; the text's line breaks.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "kit/user.h"
#include "platform/msgbox.h"

namespace {

TEST(MsgBox, FlagsGiveTheButtonsIconAndKeysAndEachLineBreakShowsOnce) {
    const struct {
        int32_t flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        int32_t onReturn, onEscape;
    } cases[] = {
        {0, QMessageBox::Ok, QMessageBox::NoIcon, kMsgBoxResultOK, kMsgBoxResultOK},
        // The confirmation: only a click on OK may start the run, never a key.
        {305, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, kMsgBoxResultCancel,
         kMsgBoxResultCancel},
    };
    // Each line break shows once, whether CR, LF or CRLF; nothing is taken for markup.
    const std::string text = "Replace in\r\"/tmp/a b\"?\r\rFirst\nSecond\r\nThird <b>bold</b>";
    for (const auto& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        auto box = User::AnswerNextMessageBox(kMsgBoxResultOK);
        EXPECT_EQ(MsgBox(text, c.flags, ""), kMsgBoxResultOK);
        EXPECT_EQ(box->ShownText, "Replace in\n\"/tmp/a b\"?\n\nFirst\nSecond\nThird <b>bold</b>");
        EXPECT_EQ(box->Buttons, c.buttons);
        EXPECT_EQ(box->Icon, c.icon);
        for (auto [key, result] : {std::pair(User::Key::Return, c.onReturn),
                                   std::pair(User::Key::Escape, c.onEscape)}) {
            User::AnswerNextMessageBox(key);
            // Should the key leave the box up, a click on OK ends it and fails the case.
            auto click = User::AnswerNextMessageBox(kMsgBoxResultOK);
            EXPECT_EQ(MsgBox("Text", c.flags, ""), result);
            EXPECT_FALSE(click->Answered);
            User::Reset();
        }
    }
}

}  // namespace
