#include "platform/folderitem.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filecopy_p.h"
#include "platform/filedescriptor_p.h"
#include "platform/runtime.h"
#include "platform/runtime_p.h"
#include "platform/thread.h"

namespace {

using PlatformPrivate::FileDescriptor;

// The kernel's own limit on the links one lookup may follow.
constexpr int kMaxLinkHops = 40;

std::string& ExecutablePathOverride() {
    static std::string path;
    return path;
}

// FolderOf is the lexical folder part of an absolute path ("/" for "/a"); NameOf the rest.
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    if (path == "/") return path;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// DirectoryOf is the folder part of a path that may be relative ("." for a bare name).
std::string DirectoryOf(const std::string& path) {
    return path.find('/') == std::string::npos ? "." : FolderOf(path);
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::optional<std::string> RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    if (!real) return std::nullopt;
    return std::string(real.get());
}

// CanonicalPath resolves the links and dots of the folders above path but not its last
// component, so a link stays itself; what cannot be resolved is left as it is.
std::string CanonicalPath(const std::string& path) {
    if (path == "/") return path;
    std::string name = NameOf(path);
    if (name.empty() || name == "." || name == "..") return RealPath(path).value_or(path);
    std::optional<std::string> folder = RealPath(FolderOf(path));
    return folder ? Joined(*folder, name) : path;
}

bool IsEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// NormalisedPath drops empty and "." components and a trailing slash. A ".." is given the
// meaning the kernel gives it, the parent of what the path before it really is: that part
// is resolved, while the components after the last ".." stay as they are, so a link at
// the end is not followed.
std::optional<std::string> NormalisedPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t lastDotDot = std::string::npos;
    for (size_t start = 0; start < path.size();) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string part = path.substr(start, end - start);
        if (part == "..") lastDotDot = parts.size();
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        start = end + 1;
    }
    std::string result = "/";
    size_t first = 0;
    if (lastDotDot != std::string::npos) {
        std::string prefix;
        for (size_t i = 0; i <= lastDotDot; ++i) prefix += "/" + parts[i];
        std::optional<std::string> real = RealPath(prefix);
        if (!real) return std::nullopt;
        result = *real;
        first = lastDotDot + 1;
    }
    for (size_t i = first; i < parts.size(); ++i) result = Joined(result, parts[i]);
    return result;
}

// Listing this many entries takes about a millisecond here; starting a helper thread, 65 us.
constexpr size_t kEntriesListedInline = 2048;

enum class ReadState { kMore, kDone, kFailed };

// ReadEntries adds the names dir gives next, less "." and "..", until names holds limit.
ReadState ReadEntries(DIR* dir, std::vector<std::string>& names, size_t limit) {
    while (names.size() < limit) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) return errno == 0 ? ReadState::kDone : ReadState::kFailed;
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    return ReadState::kMore;
}

// SortedEntries reads the folder open as folder once and sorts the names bytewise; empty
// when it cannot be read. A big folder is finished on a helper thread, so that a worker
// thread's listing does not hold up the windows.
std::vector<std::string> SortedEntries(int folder) {
    // A descriptor of its own: the DIR reads from its offset and closes it.
    FileDescriptor reading(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!reading.Valid()) return {};
    struct CloseDir {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    std::unique_ptr<DIR, CloseDir> dir(fdopendir(reading.Get()));
    if (!dir) return {};
    reading.Release();  // now the DIR's

    std::vector<std::string> names;
    ReadState state = ReadEntries(dir.get(), names, kEntriesListedInline);
    auto finish = [&] {
        if (state == ReadState::kMore) state = ReadEntries(dir.get(), names, SIZE_MAX);
        // Half a listing would shift every index after the gap.
        if (state == ReadState::kFailed) names.clear();
        std::sort(names.begin(), names.end());  // std::string compares bytes unsigned
    };
    if (state == ReadState::kMore) RunBlocking(finish);
    else finish();
    return names;
}

}  // namespace

const ClassRecord& FolderItem::Class() {
    static const ClassRecord& record = RegisterClassOf<FolderItem, Object>("FolderItem");
    return record;
}

FolderItem::FolderItem(std::string absolutePath) : fPath(std::move(absolutePath)) {}

std::pair<int, std::string> FolderItem::Where() const {
    if (fFolder) return {fFolder->Get(), Name()};
    return {AT_FDCWD, fPath};
}

// StatNow looks at the entry as it is now, through its listed folder where it has one.
bool FolderItem::StatNow(struct stat& info) const {
    if (fUnresolvable) return false;
    const auto [folder, at] = Where();
    return fstatat(folder, at.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FolderItem::Exists() const {
    struct stat info {};
    return StatNow(info);
}

bool FolderItem::Directory() const {
    struct stat info {};
    return StatNow(info) && S_ISDIR(info.st_mode);
}

bool FolderItem::Alias() const {
    struct stat info {};
    return StatNow(info) && S_ISLNK(info.st_mode);
}

int32_t FolderItem::Count() {
    fHasListing = false;
    fTakenIndex = 0;
    fEndFolder.clear();
    fEndRealFolder.clear();
    return static_cast<int32_t>(Listing().size());
}

const std::vector<std::string>& FolderItem::Listing() {
    if (fHasListing) return fEntries;
    fOpened = fUnresolvable ? nullptr : OpenedFolder();
    fEntries = fOpened ? SortedEntries(fOpened->Get()) : std::vector<std::string>{};
    fHasListing = true;
    return fEntries;
}

// OpenedFolder opens this folder for a listing: from its listed folder when it has one,
// and then only while it is the folder that was listed; never through a link.
FolderItem::Handle FolderItem::OpenedFolder() {
    if (fOpened && !fFolder) return fOpened;  // opened once: counted before, or a Parent's
    const auto [folder, at] = Where();
    auto opened = std::make_shared<PlatformPrivate::OpenFolder>(
        openat(folder, at.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened->Valid()) return nullptr;
    struct stat info {};
    if (fListed && (fstat(opened->Get(), &info) != 0 || !FileCopyPrivate::SameFile(info, *fListed))) return nullptr;
    return opened;
}

std::string FolderItem::Name() const { return NameOf(fPath); }

std::string FolderItem::ShellPath() const {
    if (fReal) return fPath;
    if (fFolder && !fFolder->RealPath().empty()) return Joined(fFolder->RealPath(), Name());
    return CanonicalPath(fPath);
}

Ref<FolderItem> FolderItem::Parent() const {
    if (fPath == "/" || fPath.find('/') == std::string::npos) return nullptr;
    Ref<FolderItem> parent = New<FolderItem>(FolderOf(fPath));
    parent->fOpened = fFolder;
    return parent;
}

// Entry is this folder's entry name, reached through the folder open as folder.
Ref<FolderItem> FolderItem::Entry(const std::string& name, const Handle& folder) const {
    Ref<FolderItem> entry = New<FolderItem>(Joined(fPath, name));
    entry->fFolder = folder;
    return entry;
}

Ref<FolderItem> FolderItem::TrueItem(int32_t index) {
    const std::vector<std::string>& entries = Listing();
    if (index < 1 || static_cast<size_t>(index) > entries.size()) return nullptr;
    const std::string& name = entries[static_cast<size_t>(index) - 1];
    Ref<FolderItem> entry = Entry(name, fOpened);
    // Item(i) follows TrueItem(i) for every link of a run: the entry is looked at once.
    if (index != fTakenIndex) fTaken = FileCopyPrivate::IdentityAt(fOpened->Get(), name);
    fTakenIndex = index;
    entry->fListed = fTaken;
    return entry;
}

Ref<FolderItem> FolderItem::Item(int32_t index) {
    Ref<FolderItem> entry = TrueItem(index);
    return entry ? Resolved(entry) : nullptr;
}

// Resolved follows entry's chain of links from the folder as it was listed, whatever its
// path leads to by now: a relative target counts from its own link's folder, as the kernel
// takes it. The end keeps what it was when it was reached.
Ref<FolderItem> FolderItem::Resolved(const Ref<FolderItem>& entry) {
    if (!entry->fListed) return Unresolvable(entry->fPath);
    if (!entry->fListed->link) return entry;
    int at = fOpened->Get();
    std::string path = entry->Name();  // from at
    std::string target = entry->fListed->target;
    // Written out, for an item that does not exist.
    auto absolute = [&] { return at == AT_FDCWD ? path : Joined(fPath, path); };
    for (int hops = 1;; ++hops) {
        if (target.empty()) return Unresolvable(absolute());
        if (target.front() == '/') at = AT_FDCWD;
        path = target.front() == '/' ? target : Joined(DirectoryOf(path), target);
        struct stat info {};
        if (fstatat(at, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return Unresolvable(absolute());
        if (!S_ISLNK(info.st_mode)) {
            const std::string& real = RealFolder(at, DirectoryOf(path));
            Ref<FolderItem> end = New<FolderItem>(
                real.empty() ? CanonicalPath(absolute()) : Joined(real, NameOf(path)));
            end->fReal = true;
            end->fListed = Identity{info.st_dev, info.st_ino, S_ISDIR(info.st_mode), false, {}};
            return end;
        }
        std::optional<std::string> next = FileCopyPrivate::ReadLinkAt(at, path);
        if (hops == kMaxLinkHops || !next) return Unresolvable(absolute());
        target = *next;
    }
}

// RealFolder is the real path of the folder at path from at, where a chain ended; "" when
// it cannot be told. A folder's links lead into a few folders: the last one's is kept for
// the listing.
const std::string& FolderItem::RealFolder(int at, const std::string& path) {
    // A path from the listed folder is relative, any other absolute: the path is the key.
    if (path != fEndFolder) {
        const PlatformPrivate::OpenFolder folder(openat(at, path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        fEndFolder = path;
        fEndRealFolder = folder.Valid() ? folder.RealPath() : "";
    }
    return fEndRealFolder;
}

Ref<FolderItem> FolderItem::Unresolvable(const std::string& path) {
    Ref<FolderItem> item = New<FolderItem>(path);
    item->fUnresolvable = true;
    return item;
}

Ref<FolderItem> FolderItem::Child(const std::string& name) const {
    if (!IsEntryName(name)) return nullptr;
    return Entry(name, fOpened);
}

bool FolderItem::Delete() {
    int code = ENOENT;
    struct stat info {};
    if (fFolder && fListed) {
        code = FileCopyPrivate::RemoveListed(fFolder->Get(), Name(), *fListed);
    } else if (StatNow(info)) {
        const auto [folder, at] = Where();
        code = unlinkat(folder, at.c_str(), S_ISDIR(info.st_mode) ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
    }
    if (code == 0) return true;
    fLastErrorCode = code;
    return false;
}

Ref<FolderItem> GetTrueFolderItem(const std::string& path, int32_t pathType) {
    if (pathType != 0 || path.empty() || path.front() != '/' ||
        path.find('\0') != std::string::npos)
        return nullptr;
    std::optional<std::string> normalised = NormalisedPath(path);
    return normalised ? New<FolderItem>(*normalised) : nullptr;
}

Ref<FolderItem> ExecutableFile() {
    const std::string& path = ExecutablePathOverride();
    return GetTrueFolderItem(path.empty() ? RuntimePrivate::ExecutablePath() : path);
}

Ref<FolderItem> GetApplicationBundleResources() {
    Ref<FolderItem> executable = ExecutableFile();
    Ref<FolderItem> binFolder = executable ? executable->Parent() : nullptr;
    Ref<FolderItem> bundle = binFolder ? binFolder->Parent() : nullptr;
    return bundle ? bundle->Child("Resources") : nullptr;
}

void SetExecutablePathForTesting(const std::string& path) { ExecutablePathOverride() = path; }
