#pragma once

// The runtime: class records, the start-up and shutdown services, and the one
// application object.
//
// A process goes through RuntimeInit, class registration (RegisterFrameworkClasses,
// frameworkclasses.h), RunFrameworkInitialization (which calls the program's start-up
// callback once), RuntimeRun (the event loop until a quit, application.h), the release of
// the globals (ReleaseFrameworkGlobals, window.h), and RuntimeExit, which gives the exit
// status.

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "object.h"

class Application;

// ClassRecord describes one registered class: its full name, its base and how to make one.
struct ClassRecord {
    std::string Name;
    const ClassRecord* Base = nullptr;
    std::function<Ref<Object>()> Factory;  // empty for abstract classes

    // IsA(other) is true when this class is other or derives from it.
    bool IsA(const ClassRecord& other) const;
};

// RegisterClass adds a record once and returns it; a second registration of the same name
// returns the first record unchanged. The base must be registered already.
const ClassRecord& RegisterClass(const std::string& name, const ClassRecord* base,
                                 std::function<Ref<Object>()> factory);

// RegisterClassOf<T, Base>(name) registers T after making sure Base's record exists, so
// each class is registered exactly once and always after its base. Every registered class
// declares `static const ClassRecord& Class();` that calls this.
template <class T, class Base>
const ClassRecord& RegisterClassOf(const std::string& name) {
    const ClassRecord& base = Base::Class();
    std::function<Ref<Object>()> factory;
    if constexpr (!std::is_abstract_v<T> && std::is_default_constructible_v<T>)
        factory = [] { return Ref<Object>(New<T>()); };
    return RegisterClass(name, &base, std::move(factory));
}

// LookupClass gives the record registered under a full name, or null.
const ClassRecord* LookupClass(const std::string& name);

// RegisteredClasses lists every record in the order of registration.
std::vector<const ClassRecord*> RegisteredClasses();

// NewObject makes a new object from a class record; no constructor of the program's runs.
// A record without a factory is a programming error and throws.
Ref<Object> NewObject(const ClassRecord& record);

// The runtime's friend that stamps class records on objects; not for the program.
class Runtime {
public:
    static void SetClass(Object& object, const ClassRecord& record) { object.fClass = &record; }
};

// RuntimeInit brings the runtime up and takes the command line: the program's own options
// (--with-options) as long as they come first, then each later argument, or each after a
// "--", as a document to open, whatever it looks like.
void RuntimeInit(int argc, char** argv);

// StartupException is raised when the framework itself cannot start; its handling reports
// only its message.
class StartupException : public RuntimeException {
public:
    using RuntimeException::RuntimeException;
};

// RunFrameworkInitialization starts the framework (the Qt application) and calls startup
// exactly once before it returns. An exception from startup passes out of it; with no
// display to show windows on it raises StartupException and calls nothing.
void RunFrameworkInitialization(const std::function<void()>& startup);

// RuntimeRegisterAppObject makes app the one application object; events go to it from now on.
void RuntimeRegisterAppObject(const Ref<Application>& app);

// GetAppObject gives what RuntimeRegisterAppObject kept, or nil before that.
Ref<Application> GetAppObject();

// UnhandledException is the framework's handling of an exception that escaped the start-up
// or the event loop: the application object's UnhandledException event is offered it, and
// when that does not handle it, it is reported on stderr and the exit status becomes 1.
void UnhandledException(std::exception_ptr exception);

// RuntimeExit shuts the runtime down and returns the status the process exits with: the code
// given to Quit, or 1 after an unhandled exception. After a termination signal it does not
// return: the process ends by that signal.
int RuntimeExit();
