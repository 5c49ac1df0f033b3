#pragma once

// What the file items share about open files and the copy; not for the program.

#include <sys/types.h>
#include <utility>

namespace FileCopyPrivate {

// FileDescriptor owns one open file descriptor and closes it when it goes.
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

// A file larger than this is filled on a helper thread, so the windows stay live meanwhile;
// smaller ones are quicker copied where they are.
inline constexpr off_t kFillOnHelperAbove = off_t{8} << 20;

// For tests: SetAnonymousFilesForTesting(false) makes copies take the way of file systems
// that cannot make anonymous files (a hidden temporary name); true restores the usual way.
void SetAnonymousFilesForTesting(bool allowed);

}  // namespace FileCopyPrivate
