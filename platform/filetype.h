#pragma once

// Document types the application declares, kept in the framework's registry.

#include <string>
#include <vector>

#include "object.h"

// FileType is a declared document type. A new one holds four empty strings and is not
// registered; setting any of the four withdraws its registration; converting it to a
// string registers it (once) and yields its Name; releasing it withdraws its registration.
class FileType : public Object {
public:
    static const ClassRecord& Class();

    FileType() = default;
    ~FileType() override;

    void SetName(const std::string& value);
    void SetExtensions(const std::string& value);
    void SetMacType(const std::string& value);
    void SetMacCreator(const std::string& value);
    std::string Name() const { return fName; }
    std::string Extensions() const { return fExtensions; }
    std::string MacType() const { return fMacType; }
    std::string MacCreator() const { return fMacCreator; }

    // ToString registers the type if it is not registered yet and yields its Name.
    std::string ToString();
    explicit operator std::string() { return ToString(); }

    bool Registered() const { return fRegistered; }

private:
    void Withdraw();

    std::string fName, fExtensions, fMacType, fMacCreator;
    bool fRegistered = false;
};

// A registration as the framework received it: Name, MacCreator, MacType, Extensions.
struct FileTypeRegistration {
    const FileType* Type;
    std::string Name, MacCreator, MacType, Extensions;
};

// RegisteredFileTypes lists the registrations in force, oldest first.
std::vector<FileTypeRegistration> RegisteredFileTypes();
