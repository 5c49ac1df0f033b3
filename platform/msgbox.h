#pragma once

// Message boxes: modal, application-wide, the texts' lines broken at CR, LF and CRLF.

#include <cstdint>
#include <string>

// Flags: buttons + icon + default button, added together.
enum : int32_t {
    kMsgBoxOK = 0, kMsgBoxOKCancel = 1, kMsgBoxAbortRetryIgnore = 2, kMsgBoxYesNoCancel = 3,
    kMsgBoxYesNo = 4, kMsgBoxRetryCancel = 5,
    kMsgBoxStopIcon = 16, kMsgBoxQuestionIcon = 32, kMsgBoxCautionIcon = 48, kMsgBoxNoteIcon = 64,
    kMsgBoxFirstDefault = 0, kMsgBoxSecondDefault = 256, kMsgBoxThirdDefault = 512,
};

// The button a message box was answered with.
enum : int32_t {
    kMsgBoxResultOK = 1, kMsgBoxResultCancel = 2, kMsgBoxResultAbort = 3, kMsgBoxResultRetry = 4,
    kMsgBoxResultIgnore = 5, kMsgBoxResultYes = 6, kMsgBoxResultNo = 7,
};

// MsgBox shows text with one OK button and returns once it is dismissed.
void MsgBox(const std::string& text);

// MsgBox shows text with the buttons, icon and default button the flags give and returns
// the button pressed. The title may be empty.
int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title);
