#pragma once

// What the file items share about open files, entries and the copy; not for the program.

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>

#include "platform/folderitem.h"

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

// IdentityAt is what the entry name of the folder open as folder is now; none when nothing
// is there.
std::optional<FolderItem::Identity> IdentityAt(int folder, const std::string& name);

// RemoveListed removes the entry name of folder only while it is the file identity
// describes, a folder only when empty. The entry is first renamed aside, so that what is
// checked is what is removed; anything else is put back. 0, or the errno (ESTALE: not that
// entry).
int RemoveListed(int folder, const std::string& name, const FolderItem::Identity& identity);

// A file larger than this is filled on a helper thread, so the windows stay live meanwhile;
// smaller ones are quicker copied where they are.
inline constexpr off_t kFillOnHelperAbove = off_t{8} << 20;

// For tests: SetAnonymousFilesForTesting(false) makes copies take the way of file systems
// that cannot make anonymous files (a hidden temporary name); true restores the usual way.
void SetAnonymousFilesForTesting(bool allowed);

}  // namespace FileCopyPrivate
