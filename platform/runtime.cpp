#include "runtime.h"

#include <QApplication>

#include <cstdio>
#include <map>
#include <memory>
#include <string_view>
#include <unistd.h>

#include "application.h"
#include "display_p.h"
#include "keyboard.h"
#include "runtime_p.h"
#include "scheduler_p.h"
#include "signals_p.h"

namespace {

struct Registry {
    std::map<std::string, std::unique_ptr<ClassRecord>> byName;
    std::vector<const ClassRecord*> inOrder;
};

Registry& ClassRegistry() {
    static Registry registry;
    return registry;
}

struct Process {
    std::vector<std::string> arguments;  // Qt's: the program's name alone, kept alive
    std::vector<char*> argv;
    int argc = 0;
    std::vector<std::string> documents;
    std::string executable;
    std::unique_ptr<QApplication> qtApp;
    Ref<Application> app;
    int exitStatus = 0;
};

Process& TheProcess() {
    static Process process;
    return process;
}

const std::string kNoDisplay = "no display to show windows on";
QtMessageHandler gQtMessages = nullptr;  // Qt's own handler, while the Qt application starts

std::string AbsolutePathOf(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    std::string cwd(4096, '\0');
    if (!getcwd(cwd.data(), cwd.size())) return path;
    cwd.resize(cwd.find('\0'));
    return cwd == "/" ? "/" + path : cwd + "/" + path;
}

std::string ReadExecutablePath(const char* argv0) {
    std::string buffer(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n > 0) return buffer.substr(0, static_cast<size_t>(n));
    return AbsolutePathOf(argv0 ? argv0 : "");
}

}  // namespace

bool ClassRecord::IsA(const ClassRecord& other) const {
    for (const ClassRecord* r = this; r; r = r->Base)
        if (r == &other) return true;
    return false;
}

const ClassRecord& RegisterClass(const std::string& name, const ClassRecord* base,
                                 std::function<Ref<Object>()> factory) {
    Registry& registry = ClassRegistry();
    if (auto found = registry.byName.find(name); found != registry.byName.end())
        return *found->second;
    if (base && !LookupClass(base->Name))
        throw RuntimeException("class " + name + " registered before its base " + base->Name);
    auto record = std::make_unique<ClassRecord>(ClassRecord{name, base, std::move(factory)});
    const ClassRecord& result = *record;
    registry.inOrder.push_back(&result);
    registry.byName.emplace(name, std::move(record));
    return result;
}

const ClassRecord* LookupClass(const std::string& name) {
    Registry& registry = ClassRegistry();
    auto found = registry.byName.find(name);
    return found == registry.byName.end() ? nullptr : found->second.get();
}

std::vector<const ClassRecord*> RegisteredClasses() { return ClassRegistry().inOrder; }

const ClassRecord& Object::Class() { return RegisterClass("Object", nullptr, {}); }

Ref<Object> NewObject(const ClassRecord& record) {
    if (!record.Factory) throw RuntimeException("class " + record.Name + " cannot be instantiated");
    Ref<Object> object = record.Factory();
    Runtime::SetClass(*object, record);
    return object;
}

void RuntimeInit(int argc, char** argv) {
    Process& process = TheProcess();
    process.arguments.assign(1, argc > 0 && argv[0] ? argv[0] : "quorbit");
    process.documents.clear();
    process.executable = ReadExecutablePath(argc > 0 ? argv[0] : nullptr);
    // Qt is given no arguments, so a folder named like one of its options ("-reverse") stays a
    // folder. Our own options come first; every argument after them, and after "--", is a path.
    int i = 1;
    for (; i < argc && std::string_view(argv[i]) == "--with-options"; ++i)
        Keyboard::HoldOptionKey(true);  // the desktop entry's options action
    if (i < argc && std::string_view(argv[i]) == "--") ++i;
    for (; i < argc; ++i)
        if (*argv[i]) process.documents.push_back(AbsolutePathOf(argv[i]));
    process.exitStatus = 0;
}

void RunFrameworkInitialization(const std::function<void()>& startup) {
    Process& process = TheProcess();
    if (!QApplication::instance()) {
        if (process.arguments.empty()) process.arguments.push_back("quorbit");
        process.argv.clear();
        for (std::string& argument : process.arguments) process.argv.push_back(argument.data());
        process.argv.push_back(nullptr);
        process.argc = static_cast<int>(process.arguments.size());
        if (std::string missing = DisplayPrivate::Missing(); !missing.empty())
            throw StartupException(kNoDisplay + " (" + missing + ")");
        // Should Qt find no display all the same, it ends the process from inside this
        // constructor: the one line and status 1 then, in place of an abort.
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (type != QtFatalMsg) return gQtMessages(type, context, message);
                std::fprintf(stderr, "quorbit: %s\n", kNoDisplay.c_str());
                _exit(1);
            });
        gQtMessages = previous;
        process.qtApp = std::make_unique<QApplication>(process.argc, process.argv.data());
        qInstallMessageHandler(previous);
        QApplication::setApplicationName("Quorbit");
        QApplication::setQuitOnLastWindowClosed(false);
    }
    if (startup) startup();
}

void RuntimeRegisterAppObject(const Ref<Application>& app) { TheProcess().app = app; }

Ref<Application> GetAppObject() { return TheProcess().app; }

void UnhandledException(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        Ref<Application> app = GetAppObject();
        if (app && app->Event_UnhandledException(error)) return;
        const bool startup = dynamic_cast<const StartupException*>(&error);
        std::fprintf(stderr, "quorbit: %s%s\n", startup ? "" : "unhandled exception: ", error.what());
    } catch (...) {
        std::fprintf(stderr, "quorbit: unhandled exception of an unknown kind\n");
    }
    RuntimePrivate::SetExitStatus(1);
}

int RuntimeExit() {
    Process& process = TheProcess();
    Scheduler::Shutdown();  // threads end while Qt and their objects still stand
    process.app = nullptr;
    process.qtApp.reset();
    SignalsPrivate::EndByHandledSignal();
    return process.exitStatus;
}

namespace RuntimePrivate {

const std::vector<std::string>& CommandLineDocuments() { return TheProcess().documents; }
void SetExitStatus(int status) { TheProcess().exitStatus = status; }
int ExitStatus() { return TheProcess().exitStatus; }
const std::string& ExecutablePath() { return TheProcess().executable; }

}  // namespace RuntimePrivate
