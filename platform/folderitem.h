#pragma once

// FolderItem: a file, folder or alias (a symbolic link) at a path.
//
// An item is a path: nothing is resolved or read until asked, and every property reads the
// file system afresh. An entry taken from a listed folder (TrueItem, Item, Child) also
// carries that folder as it was opened for the listing, and what the entry was when it was
// taken: whatever it changes, it changes through that folder, never through a path that
// may lead elsewhere by then, and only while the entry is still what was listed. Paths and
// names are bytes as the file system has them; they need not be UTF-8.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "object.h"

class Picture;
struct stat;
namespace PlatformPrivate {
class OpenFolder;
}

class FolderItem : public Object {
public:
    static const ClassRecord& Class();

    // A FolderItem for an absolute path, taken as it is (a link is not followed).
    explicit FolderItem(std::string absolutePath);

    // Exists: something is at the path (a dangling link too). An item resolved from a
    // dangling or looping chain of links does not exist.
    bool Exists() const;

    // Directory: the item itself is a folder; a link never is, whatever it leads to.
    bool Directory() const;

    // Alias: the item is a symbolic link.
    bool Alias() const;

    // Count opens the folder (never through a link; for a listed entry, only while it is
    // the folder that was listed), reads its entries once (sorted by name, bytewise) and
    // gives their number; TrueItem and Item index that listing. 0 for anything but a
    // readable folder. On a worker thread a big folder is finished on a helper thread, so
    // Count may yield.
    int32_t Count();

    // Name is the last component of the path; AbsolutePath the whole path, in the form
    // GetTrueFolderItem takes.
    std::string Name() const;
    std::string AbsolutePath() const { return fPath; }

    // ShellPath is the real path: the folders' links resolved, then the item's own name
    // (for a resolved item, the end of its chain). Two items give equal strings exactly
    // when they are the same file.
    std::string ShellPath() const;

    // Parent is the folder holding the item, also after the item was deleted; nil at "/".
    Ref<FolderItem> Parent() const;

    // TrueItem(i) is entry i (1 to Count) itself, as it is now; Item(i) the same entry with a
    // link resolved through its whole chain, a relative target taken against the link's own
    // folder, and the file it ends at as it is now. Both are nil outside 1..Count.
    Ref<FolderItem> TrueItem(int32_t index);
    Ref<FolderItem> Item(int32_t index);

    // Child is the entry of that name, existing or not; nil when name is not one plain
    // entry name (empty, ".", "..", or holding '/' or a NUL).
    Ref<FolderItem> Child(const std::string& name) const;

    // Delete removes the item's file (a link itself, never what it leads to; a folder only
    // when empty); a listed entry only while it is still what was listed. False, with
    // LastErrorCode set, when it could not.
    bool Delete();

    // CopyFileTo copies this item's file, which must be a regular file on a file system that
    // holds data (not proc, sysfs and the like), to destination; a nil destination raises
    // NilObjectException. It never overwrites and never writes through a link: the copy is
    // made complete in an unnamed file in the destination's folder (holes kept, with the
    // mode less setuid/setgid, the POSIX ACL, the user extended attributes and the
    // modification time), then published under the destination's name only if that name is
    // free. False, with LastErrorCode set, and nothing left behind when it fails.
    // (Defined in filecopy.cpp, with ReplaceWithCopyOf.)
    bool CopyFileTo(const Ref<FolderItem>& destination);

    // ReplaceWithCopyOf puts a complete copy of original, made as CopyFileTo makes it, under
    // name in this link's folder and removes the link, only while the link is still the one
    // that was listed and still leads to original as it was listed; under the link's own
    // name the copy takes its place in one atomic exchange. Anything else at either name is
    // left as it is; when the link cannot be removed the copy is withdrawn again. False,
    // with LastErrorCode set (ESTALE: the link or original is no longer the listed one;
    // EEXIST: name is taken), when nothing was replaced. A nil original raises
    // NilObjectException.
    bool ReplaceWithCopyOf(const Ref<FolderItem>& original, const std::string& name);

    // OpenAsPicture reads the file as a picture; nil when it cannot be read as one.
    // (Defined in graphics.cpp, with Picture.)
    Ref<Picture> OpenAsPicture() const;

    // LastErrorCode is the errno of the last operation of this item that failed, 0 if none.
    int LastErrorCode() const { return fLastErrorCode; }

    // What an entry was when it was taken: its file (device and inode), whether it was a
    // folder or a link, and a link's target. (Public only for the file copy, which checks
    // entries against it.)
    struct Identity {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool folder = false;
        bool link = false;
        std::string target;
    };

private:
    using Handle = std::shared_ptr<const PlatformPrivate::OpenFolder>;

    // Where the entry is reached now: by name in its listed folder, else by its path.
    std::pair<int, std::string> Where() const;
    bool StatNow(struct stat& info) const;
    const std::vector<std::string>& Listing();
    Handle OpenedFolder();
    Ref<FolderItem> Entry(const std::string& name, const Handle& folder) const;
    Ref<FolderItem> Resolved(const Ref<FolderItem>& entry);
    const std::string& RealFolder(int at, const std::string& path);
    static Ref<FolderItem> Unresolvable(const std::string& path);

    std::string fPath;
    bool fUnresolvable = false;  // the end of a dangling or looping chain
    bool fReal = false;          // the path is the real path: the end of a chain
    Handle fFolder;              // the folder holding this entry, as opened for its listing
    std::optional<Identity> fListed;  // what this entry was when it was taken
    Handle fOpened;              // this folder itself, as opened for its own listing
    std::vector<std::string> fEntries;
    bool fHasListing = false;
    int32_t fTakenIndex = 0;  // the entry TrueItem took last, whose identity Item reuses
    std::optional<Identity> fTaken;
    std::string fEndFolder;  // the folder the last chain ended in, and its real path (RealFolder)
    std::string fEndRealFolder;
    int fLastErrorCode = 0;
};

// GetTrueFolderItem gives the item at an absolute path, a link not resolved; pathType 0 is
// an AbsolutePath. Doubled slashes, "." and a trailing slash are dropped; a ".." means the
// real parent of what precedes it, as for the kernel, so the path up to the last ".." is
// resolved. Nil when no item can be made from the path (empty, relative, holding a NUL, or
// a ".." below a folder that is not there) or for an unknown pathType.
Ref<FolderItem> GetTrueFolderItem(const std::string& path, int32_t pathType = 0);

// ExecutableFile is the application's own executable.
Ref<FolderItem> ExecutableFile();

// GetApplicationBundleResources is the folder "Resources" beside the folder that holds the
// executable (build/bin/quorbit with build/Resources); nil when it cannot be made.
Ref<FolderItem> GetApplicationBundleResources();

// For tests: SetExecutablePathForTesting makes ExecutableFile answer path (which need not
// exist), so the bundle can be put elsewhere; an empty path restores the real one.
void SetExecutablePathForTesting(const std::string& path);
