#include "user.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/runtime.h"
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

// The buttons in the order a message box lists them, and the icons.
constexpr std::pair<QMessageBox::StandardButton, int32_t> kButtons[] = {
    {QMessageBox::Ok, kMsgBoxResultOK},       {QMessageBox::Abort, kMsgBoxResultAbort},
    {QMessageBox::Retry, kMsgBoxResultRetry}, {QMessageBox::Ignore, kMsgBoxResultIgnore},
    {QMessageBox::Yes, kMsgBoxResultYes},     {QMessageBox::No, kMsgBoxResultNo},
    {QMessageBox::Cancel, kMsgBoxResultCancel},
};
constexpr std::pair<QMessageBox::Icon, int32_t> kIcons[] = {
    {QMessageBox::Critical, kMsgBoxStopIcon}, {QMessageBox::Question, kMsgBoxQuestionIcon},
    {QMessageBox::Warning, kMsgBoxCautionIcon}, {QMessageBox::Information, kMsgBoxNoteIcon},
};

// Lookup is the number the table gives key, 0 when it has none.
template <class From, size_t N>
int32_t Lookup(const std::pair<From, int32_t> (&table)[N], From key) {
    for (auto [candidate, number] : table)
        if (candidate == key) return number;
    return 0;
}

// The message box the user would be looking at: the topmost modal one, else any shown one.
QMessageBox* ShownMessageBox() {
    QWidgetList candidates = QApplication::topLevelWidgets();
    candidates.prepend(QApplication::activeModalWidget());
    for (QWidget* widget : candidates) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->property("quorbitText").isValid()) return box;
    }
    return nullptr;
}

// SendKey presses key in target; Return and Escape act on the press.
void SendKey(QWidget* target, Key key) {
    QKeyEvent press(QEvent::KeyPress, key == Key::Return ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier,
                    key == Key::Return ? QStringLiteral("\r") : QString());
    QApplication::sendEvent(target, &press);
}

void Answer(QMessageBox& box, int32_t result, MessageBoxRecord& record) {
    record.Text = box.property("quorbitText").toByteArray().toStdString();
    record.Title = box.property("quorbitTitle").toByteArray().toStdString();
    record.Flags = box.property("quorbitFlags").toInt();
    record.ShownText = box.text().toStdString();
    record.Icon = Lookup(kIcons, box.icon());
    QAbstractButton* chosen = nullptr;
    for (auto [standard, buttonResult] : kButtons) {
        if (!box.button(standard)) continue;
        record.Buttons.push_back(buttonResult);
        if (buttonResult == result) chosen = box.button(standard);
    }
    record.DefaultButton = Lookup(kButtons, box.standardButton(box.defaultButton()));
    record.Answered = true;

    QPointer<QMessageBox> guard(&box);
    if (chosen) {
        chosen->click();
    } else {
        if (result >= 0) ADD_FAILURE() << "the message box has no button " << result;
        SendKey(&box, result == kPressEscape ? Key::Escape : Key::Return);
    }
    if (guard) record.Result = Lookup(kButtons, guard->standardButton(guard->clickedButton()));
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

// Named is the window's control of that name and kind; it throws when there is none.
template <class Kind>
Ref<Kind> Named(const Ref<Window>& window, const std::string& name) {
    Ref<Kind> control = RuntimeWindowControlByName(window, name).template Cast<Kind>();
    if (!control) throw RuntimeException("the window has no " + Kind::Class().Name + " named " + name);
    return control;
}

}  // namespace

MessageBoxAnswer AnswerNextMessageBox(int32_t result, int timeoutMs) {
    auto record = std::make_shared<MessageBoxRecord>();
    Schedule([] { return ShownMessageBox() != nullptr; },
             [result, record] { Answer(*ShownMessageBox(), result, *record); }, timeoutMs);
    return record;
}

ActionHandle WhenShown(const std::string& windowClassName,
                       std::function<void(const Ref<Window>&)> steps, int timeoutMs) {
    auto record = std::make_shared<ActionRecord>();
    auto ready = [windowClassName] {
        Ref<Window> window = GetImplicitWindow(windowClassName);
        QWidget* modal = QApplication::activeModalWidget();
        return window && window->Visible() && (!modal || modal == window->Widget());
    };
    auto act = [windowClassName, steps = std::move(steps), record] {
        steps(GetImplicitWindow(windowClassName));
        record->Done = true;
    };
    Schedule(std::move(ready), std::move(act), timeoutMs);
    return record;
}

ActionHandle PushWhenShown(const std::string& windowClassName, const std::string& buttonName,
                           int timeoutMs) {
    return WhenShown(windowClassName, [buttonName](const Ref<Window>& w) { Push(w, buttonName); },
                     timeoutMs);
}

void Push(const Ref<Window>& window, const std::string& buttonName) {
    Named<PushButton>(window, buttonName)->Push();
}

void SetCheckBox(const Ref<Window>& window, const std::string& checkBoxName, bool ticked) {
    Ref<CheckBox> box = Named<CheckBox>(window, checkBoxName);
    if (box->Value() == ticked) return;
    if (auto* button = qobject_cast<QAbstractButton*>(box->Widget())) button->click();
}

void PressKey(const Ref<Window>& window, Key key) {
    QWidget* widget = window->Widget();
    QWidget* target = widget->focusWidget() ? widget->focusWidget() : widget;
    SendKey(target, key);
}

bool TriggerShortcut(const Ref<Window>& window, const std::string& keys) {
    QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(keys), QKeySequence::PortableText);
    for (QAction* action : window->Widget()->actions()) {
        if (action->shortcut() == sequence && action->isEnabled()) {
            action->trigger();
            return true;
        }
    }
    return false;
}

void HoldAlt(bool held) { Keyboard::HoldOptionKey(held); }

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QTimer wakeUp;  // keeps the blocking wait below short
    wakeUp.start(kPollMs);
    while (!condition()) {
        if (Clock::now() >= deadline) return condition();
        Yield();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QImage Grab(const Ref<Control>& control) { return control->Widget()->grab().toImage(); }

void Reset() {
    gSteps.clear();
    Keyboard::HoldOptionKey(false);
}

}  // namespace User
