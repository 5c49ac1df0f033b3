#include "signals_p.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

#include "application.h"
#include "scheduler_p.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What the handler writes; lock-free atomics are safe to use in it.
std::atomic<int> gFirst = 0;  // the first signal received, or 0
std::atomic<int> gLast = 0;
std::atomic<int> gCount = 0;
int gPipe[2] = {-1, -1};
bool gQuitRequested = false;  // the event loop has acted on the first signal
QPointer<QSocketNotifier> gNotifier;

struct Temporary {
    int folder;
    std::string name;
};

// The list is noted by whichever thread makes or publishes a copy, and read on the main one.
struct Temporaries {
    std::mutex lock;
    std::vector<Temporary> files;
};

Temporaries& TheTemporaries() {
    static Temporaries* temporaries = new Temporaries;  // copies may end after main returns
    return *temporaries;
}

void OnSignal(int signal) {
    const int saved = errno;
    int none = 0;
    gFirst.compare_exchange_strong(none, signal);
    gLast.store(signal);
    gCount.fetch_add(1);
    const char byte = 1;
    // Should the pipe be full, the bytes in it wake the loop all the same.
    [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
    errno = saved;
}

[[noreturn]] void EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal);  // not reached: the default action of the three ends the process
}

}  // namespace

namespace SignalsPrivate {

void Install() {
    if (gPipe[0] < 0 && pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "quorbit: the termination signals stay unhandled: pipe: %s\n",
                     std::strerror(errno));
        return;
    }
    if (!gNotifier && QCoreApplication::instance()) {
        gNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(gNotifier.data(), &QSocketNotifier::activated, [] { HandleReceived(); });
    }
    for (int signal : kSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

void HandleReceived() {
    char drained[64];
    while (read(gPipe[0], drained, sizeof drained) > 0) continue;
    if (gCount.load() >= 2) {
        {
            Temporaries& temporaries = TheTemporaries();
            std::lock_guard<std::mutex> hold(temporaries.lock);
            for (const Temporary& file : temporaries.files) unlinkat(file.folder, file.name.c_str(), 0);
        }
        EndBy(gLast.load());
    }
    if (gCount.load() == 1 && !gQuitRequested) {
        gQuitRequested = true;
        Scheduler::Dispatch([] { Quit(0); });
    }
}

void EndByHandledSignal() {
    if (int signal = gFirst.load()) EndBy(signal);
}

void NoteTemporary(int folder, const std::string& name) {
    Temporaries& temporaries = TheTemporaries();
    std::lock_guard<std::mutex> hold(temporaries.lock);
    temporaries.files.push_back({folder, name});
}

void ForgetTemporary(int folder, const std::string& name) {
    Temporaries& temporaries = TheTemporaries();
    std::lock_guard<std::mutex> hold(temporaries.lock);
    std::erase_if(temporaries.files,
                  [&](const Temporary& file) { return file.folder == folder && file.name == name; });
}

}  // namespace SignalsPrivate
