#pragma once

// FolderItem: a file, folder or alias (a symbolic link) at a path.
//
// An item is a path, not an open handle: nothing is resolved or read until asked, and
// every property reads the file system afresh. Paths and names are bytes as the file
// system has them; they need not be UTF-8.

#include <cstdint>
#include <string>
#include <vector>

#include "object.h"

class Picture;

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

    // Count reads the folder's entries once (sorted by name, bytewise) and gives their
    // number; TrueItem and Item index that listing. 0 for anything but a readable folder.
    // On a worker thread a big folder is finished on a helper thread, so Count may yield.
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

    // TrueItem(i) is entry i (1 to Count) itself; Item(i) the same entry with a link resolved
    // through its whole chain, a relative target taken against the link's own folder. Both
    // are nil outside 1..Count.
    Ref<FolderItem> TrueItem(int32_t index);
    Ref<FolderItem> Item(int32_t index);

    // Child is the entry of that name, existing or not; nil when name is not one plain
    // entry name (empty, ".", "..", or holding '/' or a NUL).
    Ref<FolderItem> Child(const std::string& name) const;

    // Delete removes the item's file (a link itself, never what it leads to; a folder only
    // when empty). False, with LastErrorCode set, when it could not.
    bool Delete();

    // CopyFileTo copies this item's file, which must be a regular file, to destination. It
    // never overwrites and never writes through a link: the copy is made complete in an
    // unnamed file in the destination's folder, with the mode (less setuid/setgid) and the
    // modification time kept, and then published under the destination's name only if that
    // name is free. False, with LastErrorCode set, and nothing left behind when it fails.
    bool CopyFileTo(const Ref<FolderItem>& destination);

    // ReplaceWithCopyOf puts a complete copy of original in place of this item, which must
    // be a link, in one atomic rename: the link is never written through, and it stays as
    // it was when the copy cannot be made. False, with LastErrorCode set, on failure.
    bool ReplaceWithCopyOf(const Ref<FolderItem>& original);

    // OpenAsPicture reads the file as a picture; nil when it cannot be read as one.
    Ref<Picture> OpenAsPicture() const;

    // LastErrorCode is the errno of the last operation of this item that failed, 0 if none.
    int LastErrorCode() const { return fLastErrorCode; }

private:
    const std::vector<std::string>& Listing();
    static Ref<FolderItem> Resolved(const std::string& start);
    static Ref<FolderItem> Unresolvable(const std::string& path);

    std::string fPath;
    bool fUnresolvable = false;  // the end of a dangling or looping chain
    std::vector<std::string> fEntries;
    bool fListed = false;
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
