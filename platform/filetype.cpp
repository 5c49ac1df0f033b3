#include "filetype.h"

#include <algorithm>

#include "runtime.h"

namespace {

// Never destroyed: a type still held at exit withdraws itself after static destruction.
std::vector<FileTypeRegistration>& Registrations() {
    static auto* registrations = new std::vector<FileTypeRegistration>;
    return *registrations;
}

}  // namespace

const ClassRecord& FileType::Class() { return RegisterClassOf<FileType, Object>("FileType"); }

FileType::~FileType() { Withdraw(); }

void FileType::SetName(const std::string& value) {
    Withdraw();
    fName = value;
}

void FileType::SetExtensions(const std::string& value) {
    Withdraw();
    fExtensions = value;
}

void FileType::SetMacType(const std::string& value) {
    Withdraw();
    fMacType = value;
}

void FileType::SetMacCreator(const std::string& value) {
    Withdraw();
    fMacCreator = value;
}

std::string FileType::ToString() {
    if (!fRegistered) {
        Registrations().push_back({this, fName, fMacCreator, fMacType, fExtensions});
        fRegistered = true;
    }
    return fName;
}

void FileType::Withdraw() {
    if (!fRegistered) return;
    std::erase_if(Registrations(), [this](const FileTypeRegistration& r) { return r.Type == this; });
    fRegistered = false;
}

std::vector<FileTypeRegistration> RegisteredFileTypes() { return Registrations(); }
