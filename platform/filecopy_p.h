#pragma once

// What filecopy.cpp gives the file items about entries and the copy; not for the program.

#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/folderitem.h"

namespace FileCopyPrivate {

// ReadLinkAt is the target of the link name in the folder open as folder (a path from the
// current folder with AT_FDCWD); none when it is not a link or cannot be read.
std::optional<std::string> ReadLinkAt(int folder, const std::string& name);

// SameFile: info is of the file identity describes.
bool SameFile(const struct stat& info, const FolderItem::Identity& identity);

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
