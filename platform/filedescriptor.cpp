#include "platform/filedescriptor_p.h"

#include <cerrno>
#include <climits>
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

const std::string& OpenFolder::RealPath() const {
    if (!fRealPath) {
        char path[PATH_MAX];
        const std::string self = "/proc/self/fd/" + std::to_string(Get());
        ssize_t n = readlink(self.c_str(), path, sizeof path);
        fRealPath = n > 0 && path[0] == '/' ? std::string(path, static_cast<size_t>(n)) : "";
    }
    return *fRealPath;
}

}  // namespace PlatformPrivate
