// The event loop: RuntimeRun, DoEvents and Quit.
//
// RuntimeRun runs one QEventLoop on the main fiber until Quit. The application's events
// are posted to it, so each runs from the loop and never inside the code that caused it:
// Activate first, then one OpenDocument per document. A handler may wait in DoEvents or a
// modal dialog, and the loop's events run nested there; an OpenDocument arriving while one
// is being handled is held back until it returns. Handlers run through Scheduler::Dispatch,
// so an exception leaves them, ends the loop and comes out of RuntimeRun.

#include "application.h"

#include <QEventLoop>
#include <QGuiApplication>

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "folderitem.h"
#include "keyboard.h"
#include "menu.h"
#include "runtime.h"
#include "runtime_p.h"
#include "scheduler_p.h"
#include "signals_p.h"
#include "testing.h"
#include "thread.h"
#include "window_p.h"

namespace {

struct EventLoopState {
    bool quitRequested = false;
    QEventLoop* loop = nullptr;         // RuntimeRun's, while it runs
    std::deque<std::string> documents;  // not delivered yet, in order
    bool deliveringDocument = false;
    bool active = true;  // the program is active when it is launched
    std::optional<std::vector<std::string>> documentsForTesting;
};

EventLoopState& Loop() {
    static EventLoopState state;
    return state;
}

void Post(void (*call)()) {
    if (QEventLoop* loop = Loop().loop) QMetaObject::invokeMethod(loop, call, Qt::QueuedConnection);
}

void RaiseActivate() {
    if (Ref<Application> app = GetAppObject()) Scheduler::Dispatch([&] { app->Event_Activate(); });
}

void DeliverNextDocument() {
    EventLoopState& state = Loop();
    Ref<Application> app = GetAppObject();
    if (!app || state.deliveringDocument || QuitRequested() || state.documents.empty()) return;
    std::string path = std::move(state.documents.front());
    state.documents.pop_front();
    state.deliveringDocument = true;
    Scheduler::Dispatch([&] {
        Ref<FolderItem> item = GetTrueFolderItem(path, 0);
        if (item) app->Event_OpenDocument(item);
        else std::fprintf(stderr, "quorbit: not handled: %s\n", path.c_str());
    });
    state.deliveringDocument = false;
    if (!state.documents.empty()) Post(DeliverNextDocument);
}

void ApplicationStateChanged(Qt::ApplicationState qtState) {
    EventLoopState& state = Loop();
    bool active = qtState == Qt::ApplicationActive;
    if (active == state.active) return;
    state.active = active;
    Ref<Application> app = GetAppObject();
    if (!app) return;
    Scheduler::Dispatch([&] { active ? app->Event_Activate() : app->Event_Deactivate(); });
}

// RunScope is one RuntimeRun's hold on the loop state; on every way out the documents that
// were never handled are reported and dropped.
class RunScope {
public:
    explicit RunScope(QEventLoop& loop) {
        EventLoopState& state = Loop();
        const std::vector<std::string>& documents = state.documentsForTesting
            ? *state.documentsForTesting : RuntimePrivate::CommandLineDocuments();
        state.documents.assign(documents.begin(), documents.end());
        state.deliveringDocument = false;
        state.active = true;
        state.loop = &loop;
    }
    ~RunScope() {
        EventLoopState& state = Loop();
        state.loop = nullptr;
        for (const std::string& path : state.documents)
            std::fprintf(stderr, "quorbit: not handled: %s\n", path.c_str());
        state.documents.clear();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
};

}  // namespace

const ClassRecord& Application::Class() {
    return RegisterClassOf<Application, Object>("Application");
}

void Application::SetMenuBar(const Ref<class MenuBar>& menuBar) { fMenuBar = menuBar; }

void Application::DoEvents(int32_t milliseconds) {
    if (!Scheduler::OnMainFiber()) {
        Yield();
        return;
    }
    Scheduler::PumpEvents(milliseconds);
}

void Quit(int32_t code) {
    EventLoopState& state = Loop();
    if (state.quitRequested) return;
    state.quitRequested = true;
    RuntimePrivate::SetExitStatus(code);
    WindowPrivate::CancelShownWindows();
    EndRunLoop();
}

bool QuitRequested() { return Loop().quitRequested; }

void EndRunLoop() {
    if (QEventLoop* loop = Loop().loop) loop->exit(0);
    WindowPrivate::EndModalWaits();
}

void RuntimeRun() {
    if (!Scheduler::OnMainFiber())
        throw RuntimeException("RuntimeRun: the event loop runs on the main thread only");
    auto* qtApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!qtApp) throw RuntimeException("RuntimeRun: the framework has not been initialised");
    if (Loop().loop) throw RuntimeException("RuntimeRun: the event loop runs already");

    SignalsPrivate::Install();
    QEventLoop loop;
    RunScope scope(loop);
    Ref<Application> app = GetAppObject();
    if (app) app->Event_Open();

    QObject::connect(qtApp, &QGuiApplication::applicationStateChanged, &loop,
                     ApplicationStateChanged, Qt::QueuedConnection);
    Post(RaiseActivate);
    for (std::size_t i = 0; i < Loop().documents.size(); ++i) Post(DeliverNextDocument);

    Scheduler::RethrowDispatched();  // a handler that failed before the loop began
    if (!QuitRequested()) {
        int code = loop.exec();
        // Only Quit and a handler's exception end the loop, unless Qt itself was told to quit.
        Scheduler::RethrowDispatched();
        if (!QuitRequested()) Quit(code);
    }
    if (app) app->Event_Close();
}

void ResetRuntimeForTesting() {
    Scheduler::ResetForTesting();
    Clock::UseSystemClock();
    EventLoopState& state = Loop();
    state.quitRequested = false;
    state.documents.clear();
    state.documentsForTesting.reset();
    state.deliveringDocument = false;
    state.active = true;
    RuntimePrivate::SetExitStatus(0);
    RuntimeRegisterAppObject(nullptr);
    Keyboard::HoldOptionKey(false);
}

void SetCommandLineDocumentsForTesting(std::vector<std::string> documents) {
    Loop().documentsForTesting = std::move(documents);
}
