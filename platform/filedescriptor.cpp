#include "platform/filedescriptor_p.h"

#include <cerrno>
#include <unistd.h>

namespace PlatformPrivate {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        fFd = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() { Close(); }

int FileDescriptor::Close() {
    if (fFd < 0) return 0;
    // Never retried: Linux frees the descriptor even when close reports EINTR.
    return close(std::exchange(fFd, -1)) == 0 ? 0 : errno;
}

}  // namespace PlatformPrivate
