#include "msgbox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

#include "application.h"
#include "scheduler_p.h"
#include "window_p.h"

namespace {

using Button = std::pair<QMessageBox::StandardButton, int32_t>;

constexpr Button kOK{QMessageBox::Ok, kMsgBoxResultOK};
constexpr Button kCancel{QMessageBox::Cancel, kMsgBoxResultCancel};
constexpr Button kAbort{QMessageBox::Abort, kMsgBoxResultAbort};
constexpr Button kRetry{QMessageBox::Retry, kMsgBoxResultRetry};
constexpr Button kIgnore{QMessageBox::Ignore, kMsgBoxResultIgnore};
constexpr Button kYes{QMessageBox::Yes, kMsgBoxResultYes};
constexpr Button kNo{QMessageBox::No, kMsgBoxResultNo};

// The buttons of the flags, in the order they are listed.
std::vector<Button> ButtonsOf(int32_t flags) {
    switch (flags & 0xF) {
    case kMsgBoxOKCancel: return {kOK, kCancel};
    case kMsgBoxAbortRetryIgnore: return {kAbort, kRetry, kIgnore};
    case kMsgBoxYesNoCancel: return {kYes, kNo, kCancel};
    case kMsgBoxYesNo: return {kYes, kNo};
    case kMsgBoxRetryCancel: return {kRetry, kCancel};
    default: return {kOK};
    }
}

QMessageBox::Icon IconOf(int32_t flags) {
    switch (flags & 0xF0) {
    case kMsgBoxStopIcon: return QMessageBox::Critical;
    case kMsgBoxQuestionIcon: return QMessageBox::Question;
    case kMsgBoxCautionIcon: return QMessageBox::Warning;
    case kMsgBoxNoteIcon: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int32_t Run(const std::string& text, int32_t flags, const std::string& title) {
    QMessageBox box;
    box.setTextFormat(Qt::PlainText);
    box.setText(WindowPrivate::DisplayText(text));
    box.setWindowTitle(QString::fromUtf8(title));
    box.setIcon(IconOf(flags));
    // What the caller passed, for the scripted user of the tests.
    box.setProperty("quorbitText", QByteArray::fromStdString(text));
    box.setProperty("quorbitTitle", QByteArray::fromStdString(title));
    box.setProperty("quorbitFlags", flags);

    std::vector<Button> buttons = ButtonsOf(flags);
    std::vector<std::pair<QPushButton*, int32_t>> made;
    QPushButton* escape = nullptr;
    for (auto [standard, result] : buttons) {
        made.emplace_back(box.addButton(standard), result);
        if (result == kMsgBoxResultCancel || buttons.size() == 1) escape = made.back().first;
    }
    size_t defaultIndex = static_cast<size_t>((flags >> 8) & 0x3);
    box.setDefaultButton(made[defaultIndex < made.size() ? defaultIndex : 0].first);
    if (escape) box.setEscapeButton(escape);

    const int32_t unanswered = escape ? made.back().second : made.front().second;
    // While the application quits no box is shown: it is answered as its escape button would.
    if (QuitRequested()) return unanswered;

    box.addActions(WindowPrivate::MenuActions());
    box.setWindowModality(Qt::ApplicationModal);
    if (WindowPrivate::OnWorkerThread()) {
        // A nested loop here would run the main thread's work on this thread's stack.
        box.show();
        Scheduler::WaitUntil([&box] { return !box.isVisible(); });
    } else {
        // As for a modal window: after a handler's exception no box waits, and the
        // exception passes to the caller.
        Scheduler::RethrowDispatched();
        box.exec();
        Scheduler::RethrowDispatched();
    }
    for (auto [button, result] : made)
        if (button == box.clickedButton()) return result;
    return unanswered;
}

}  // namespace

void MsgBox(const std::string& text) { Run(text, kMsgBoxOK, std::string()); }

int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title) {
    return Run(text, flags, title);
}
