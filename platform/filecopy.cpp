// The copy of one file: made complete in a file nobody can see yet, then published under
// its name in one step, so no partial file ever stands under a visible name and an existing
// name is never overwritten.

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <random>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filecopy_p.h"
#include "platform/folderitem.h"
#include "platform/signals_p.h"
#include "platform/thread.h"

namespace {

using FileCopyPrivate::FileDescriptor;

constexpr size_t kBufferSize = 128 * 1024;
constexpr int kTemporaryNameAttempts = 100;
bool gAnonymousFilesAllowed = true;  // false only in tests

// CopyFailure carries the errno of the step that failed; it never leaves this file.
struct CopyFailure {
    int code;
};

[[noreturn]] void Fail(int code) { throw CopyFailure{code != 0 ? code : EIO}; }
[[noreturn]] void FailWithErrno() { Fail(errno); }

// Attempt runs one copy and gives 0, or the errno it failed with.
template <class Work>
int Attempt(Work&& work) {
    try {
        work();
        return 0;
    } catch (const CopyFailure& failure) {
        return failure.code;
    }
}

int NotRegularError(mode_t mode) {
    if (S_ISDIR(mode)) return EISDIR;
    if (S_ISLNK(mode)) return ELOOP;
    return EINVAL;
}

// Source is the original, open for reading and proved to be a regular file.
struct Source {
    FileDescriptor file;
    struct stat info {};
};

Source OpenSource(const std::string& path) {
    Source source;
    // Looked at before it is opened: opening a device can have effects of its own.
    if (lstat(path.c_str(), &source.info) != 0) FailWithErrno();
    if (!S_ISREG(source.info.st_mode)) Fail(NotRegularError(source.info.st_mode));
    // O_NONBLOCK: should a FIFO take the file's place meanwhile, opening it must not wait.
    source.file = FileDescriptor(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!source.file.Valid() || fstat(source.file.Get(), &source.info) != 0) FailWithErrno();
    if (!S_ISREG(source.info.st_mode)) Fail(NotRegularError(source.info.st_mode));
    return source;
}

bool IsUnsupported(int code) {
    return code == EXDEV || code == EOPNOTSUPP || code == EINVAL || code == ENOSYS;
}

void WriteAll(int to, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(to, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailWithErrno();
        data += n;
        size -= static_cast<size_t>(n);
    }
}

// ReadWrite copies from the current offsets to the end of the source.
void ReadWrite(int from, int to) {
    auto buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    for (;;) {
        ssize_t n = read(from, buffer.get(), kBufferSize);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailWithErrno();
        if (n == 0) return;
        WriteAll(to, buffer.get(), static_cast<size_t>(n));
    }
}

// CopyRange copies size bytes inside the kernel. False when the file systems cannot, with
// both offsets left where the read/write copy takes over.
bool CopyRange(int from, int to, off_t size) {
    for (off_t done = 0; done < size;) {
        ssize_t n = copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(size - done), 0);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0) return true;  // the source shrank meanwhile
        if (errno == EINTR) continue;
        if (IsUnsupported(errno)) return false;
        FailWithErrno();
    }
    return true;
}

void FillData(int from, int to, off_t size) {
    // A file that reports no size may still hold data (the kernel's own files do).
    if (size == 0) return ReadWrite(from, to);
    if (ioctl(to, FICLONE, from) == 0) return;  // the blocks shared, where the file system can
    if (CopyRange(from, to, size)) return;
    ReadWrite(from, to);
}

// Fill gives the copy the source's data, then its permission bits (less setuid and setgid)
// and modification time: the metadata last, since writing data would change the time.
void Fill(const Source& source, int to) {
    if (source.info.st_size > FileCopyPrivate::kFillOnHelperAbove)
        RunBlocking([&] { FillData(source.file.Get(), to, source.info.st_size); });
    else
        FillData(source.file.Get(), to, source.info.st_size);
    if (fchmod(to, source.info.st_mode & 0777) != 0) FailWithErrno();
    const timespec times[2] = {{0, UTIME_OMIT}, source.info.st_mtim};
    if (futimens(to, times) != 0) FailWithErrno();
}

std::string TemporaryName() {
    thread_local std::mt19937_64 generator(std::random_device{}());
    char name[32];
    std::snprintf(name, sizeof name, ".quorbit-%012llx",
                  static_cast<unsigned long long>(generator() & 0xffffffffffffULL));
    return name;
}

// Copy is a copy being made in a folder. Its file is anonymous (or, where the file system
// cannot make one, under a hidden temporary name) until it is published; whatever was not
// published is gone again when the Copy goes.
class Copy {
public:
    // Copy opens the folder and makes the empty file there.
    explicit Copy(const std::string& folderPath);
    ~Copy();
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    // File is the copy's descriptor, open for writing.
    int File() const { return fFile.Get(); }

    // Publish gives the finished copy its name; it fails on a name that is taken.
    void Publish(const std::string& name);

    // ReplaceLink renames the finished copy over the link of that name, and fails when
    // something other than a link is there now.
    void ReplaceLink(const std::string& name);

private:
    void CreateNamed();
    int LinkAnonymousAs(const std::string& name) const;
    void LinkUnderTemporaryName();
    void Close();

    FileDescriptor fFolder;
    FileDescriptor fFile;
    std::string fTemporaryName;  // empty while the file is anonymous, and once published
};

Copy::Copy(const std::string& folderPath) {
    fFolder = FileDescriptor(open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fFolder.Valid()) FailWithErrno();
    if (gAnonymousFilesAllowed) {
        fFile = FileDescriptor(openat(fFolder.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (fFile.Valid()) return;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailWithErrno();
    }
    CreateNamed();
}

Copy::~Copy() {
    if (fTemporaryName.empty()) return;
    unlinkat(fFolder.Get(), fTemporaryName.c_str(), 0);
    SignalsPrivate::ForgetTemporary(fFolder.Get(), fTemporaryName);
}

void Copy::CreateNamed() {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName();
        fFile = FileDescriptor(openat(fFolder.Get(), name.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fFile.Valid()) {
            fTemporaryName = std::move(name);
            SignalsPrivate::NoteTemporary(fFolder.Get(), fTemporaryName);
            return;
        }
        if (errno != EEXIST) FailWithErrno();
    }
    Fail(EEXIST);
}

// LinkAnonymousAs gives the anonymous file a name, or the errno why not. The /proc path
// needs no privilege; AT_EMPTY_PATH is for a system without /proc.
int Copy::LinkAnonymousAs(const std::string& name) const {
    std::string self = "/proc/self/fd/" + std::to_string(fFile.Get());
    if (linkat(AT_FDCWD, self.c_str(), fFolder.Get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    int first = errno;
    if (first != ENOENT) return first;
    if (linkat(fFile.Get(), "", fFolder.Get(), name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return errno == EPERM ? first : errno;
}

void Copy::LinkUnderTemporaryName() {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName();
        int code = LinkAnonymousAs(name);
        if (code == 0) {
            fTemporaryName = std::move(name);
            SignalsPrivate::NoteTemporary(fFolder.Get(), fTemporaryName);
            return;
        }
        if (code != EEXIST) Fail(code);
    }
    Fail(EEXIST);
}

void Copy::Close() {
    if (int code = fFile.Close()) Fail(code);
}

void Copy::Publish(const std::string& name) {
    if (fTemporaryName.empty()) {
        if (int code = LinkAnonymousAs(name)) Fail(code);
        if (int code = fFile.Close()) {
            unlinkat(fFolder.Get(), name.c_str(), 0);
            Fail(code);
        }
        return;
    }
    Close();
    if (renameat2(fFolder.Get(), fTemporaryName.c_str(), fFolder.Get(), name.c_str(),
                  RENAME_NOREPLACE) == 0) {
        SignalsPrivate::ForgetTemporary(fFolder.Get(), fTemporaryName);
        fTemporaryName.clear();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) FailWithErrno();
    // No exclusive rename on this file system: a hard link refuses a taken name as well, and
    // the temporary name goes with the Copy.
    if (linkat(fFolder.Get(), fTemporaryName.c_str(), fFolder.Get(), name.c_str(), 0) != 0)
        FailWithErrno();
}

void Copy::ReplaceLink(const std::string& name) {
    if (fTemporaryName.empty()) LinkUnderTemporaryName();
    Close();
    struct stat info {};
    if (fstatat(fFolder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) FailWithErrno();
    if (!S_ISLNK(info.st_mode)) Fail(EINVAL);
    if (renameat(fFolder.Get(), fTemporaryName.c_str(), fFolder.Get(), name.c_str()) != 0)
        FailWithErrno();
    SignalsPrivate::ForgetTemporary(fFolder.Get(), fTemporaryName);
    fTemporaryName.clear();
}

std::string FolderPathOf(const FolderItem& item) {
    Ref<FolderItem> folder = item.Parent();
    if (!folder) Fail(EEXIST);  // "/" is there already
    return folder->AbsolutePath();
}

}  // namespace

namespace FileCopyPrivate {

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

void SetAnonymousFilesForTesting(bool allowed) { gAnonymousFilesAllowed = allowed; }

}  // namespace FileCopyPrivate

bool FolderItem::CopyFileTo(const Ref<FolderItem>& destination) {
    const FolderItem& target = *destination;
    int code = Attempt([&] {
        Source source = OpenSource(fPath);
        Copy copy(FolderPathOf(target));
        Fill(source, copy.File());
        copy.Publish(target.Name());
    });
    if (code != 0) fLastErrorCode = code;
    return code == 0;
}

bool FolderItem::ReplaceWithCopyOf(const Ref<FolderItem>& original) {
    const FolderItem& source = *original;
    int code = Attempt([&] {
        Source opened = OpenSource(source.fPath);
        Copy copy(FolderPathOf(*this));
        Fill(opened, copy.File());
        copy.ReplaceLink(Name());
    });
    if (code != 0) fLastErrorCode = code;
    return code == 0;
}
