#pragma once

// The object model every framework and program class shares: shared, reference-counted
// objects reached through Ref<T>, where nil is a value and using it is an exception.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

struct ClassRecord;

// RuntimeException is the base of every exception the framework raises on the program's
// behalf; the program catches these and nothing else.
class RuntimeException : public std::runtime_error {
public:
    explicit RuntimeException(const std::string& message = "RuntimeException")
        : std::runtime_error(message) {}
};

// NilObjectException is raised by any member access through a nil Ref.
class NilObjectException : public RuntimeException {
public:
    NilObjectException() : RuntimeException("NilObjectException: member access through nil") {}
};

// Object is the root of every class the runtime knows; it can hand out a Ref to itself.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // Class is Object's record (defined in runtime.cpp, with the class registry).
    static const ClassRecord& Class();

    // ClassInfo() is the record the object was made from by NewObject, or null when it
    // was made directly with New<T>().
    const ClassRecord* ClassInfo() const { return fClass; }

protected:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

private:
    friend class Runtime;
    const ClassRecord* fClass = nullptr;
};

// Ref<T> is a counted, possibly nil reference. Storing a Ref retains the new object and
// releases the old one; -> and * throw NilObjectException on nil instead of crashing.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    explicit Ref(std::shared_ptr<T> object) : fObject(std::move(object)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) : fObject(other.Shared()) {}

    T* operator->() const { return &Checked(); }
    T& operator*() const { return Checked(); }

    explicit operator bool() const { return fObject != nullptr; }
    bool IsNil() const { return fObject == nullptr; }

    // Get() is the plain pointer, null for nil; it never throws.
    T* Get() const { return fObject.get(); }
    const std::shared_ptr<T>& Shared() const { return fObject; }

    // Cast<U>() is the run-time type test: the same object as a U, or nil when it is not one.
    template <class U>
    Ref<U> Cast() const { return Ref<U>(std::dynamic_pointer_cast<U>(fObject)); }

    friend bool operator==(const Ref& a, const Ref& b) { return a.fObject == b.fObject; }
    friend bool operator==(const Ref& a, std::nullptr_t) { return a.fObject == nullptr; }

private:
    T& Checked() const {
        if (!fObject) throw NilObjectException();
        return *fObject;
    }

    std::shared_ptr<T> fObject;
};

// New<T>(args...) makes a fresh object of a concrete class.
template <class T, class... Args>
Ref<T> New(Args&&... args) {
    return Ref<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

// Self(object) is a Ref to an object from inside one of its own methods.
template <class T>
Ref<T> Self(T* object) {
    return Ref<T>(std::static_pointer_cast<T>(object->shared_from_this()));
}
