// The copy of one file: made complete in a file nobody can see yet, then published under
// its name in one step, so no partial file ever stands under a visible name and an existing
// name is never overwritten. A link is replaced or removed only while it is the very link
// that was listed: it is first moved out of the way in one step (an exchange with the copy,
// or a rename to a hidden name), then checked, then removed or put back, so no other
// program can slip a file of its own between the check and the removal.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <linux/magic.h>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "platform/filecopy_p.h"
#include "platform/filedescriptor_p.h"
#include "platform/folderitem.h"
#include "platform/signals_p.h"
#include "platform/thread.h"

namespace {

using PlatformPrivate::FileDescriptor;
using FileCopyPrivate::ReadLinkAt;
using FileCopyPrivate::SameFile;
using Identity = FolderItem::Identity;

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

// Is: the entry name of folder is the file identity describes, a link with the same target.
// (An inode number can be reused once its file is gone, so a link's target is compared too.)
bool Is(int folder, const std::string& name, const Identity& identity) {
    struct stat info {};
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!SameFile(info, identity) || S_ISLNK(info.st_mode) != identity.link) return false;
    return !identity.link || ReadLinkAt(folder, name) == identity.target;
}

// LeadsTo: the link target, taken from folder as the kernel takes it, ends at the file
// original.
bool LeadsTo(int folder, const std::string& target, const struct stat& original) {
    struct stat info {};
    return fstatat(folder, target.c_str(), &info, 0) == 0 && info.st_dev == original.st_dev &&
           info.st_ino == original.st_ino;
}

int NotRegularError(mode_t mode) {
    if (S_ISDIR(mode)) return EISDIR;
    if (S_ISLNK(mode)) return ELOOP;
    return EINVAL;
}

// OnPseudoFileSystem: the file lives on one of the kernel's own file systems, whose files
// hold no user data, report sizes that mean nothing and may read without end.
bool OnPseudoFileSystem(int file, dev_t device) {
    // Asked once per file system in a row: a run copies mostly from one.
    thread_local dev_t lastDevice = 0;
    thread_local bool lastAnswer = false;
    if (device == lastDevice && device != 0) return lastAnswer;
    struct statfs info {};
    if (fstatfs(file, &info) != 0) return false;
    lastDevice = device;
    lastAnswer = true;
    switch (info.f_type) {
        case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC: case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC:
        case BPF_FS_MAGIC: case PSTOREFS_MAGIC: case EFIVARFS_MAGIC: case DEVPTS_SUPER_MAGIC:
        case BINFMTFS_MAGIC:
            return true;
        default:
            return lastAnswer = false;
    }
}

// Source is the original, open for reading and proved to be a regular file with data.
struct Source {
    FileDescriptor file;
    struct stat info {};
};

// OpenSource opens the file at where (a folder and a name in it, or AT_FDCWD and a path),
// and only while it is still the file listed, when that is known.
Source OpenSource(const std::pair<int, std::string>& where, const std::optional<Identity>& listed) {
    const auto& [folder, at] = where;
    Source source;
    // Looked at before it is opened: opening a device can have effects of its own.
    if (fstatat(folder, at.c_str(), &source.info, AT_SYMLINK_NOFOLLOW) != 0) FailWithErrno();
    if (!S_ISREG(source.info.st_mode)) Fail(NotRegularError(source.info.st_mode));
    if (listed && !SameFile(source.info, *listed)) Fail(ESTALE);
    const struct stat seen = source.info;
    // O_NONBLOCK: should a FIFO take the file's place meanwhile, opening it must not wait.
    source.file = FileDescriptor(
        openat(folder, at.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!source.file.Valid() || fstat(source.file.Get(), &source.info) != 0) FailWithErrno();
    if (!S_ISREG(source.info.st_mode)) Fail(NotRegularError(source.info.st_mode));
    if (source.info.st_dev != seen.st_dev || source.info.st_ino != seen.st_ino) Fail(ESTALE);
    if (OnPseudoFileSystem(source.file.Get(), source.info.st_dev)) Fail(ENODEV);
    return source;
}

bool IsUnsupported(int code) {
    return code == EXDEV || code == EOPNOTSUPP || code == EINVAL || code == ENOSYS;
}

// ReadWrite copies from the current offsets, which are both at offset, up to end or the
// end of the source, whichever comes first. It gives where the data ended.
off_t ReadWrite(int from, int to, off_t offset, off_t end) {
    auto buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    while (offset < end) {
        const auto wanted = static_cast<size_t>(std::min<off_t>(end - offset, kBufferSize));
        ssize_t got = read(from, buffer.get(), wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) FailWithErrno();
        if (got == 0) return offset;
        for (ssize_t done = 0; done < got;) {
            ssize_t written = write(to, buffer.get() + done, static_cast<size_t>(got - done));
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) FailWithErrno();
            done += written;
        }
        offset += got;
    }
    return offset;
}

// CopyRegion copies the bytes [offset, end) to the same place in the copy, inside the kernel
// where the file systems can. It gives where the data really ended (earlier when the source
// shrank meanwhile).
off_t CopyRegion(int from, int to, off_t offset, off_t end) {
    off_t in = offset;
    off_t out = offset;
    while (in < end) {
        ssize_t n = copy_file_range(from, &in, to, &out, static_cast<size_t>(end - in), 0);
        if (n > 0) continue;
        if (n == 0) return in;
        if (errno == EINTR) continue;
        if (!IsUnsupported(errno)) FailWithErrno();
        // The file systems cannot: read and write from here on.
        if (lseek(from, in, SEEK_SET) < 0 || lseek(to, in, SEEK_SET) < 0) FailWithErrno();
        return ReadWrite(from, to, in, end);
    }
    return in;
}

// FillData copies the data regions only, so the holes of a sparse file stay holes, and sets
// the size at the end.
void FillData(int from, int to, const struct stat& info) {
    const off_t size = info.st_size;
    // A file that reports no size may still hold data.
    if (size == 0) {
        ReadWrite(from, to, 0, std::numeric_limits<off_t>::max());
        return;
    }
    if (ioctl(to, FICLONE, from) == 0) return;  // the blocks shared, where the file system can
    // No room for holes: one region, and the size set by writing it.
    if (info.st_blocks * 512 >= size) {
        CopyRegion(from, to, 0, size);
        return;
    }
    off_t end = size;
    for (off_t offset = 0; offset < size;) {
        off_t data = lseek(from, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO) break;  // only a hole is left
        // Where holes cannot be found, the rest is taken as data.
        off_t hole = data < 0 ? size : std::min(lseek(from, data, SEEK_HOLE), size);
        if (data < 0) data = offset;
        if (hole < 0) hole = size;
        const off_t copied = CopyRegion(from, to, data, hole);
        if (copied < hole) {  // the source shrank meanwhile
            end = copied;
            break;
        }
        offset = hole;
    }
    if (ftruncate(to, end) != 0) FailWithErrno();
}

// CopyAttributes gives the copy the original's POSIX ACL and user extended attributes; the
// file capabilities and other security attributes never come along. An ACL the copy's file
// system cannot hold fails the copy: the mode bits alone could grant more than the ACL.
void CopyAttributes(int from, int to) {
    std::vector<char> names(1024);
    ssize_t size;
    while ((size = flistxattr(from, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (size < 0) {
        if (errno == ENOTSUP) return;  // the original's file system keeps none
        FailWithErrno();
    }
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + size; name += strlen(name) + 1) {
        const std::string_view key = name;
        const bool acl = key == "system.posix_acl_access";
        if (!acl && !key.starts_with("user.")) continue;
        ssize_t length = fgetxattr(from, name, nullptr, 0);
        if (length >= 0) {
            value.resize(static_cast<size_t>(length));
            length = fgetxattr(from, name, value.data(), value.size());
        }
        if (length < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            FailWithErrno();
        }
        if (fsetxattr(to, name, value.data(), static_cast<size_t>(length), 0) == 0) continue;
        if (errno == ENOTSUP && !acl) continue;  // user data the copy's file system cannot keep
        FailWithErrno();
    }
}

// Fill gives the copy the source's data, then its permission bits (less setuid and setgid),
// ACL, user attributes and modification time: the metadata last, since writing data would
// change the time, and the ACL after the mode, whose group bits it sets.
void Fill(const Source& source, int to) {
    FillData(source.file.Get(), to, source.info);
    if (fchmod(to, source.info.st_mode & 0777) != 0) FailWithErrno();
    CopyAttributes(source.file.Get(), to);
    const timespec times[2] = {{0, UTIME_OMIT}, source.info.st_mtim};
    if (futimens(to, times) != 0) FailWithErrno();
}

// IsLong: filling and publishing the copy may take long (a big file, or one whose size says
// nothing), so that is done off the GUI thread.
bool IsLong(const Source& source) {
    return source.info.st_size == 0 || source.info.st_size > FileCopyPrivate::kFillOnHelperAbove;
}

std::string TemporaryName() {
    thread_local std::mt19937_64 generator(std::random_device{}());
    char name[32];
    std::snprintf(name, sizeof name, ".quorbit-%012llx",
                  static_cast<unsigned long long>(generator() & 0xffffffffffffULL));
    return name;
}

// MoveAside renames the entry name of folder to a fresh hidden name, which it gives; none,
// with errno set, when it cannot.
std::optional<std::string> MoveAside(int folder, const std::string& name) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string aside = TemporaryName();
        if (renameat2(folder, name.c_str(), folder, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno == EINVAL || errno == ENOSYS) {
            // No exclusive rename on this file system; a fresh random name is as good here.
            struct stat info {};
            if (fstatat(folder, aside.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) continue;
            if (renameat(folder, name.c_str(), folder, aside.c_str()) == 0) return aside;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    errno = EEXIST;
    return std::nullopt;
}

// RemoveIf removes the entry name of folder only while it is the file identity describes
// and also(the name it stands at) holds: the entry is moved aside, checked there, then
// removed or put back. 0, or the errno (ESTALE: not that entry).
int RemoveIf(int folder, const std::string& name, const Identity& identity,
             const std::function<bool(const std::string&)>& also) {
    std::optional<std::string> aside = MoveAside(folder, name);
    if (!aside) return errno;
    int code = ESTALE;
    if (Is(folder, *aside, identity) && (!also || also(*aside))) {
        if (unlinkat(folder, aside->c_str(), identity.folder ? AT_REMOVEDIR : 0) == 0) return 0;
        code = errno;
    }
    // Put back under its name. Should another file have taken the name meanwhile, this one
    // stays under the hidden name rather than overwrite it.
    if (renameat2(folder, aside->c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0 &&
        (errno == EINVAL || errno == ENOSYS)) {
        struct stat info {};
        if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            renameat(folder, aside->c_str(), folder, name.c_str());
    }
    return code;
}

// Copy is a copy being made in a folder. Its file is anonymous (or, where the file system
// cannot make one, under a hidden temporary name) until it is published; whatever was not
// published is gone again when the Copy goes.
class Copy {
public:
    // Copy makes the empty file in the folder open as folder.
    explicit Copy(int folder);
    ~Copy();
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    // File is the copy's descriptor, open for writing.
    int File() const { return fFile.Get(); }

    // Publish gives the finished copy its name; it fails on a name that is taken.
    void Publish(const std::string& name);

    // Withdraw removes the published copy again, while name is still the copy.
    void Withdraw(const std::string& name);

    // Replace puts the finished copy in place of the entry name in one exchange, keeping it
    // only while isTheEntry(the name the entry was moved to) holds; else the entry goes back.
    void Replace(const std::string& name, const std::function<bool(const std::string&)>& isTheEntry);

private:
    void CreateNamed();
    int LinkAnonymousAs(const std::string& name) const;
    void LinkUnderTemporaryName();
    void Close();
    bool IsTheCopy(const std::string& name) const;

    int fFolder;
    FileDescriptor fFile;
    struct stat fInfo {};        // the copy's file, once closed
    std::string fTemporaryName;  // empty while the file is anonymous, and once published
};

Copy::Copy(int folder) : fFolder(folder) {
    if (gAnonymousFilesAllowed) {
        fFile = FileDescriptor(openat(fFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (fFile.Valid()) return;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailWithErrno();
    }
    CreateNamed();
}

Copy::~Copy() {
    if (fTemporaryName.empty()) return;
    SignalsPrivate::ForgetTemporary(fFolder, fTemporaryName);
    unlinkat(fFolder, fTemporaryName.c_str(), 0);
}

void Copy::CreateNamed() {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName();
        fFile = FileDescriptor(openat(fFolder, name.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fFile.Valid()) {
            fTemporaryName = std::move(name);
            SignalsPrivate::NoteTemporary(fFolder, fTemporaryName);
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
    if (linkat(AT_FDCWD, self.c_str(), fFolder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    int first = errno;
    if (first != ENOENT) return first;
    if (linkat(fFile.Get(), "", fFolder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return errno == EPERM ? first : errno;
}

void Copy::LinkUnderTemporaryName() {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName();
        int code = LinkAnonymousAs(name);
        if (code == 0) {
            fTemporaryName = std::move(name);
            SignalsPrivate::NoteTemporary(fFolder, fTemporaryName);
            return;
        }
        if (code != EEXIST) Fail(code);
    }
    Fail(EEXIST);
}

void Copy::Close() {
    if (fstat(fFile.Get(), &fInfo) != 0) FailWithErrno();
    if (int code = fFile.Close()) Fail(code);
}

bool Copy::IsTheCopy(const std::string& name) const {
    struct stat info {};
    return fstatat(fFolder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           info.st_dev == fInfo.st_dev && info.st_ino == fInfo.st_ino;
}

void Copy::Publish(const std::string& name) {
    if (fTemporaryName.empty()) {
        if (fstat(fFile.Get(), &fInfo) != 0) FailWithErrno();
        if (int code = LinkAnonymousAs(name)) Fail(code);
        if (int code = fFile.Close()) {
            Withdraw(name);
            Fail(code);
        }
        return;
    }
    Close();
    // Unlisted before it moves: what stands at the temporary name is never removed after.
    SignalsPrivate::ForgetTemporary(fFolder, fTemporaryName);
    if (renameat2(fFolder, fTemporaryName.c_str(), fFolder, name.c_str(), RENAME_NOREPLACE) == 0) {
        fTemporaryName.clear();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) FailWithErrno();
    // No exclusive rename on this file system: a hard link refuses a taken name as well, and
    // the temporary name goes with the Copy.
    if (linkat(fFolder, fTemporaryName.c_str(), fFolder, name.c_str(), 0) != 0) FailWithErrno();
}

void Copy::Withdraw(const std::string& name) {
    if (IsTheCopy(name)) unlinkat(fFolder, name.c_str(), 0);
}

void Copy::Replace(const std::string& name,
                   const std::function<bool(const std::string&)>& isTheEntry) {
    if (fTemporaryName.empty()) LinkUnderTemporaryName();
    Close();
    SignalsPrivate::ForgetTemporary(fFolder, fTemporaryName);  // the entry may take its name
    const std::string swapped = fTemporaryName;
    if (renameat2(fFolder, swapped.c_str(), fFolder, name.c_str(), RENAME_EXCHANGE) == 0) {
        // The copy stands at name now, and the entry at the temporary name.
        if (isTheEntry(swapped)) {
            fTemporaryName.clear();
            unlinkat(fFolder, swapped.c_str(), 0);
            return;
        }
        // Not the entry that was listed: swapped back while the copy still stands there, and
        // left under the hidden name (never removed) should anything have replaced the copy.
        if (!IsTheCopy(name) ||
            renameat2(fFolder, swapped.c_str(), fFolder, name.c_str(), RENAME_EXCHANGE) != 0)
            fTemporaryName.clear();
        Fail(ESTALE);
    }
    if (errno != EINVAL && errno != ENOSYS) FailWithErrno();
    // No exchange on this file system: checked, then renamed over, the moment between the
    // two the one risk left.
    if (!isTheEntry(name)) Fail(ESTALE);
    if (renameat(fFolder, swapped.c_str(), fFolder, name.c_str()) != 0) FailWithErrno();
    fTemporaryName.clear();
}

// Folder is where an item's file is or goes: its listed folder, or the folder its path names.
class Folder {
public:
    Folder(const std::shared_ptr<const PlatformPrivate::OpenFolder>& listed, const FolderItem& item) {
        if (listed) {
            fFd = listed->Get();
            return;
        }
        Ref<FolderItem> parent = item.Parent();
        if (!parent) Fail(EEXIST);  // "/" is there already
        fOwned = FileDescriptor(
            open(parent->AbsolutePath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!fOwned.Valid()) FailWithErrno();
        fFd = fOwned.Get();
    }
    int Get() const { return fFd; }

private:
    FileDescriptor fOwned;
    int fFd = -1;
};

}  // namespace

namespace FileCopyPrivate {

std::optional<std::string> ReadLinkAt(int folder, const std::string& name) {
    std::string target(256, '\0');
    for (;;) {
        ssize_t n = readlinkat(folder, name.c_str(), target.data(), target.size());
        if (n < 0) return std::nullopt;
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

bool SameFile(const struct stat& info, const Identity& identity) {
    return info.st_dev == identity.device && info.st_ino == identity.inode;
}

std::optional<Identity> IdentityAt(int folder, const std::string& name) {
    struct stat info {};
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    Identity identity{info.st_dev, info.st_ino, S_ISDIR(info.st_mode), S_ISLNK(info.st_mode), {}};
    if (identity.link) {
        std::optional<std::string> target = ReadLinkAt(folder, name);
        if (!target) return std::nullopt;
        identity.target = std::move(*target);
    }
    return identity;
}

int RemoveListed(int folder, const std::string& name, const Identity& identity) {
    return RemoveIf(folder, name, identity, nullptr);
}

void SetAnonymousFilesForTesting(bool allowed) { gAnonymousFilesAllowed = allowed; }

}  // namespace FileCopyPrivate

bool FolderItem::CopyFileTo(const Ref<FolderItem>& destination) {
    const FolderItem& target = *destination;
    int code = Attempt([&] {
        // Through its listed folder where it has one, and only while it is the file listed.
        if (fUnresolvable) Fail(ENOENT);
        Source source = OpenSource(Where(), fListed);
        const Folder to(target.fFolder, target);
        Copy copy(to.Get());
        auto finish = [&] {
            Fill(source, copy.File());
            copy.Publish(target.Name());
        };
        IsLong(source) ? RunBlocking(finish) : finish();
    });
    if (code != 0) fLastErrorCode = code;
    return code == 0;
}

bool FolderItem::ReplaceWithCopyOf(const Ref<FolderItem>& original, const std::string& name) {
    const FolderItem& from = *original;
    int code = Attempt([&] {
        if (!Child(name)) Fail(EINVAL);  // not one plain entry name
        const Folder folder(fFolder, *this);
        // The link as listed, or as it is now for an item that was never listed.
        const std::optional<Identity> link = fListed ? fListed : FileCopyPrivate::IdentityAt(folder.Get(), Name());
        if (!link) Fail(ENOENT);
        if (!link->link) Fail(EINVAL);
        if (from.fUnresolvable) Fail(ENOENT);
        Source source = OpenSource(from.Where(), from.fListed);
        // The very link, still leading to the very file copied.
        auto leadsToSource = [&](const std::string&) {
            return LeadsTo(folder.Get(), link->target, source.info);
        };
        auto isTheLink = [&](const std::string& at) {
            return Is(folder.Get(), at, *link) && leadsToSource(at);
        };
        Copy copy(folder.Get());
        auto finish = [&] {
            Fill(source, copy.File());
            if (name == Name()) return copy.Replace(name, isTheLink);
            copy.Publish(name);
            if (int removed = RemoveIf(folder.Get(), Name(), *link, leadsToSource)) {
                copy.Withdraw(name);
                Fail(removed);
            }
        };
        IsLong(source) ? RunBlocking(finish) : finish();
    });
    if (code != 0) fLastErrorCode = code;
    return code == 0;
}
