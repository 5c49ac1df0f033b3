#pragma once

// FileDescriptor: one open file descriptor, closed when it goes; what the file items, their
// listings and the copy hold their files and folders by. Not for the program.

#include <optional>
#include <string>
#include <utility>

namespace PlatformPrivate {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fFd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fFd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    // Valid: a descriptor is held. Get gives it (-1 when none).
    bool Valid() const { return fFd >= 0; }
    int Get() const { return fFd; }

    // Release gives the descriptor up to the caller, who must close it.
    int Release() { return std::exchange(fFd, -1); }

    // Close closes the descriptor now and gives 0, or the errno of a failed close (the
    // descriptor is gone either way).
    int Close();

private:
    int fFd = -1;
};

// OpenFolder is a folder as it was opened for its listing, shared by the entries taken from
// it, which reach their files through it.
class OpenFolder {
public:
    explicit OpenFolder(int fd) : fDescriptor(fd) {}

    bool Valid() const { return fDescriptor.Valid(); }
    int Get() const { return fDescriptor.Get(); }

    // RealPath is where the folder was when first asked; "" when that cannot be told.
    const std::string& RealPath() const;

private:
    FileDescriptor fDescriptor;
    mutable std::optional<std::string> fRealPath;
};

}  // namespace PlatformPrivate
