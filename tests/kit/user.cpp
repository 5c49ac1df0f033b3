#include "user.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/thread.h"

namespace User {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 5;

// A scheduled step: done once ready() holds, dropped unseen after its deadline. Message box
// answers are ready whenever a box is up, so they serve the boxes in the order scheduled.
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
    Clock::time_point deadline;
};

// The steps are served by a chain of single-shot timers: each tick arms the next one before
// it acts, so a step that opens a modal loop of its own still gets the later ones served.
std::vector<Step> gSteps;
bool gArmed = false;

// The program's button results and the standard buttons that give them.
constexpr std::pair<QMessageBox::StandardButton, int32_t> kButtons[] = {
    {QMessageBox::Ok, kMsgBoxResultOK},       {QMessageBox::Abort, kMsgBoxResultAbort},
    {QMessageBox::Retry, kMsgBoxResultRetry}, {QMessageBox::Ignore, kMsgBoxResultIgnore},
    {QMessageBox::Yes, kMsgBoxResultYes},     {QMessageBox::No, kMsgBoxResultNo},
    {QMessageBox::Cancel, kMsgBoxResultCancel},
};

// The message box the user would be looking at: the topmost modal one, else any shown one.
QMessageBox* ShownMessageBox() {
    if (auto* modal = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return modal;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
    return nullptr;
}

// SendKey presses key in the window's focused widget, or the window; Return and Escape act
// on the press.
void SendKey(QWidget* window, Key key) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    if (key == Key::Quit) {
        target->activateWindow();
        if (!QTest::qWaitForWindowActive(target->window(), kDefaultTimeoutMs)) ADD_FAILURE() << "no active window";
        QTest::keyClick(target, Qt::Key_Q, Qt::ControlModifier);
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key == Key::Return ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Click clicks the box's button of that result.
void Click(QMessageBox& box, int32_t result) {
    for (auto [standard, buttonResult] : kButtons) {
        if (buttonResult == result && box.button(standard)) {
            box.button(standard)->click();
            return;
        }
    }
    ADD_FAILURE() << "the message box has no button " << result;
    SendKey(&box, Key::Return);
}

void Arm();

void Tick() {
    gArmed = false;
    std::erase_if(gSteps, [now = Clock::now()](const Step& step) { return step.deadline < now; });
    Arm();
    auto ready = std::find_if(gSteps.begin(), gSteps.end(), [](const Step& step) { return step.ready(); });
    if (ready == gSteps.end()) return;
    Step step = std::move(*ready);
    gSteps.erase(ready);
    try {
        step.act();
    } catch (const std::exception& error) {
        ADD_FAILURE() << "a scripted step failed: " << error.what();
    }
}

void Arm() {
    if (gArmed || gSteps.empty()) return;
    gArmed = true;
    QTimer::singleShot(kPollMs, Qt::PreciseTimer, qApp, &Tick);
}

void Schedule(std::function<bool()> ready, std::function<void()> act, int timeoutMs) {
    gSteps.push_back({std::move(ready), std::move(act), Clock::now() + std::chrono::milliseconds(timeoutMs)});
    Arm();
}

// AnswerNext records the next message box and then answers it with answer.
MessageBoxAnswer AnswerNext(std::function<void(QMessageBox&)> answer, int timeoutMs) {
    auto record = std::make_shared<MessageBoxRecord>();
    Schedule([] { return ShownMessageBox() != nullptr; }, [answer = std::move(answer), record] {
        QMessageBox& box = *ShownMessageBox();
        record->Text = box.property("quorbitText").toByteArray().toStdString();
        record->Flags = box.property("quorbitFlags").toInt();
        record->ShownText = box.text().toStdString();
        record->Icon = box.icon();
        record->Buttons = box.standardButtons();
        record->Answered = true;
        answer(box);
    }, timeoutMs);
    return record;
}

}  // namespace

MessageBoxAnswer AnswerNextMessageBox(int32_t result, int timeoutMs) {
    return AnswerNext([result](QMessageBox& box) { Click(box, result); }, timeoutMs);
}

MessageBoxAnswer AnswerNextMessageBox(Key key, int timeoutMs) {
    return AnswerNext([key](QMessageBox& box) { SendKey(&box, key); }, timeoutMs);
}

ActionHandle WhenShown(const std::string& windowClassName, std::function<void(const Ref<Window>&)> steps,
                       int timeoutMs) {
    auto record = std::make_shared<ActionRecord>();
    auto shown = [windowClassName] {
        Ref<Window> window = GetImplicitWindow(windowClassName);
        QWidget* modal = QApplication::activeModalWidget();
        return window && window->Visible() && (!modal || modal == window->Widget());
    };
    Schedule(std::move(shown), [windowClassName, steps = std::move(steps), record] {
        steps(GetImplicitWindow(windowClassName));
        record->Done = true;
    }, timeoutMs);
    return record;
}

void Push(const Ref<Window>& window, const std::string& buttonName) {
    RuntimeWindowControlByName(window, buttonName).Cast<PushButton>()->Push();
}

void SetCheckBox(const Ref<Window>& window, const std::string& checkBoxName, bool ticked) {
    const Ref<CheckBox> box = RuntimeWindowControlByName(window, checkBoxName).Cast<CheckBox>();
    if (box->Value() != ticked) static_cast<QAbstractButton*>(box->Widget())->click();
}

void PressKey(const Ref<Window>& window, Key key) { SendKey(window->Widget(), key); }

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QTimer wakeUp;  // keeps the blocking wait below short
    wakeUp.start(kPollMs);
    while (!condition() && Clock::now() < deadline) {
        Yield();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return condition();
}

void Reset() {
    gSteps.clear();
    Keyboard::HoldOptionKey(false);
}

}  // namespace User
