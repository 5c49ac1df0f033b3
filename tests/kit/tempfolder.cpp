#include "kit/tempfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error("TempFolder: " + what + " " + path + ": " + std::strerror(errno));
}

// RemoveTree deletes path and, for a real folder, everything below it. Folders are made
// accessible first, so a test may leave one unreadable; links are never followed.
void RemoveTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        chmod(path.c_str(), 0700);
        if (DIR* dir = opendir(path.c_str())) {
            std::vector<std::string> names;
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(dir);
            for (const std::string& name : names) RemoveTree(path + "/" + name);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorbit-test-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot make", pattern);
    char* real = realpath(pattern.c_str(), nullptr);  // tests compare real paths
    fRoot = real ? real : pattern;
    std::free(real);
}

TempFolder::~TempFolder() { RemoveTree(fRoot); }

std::string TempFolder::Path(const std::string& relative) const {
    if (relative.empty()) return fRoot;
    if (relative.front() == '/') return relative;
    return fRoot + "/" + relative;
}

std::string TempFolder::File(const std::string& relative, const std::string& content,
                             mode_t mode) const {
    std::string path = Path(relative);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) Fail("cannot create", path);
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            Fail("cannot write", path);
        }
        done += static_cast<size_t>(n);
    }
    if (fchmod(fd, mode) != 0 || close(fd) != 0) Fail("cannot finish", path);
    return path;
}

std::string TempFolder::Link(const std::string& relative, const std::string& target) const {
    std::string path = Path(relative);
    if (symlink(target.c_str(), path.c_str()) != 0) Fail("cannot link", path);
    return path;
}

std::string TempFolder::Fifo(const std::string& relative) const {
    std::string path = Path(relative);
    if (mkfifo(path.c_str(), 0644) != 0) Fail("cannot make fifo", path);
    return path;
}

std::string TempFolder::Folder(const std::string& relative, mode_t mode) const {
    std::string path = Path(relative);
    if (mkdir(path.c_str(), 0700) != 0 || chmod(path.c_str(), mode) != 0)
        Fail("cannot make folder", path);
    return path;
}

std::string TempFolder::Read(const std::string& relative) const {
    std::string path = Path(relative);
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) Fail("cannot open", path);
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            Fail("cannot read", path);
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return content;
}

std::vector<std::string> TempFolder::Entries(const std::string& relative) const {
    std::string path = Path(relative);
    DIR* dir = opendir(path.c_str());
    if (!dir) Fail("cannot list", path);
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool TempFolder::Exists(const std::string& relative) const {
    struct stat st {};
    return lstat(Path(relative).c_str(), &st) == 0;
}

bool TempFolder::IsLink(const std::string& relative) const {
    struct stat st {};
    return lstat(Path(relative).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

mode_t TempFolder::Mode(const std::string& relative) const {
    struct stat st {};
    if (lstat(Path(relative).c_str(), &st) != 0) Fail("cannot stat", Path(relative));
    return st.st_mode & 07777;
}
