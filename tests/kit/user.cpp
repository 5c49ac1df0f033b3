#include "user.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <exception>
#include <utility>

#include "platform/keyboard.h"
#include "platform/msgbox.h"
#include "platform/thread.h"

namespace User {
namespace {

constexpr int kPollMs = 5;

struct PendingAnswer {
    int32_t result;
    qint64 deadline;
    std::shared_ptr<MessageBoxRecord> record;
};

struct PendingAction {
    std::string windowClassName;
    std::function<void(const Ref<Window>&)> steps;
    qint64 deadline;
    std::shared_ptr<ActionRecord> record;
};

// The scheduled work, served by a chain of single-shot timers: each tick arms the next one
// before it acts, so an action that opens a modal loop of its own still gets served.
struct Script {
    std::deque<PendingAnswer> answers;
    std::vector<PendingAction> actions;
    bool armed = false;
    QElapsedTimer clock;
};

Script& TheScript() {
    static Script script;
    if (!script.clock.isValid()) script.clock.start();
    return script;
}

qint64 NowMs() { return TheScript().clock.elapsed(); }

// The buttons in the order a message box lists them.
constexpr std::pair<QMessageBox::StandardButton, int32_t> kButtonOrder[] = {
    {QMessageBox::Ok, kMsgBoxResultOK},       {QMessageBox::Abort, kMsgBoxResultAbort},
    {QMessageBox::Retry, kMsgBoxResultRetry}, {QMessageBox::Ignore, kMsgBoxResultIgnore},
    {QMessageBox::Yes, kMsgBoxResultYes},     {QMessageBox::No, kMsgBoxResultNo},
    {QMessageBox::Cancel, kMsgBoxResultCancel},
};

int32_t ResultOf(const QMessageBox& box, QAbstractButton* button) {
    if (!button) return 0;
    QMessageBox::StandardButton standard = box.standardButton(button);
    for (auto [candidate, result] : kButtonOrder)
        if (candidate == standard) return result;
    return 0;
}

int Rank(int32_t result) {
    for (size_t i = 0; i < std::size(kButtonOrder); ++i)
        if (kButtonOrder[i].second == result) return static_cast<int>(i);
    return static_cast<int>(std::size(kButtonOrder));
}

int32_t IconOf(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Critical: return kMsgBoxStopIcon;
    case QMessageBox::Question: return kMsgBoxQuestionIcon;
    case QMessageBox::Warning: return kMsgBoxCautionIcon;
    case QMessageBox::Information: return kMsgBoxNoteIcon;
    default: return 0;
    }
}

// The message box the user would be looking at: the topmost modal one, else any shown one.
QMessageBox* ShownMessageBox() {
    auto isOurs = [](QWidget* widget) -> QMessageBox* {
        auto* box = qobject_cast<QMessageBox*>(widget);
        return box && box->isVisible() && box->property("quorbitText").isValid() ? box : nullptr;
    };
    if (QMessageBox* box = isOurs(QApplication::activeModalWidget())) return box;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (QMessageBox* box = isOurs(widget)) return box;
    return nullptr;
}

void SendKey(QWidget* target, int key, const QString& text) {
    QPointer<QWidget> guard(target);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    if (!guard) return;
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void Answer(QMessageBox& box, const PendingAnswer& pending) {
    MessageBoxRecord& record = *pending.record;
    record.Text = box.property("quorbitText").toByteArray().toStdString();
    record.Title = box.property("quorbitTitle").toByteArray().toStdString();
    record.Flags = box.property("quorbitFlags").toInt();
    record.ShownText = box.text().toStdString();
    record.Icon = IconOf(box.icon());
    record.Buttons.clear();
    for (QAbstractButton* button : box.buttons()) record.Buttons.push_back(ResultOf(box, button));
    std::sort(record.Buttons.begin(), record.Buttons.end(),
              [](int32_t a, int32_t b) { return Rank(a) < Rank(b); });
    record.DefaultButton = ResultOf(box, box.defaultButton());

    QPointer<QMessageBox> guard(&box);
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : box.buttons())
        if (pending.result > 0 && ResultOf(box, button) == pending.result) chosen = button;
    record.ButtonFound = chosen || pending.result < 0;
    record.Answered = true;
    if (chosen) {
        chosen->click();
    } else if (pending.result == kPressEscape) {
        SendKey(&box, Qt::Key_Escape, QString());
    } else {
        SendKey(&box, Qt::Key_Return, QStringLiteral("\r"));
    }
    if (guard) record.Result = ResultOf(*guard, guard->clickedButton());
}

bool Ready(const PendingAction& action, Ref<Window>& window) {
    window = GetImplicitWindow(action.windowClassName);
    if (!window || !window->Visible()) return false;
    QWidget* modal = QApplication::activeModalWidget();
    return !modal || modal == window->Widget();
}

void Arm();

void Tick() {
    Script& script = TheScript();
    script.armed = false;
    qint64 now = NowMs();
    while (!script.answers.empty() && script.answers.front().deadline < now) script.answers.pop_front();
    std::erase_if(script.actions, [now](const PendingAction& a) { return a.deadline < now; });
    Arm();

    if (!script.answers.empty()) {
        if (QMessageBox* box = ShownMessageBox()) {
            PendingAnswer pending = std::move(script.answers.front());
            script.answers.pop_front();
            Answer(*box, pending);
            return;
        }
    }
    for (auto it = script.actions.begin(); it != script.actions.end(); ++it) {
        Ref<Window> window;
        if (!Ready(*it, window)) continue;
        PendingAction action = std::move(*it);
        script.actions.erase(it);
        try {
            action.steps(window);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "scripted action on " << action.windowClassName << " failed: " << error.what();
        }
        action.record->Done = true;
        return;
    }
}

void Arm() {
    Script& script = TheScript();
    if (script.armed || (script.answers.empty() && script.actions.empty())) return;
    script.armed = true;
    QTimer::singleShot(kPollMs, Qt::PreciseTimer, qApp, &Tick);
}

Ref<Control> NamedControl(const Ref<Window>& window, const std::string& name) {
    Ref<Control> control = RuntimeWindowControlByName(window, name);
    if (!control) throw RuntimeException("the window has no control named " + name);
    return control;
}

}  // namespace

MessageBoxAnswer AnswerNextMessageBox(int32_t result, int timeoutMs) {
    auto record = std::make_shared<MessageBoxRecord>();
    TheScript().answers.push_back({result, NowMs() + timeoutMs, record});
    Arm();
    return record;
}

ActionHandle WhenShown(const std::string& windowClassName,
                       std::function<void(const Ref<Window>&)> steps, int timeoutMs) {
    auto record = std::make_shared<ActionRecord>();
    TheScript().actions.push_back({windowClassName, std::move(steps), NowMs() + timeoutMs, record});
    Arm();
    return record;
}

ActionHandle PushWhenShown(const std::string& windowClassName, const std::string& buttonName,
                           int timeoutMs) {
    return WhenShown(windowClassName, [buttonName](const Ref<Window>& w) { Push(w, buttonName); },
                     timeoutMs);
}

ActionHandle PressKeyWhenShown(const std::string& windowClassName, Key key, int timeoutMs) {
    return WhenShown(windowClassName, [key](const Ref<Window>& w) { PressKey(w, key); }, timeoutMs);
}

void Push(const Ref<Window>& window, const std::string& buttonName) {
    Ref<PushButton> button = NamedControl(window, buttonName).Cast<PushButton>();
    if (!button) throw RuntimeException(buttonName + " is not a push button");
    button->Push();
}

void SetCheckBox(const Ref<Window>& window, const std::string& checkBoxName, bool ticked) {
    Ref<CheckBox> box = NamedControl(window, checkBoxName).Cast<CheckBox>();
    if (!box) throw RuntimeException(checkBoxName + " is not a check box");
    if (box->Value() == ticked) return;
    if (auto* button = qobject_cast<QAbstractButton*>(box->Widget())) button->click();
}

void PressKey(const Ref<Window>& window, Key key) {
    QWidget* widget = window->Widget();
    QWidget* target = widget->focusWidget() ? widget->focusWidget() : widget;
    switch (key) {
    case Key::Return: SendKey(target, Qt::Key_Return, QStringLiteral("\r")); break;
    case Key::Escape: SendKey(target, Qt::Key_Escape, QString()); break;
    case Key::Space: SendKey(target, Qt::Key_Space, QStringLiteral(" ")); break;
    case Key::Tab: SendKey(target, Qt::Key_Tab, QStringLiteral("\t")); break;
    }
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
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wakeUp;  // keeps the blocking wait below short
    wakeUp.start(kPollMs);
    while (!condition()) {
        if (elapsed.elapsed() >= timeoutMs) return condition();
        Yield();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QImage Grab(const Ref<Window>& window) { return window->Widget()->grab().toImage(); }

QImage Grab(const Ref<Control>& control) { return control->Widget()->grab().toImage(); }

void Reset() {
    Script& script = TheScript();
    script.answers.clear();
    script.actions.clear();
    Keyboard::HoldOptionKey(false);
}

}  // namespace User
