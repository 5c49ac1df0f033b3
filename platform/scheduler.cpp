#include "thread.h"

#include "runtime.h"

class Fiber {};

const ClassRecord& Thread::Class() { return RegisterClassOf<Thread, Object>("Thread"); }
Thread::Thread() = default;
Thread::~Thread() = default;
void Thread::Run() { throw RuntimeException("not yet"); }
int32_t Thread::State() const { return kNotRunning; }
void Thread::Sleep(int32_t, bool) { throw RuntimeException("not yet"); }
void Thread::Suspend() { throw RuntimeException("not yet"); }
void Thread::Resume() { throw RuntimeException("not yet"); }
void Thread::Kill() { throw RuntimeException("not yet"); }
void Yield() { throw RuntimeException("not yet"); }
Ref<Thread> CurrentThread() { return nullptr; }
void RunBlocking(const std::function<void()>& work) { work(); }
void SetDeterministicScheduling(bool) {}
