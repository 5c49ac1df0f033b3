#pragma once

// TempFolder: a fresh folder of real files for one test, removed with everything in it
// when the TempFolder goes.
//
// Every helper takes a path relative to the folder ("a", "sub/b"); a path that starts with
// '/' is taken as it is. Names are bytes: a newline or bytes that are not UTF-8 are fine.
// A helper that cannot do its work throws std::runtime_error naming the path and errno.

#include <string>
#include <sys/types.h>
#include <vector>

class TempFolder {
public:
    // TempFolder makes a new, empty folder under $TMPDIR (or /tmp).
    TempFolder();

    // The destructor removes the whole tree; links in it are removed, never followed.
    ~TempFolder();

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Path is the absolute path of relative ("" is the root itself, without a trailing slash).
    std::string Path(const std::string& relative = "") const;

    // File writes a regular file with content and exactly mode (umask aside); returns its path.
    std::string File(const std::string& relative, const std::string& content = "",
                     mode_t mode = 0644) const;

    // Link makes a symbolic link holding target verbatim (relative or absolute, existing or
    // not); returns the link's path.
    std::string Link(const std::string& relative, const std::string& target) const;

    // Folder makes a folder (its parents must exist) and returns its path.
    std::string Folder(const std::string& relative, mode_t mode = 0755) const;

    // Make makes each entry in turn, in the forms Tree lists them: "a/" a folder, "a=text" a
    // file, "a@target" a link, "a|" a named pipe. Its names hold neither '=' nor '@'.
    void Make(const std::vector<std::string>& entries) const;

    // Read gives a regular file's whole content (a link is followed).
    std::string Read(const std::string& relative) const;

    // Entries lists a folder's names, "." and ".." left out, sorted bytewise.
    std::vector<std::string> Entries(const std::string& relative = "") const;

    // IsLink: a symbolic link is at the path.
    bool IsLink(const std::string& relative) const;

private:
    std::string fRoot;
};
