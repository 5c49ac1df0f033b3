#include "kit/tempfolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

[[noreturn]] static void Fail(const std::string& what, const std::string& path) {
    throw std::system_error(errno, std::generic_category(), "TempFolder: " + what + " " + path);
}

TempFolder::TempFolder() {
    std::string pattern = fs::temp_directory_path() / "quorbit-test-XXXXXX";  // $TMPDIR or /tmp
    if (!mkdtemp(pattern.data())) Fail("cannot make", pattern);
    fRoot = fs::canonical(pattern);  // tests compare real paths
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);  // never follows a link out of the folder
}

std::string TempFolder::Path(const std::string& relative) const {
    if (relative.empty()) return fRoot;
    return relative.front() == '/' ? relative : fRoot + "/" + relative;
}

// The fs:: calls throw fs::filesystem_error, a std::runtime_error naming the path and error.

std::string TempFolder::File(const std::string& relative, const std::string& content,
                             mode_t mode) const {
    std::string path = Path(relative);
    if (fs::exists(fs::symlink_status(path))) Fail("already there:", path);  // never write through a link
    std::ofstream out(path, std::ios::binary);
    if (!(out << content).flush()) Fail("cannot write", path);
    fs::permissions(path, fs::perms(mode));
    return path;
}

std::string TempFolder::Link(const std::string& relative, const std::string& target) const {
    fs::create_symlink(target, Path(relative));
    return Path(relative);
}

std::string TempFolder::Folder(const std::string& relative, mode_t mode) const {
    if (!fs::create_directory(Path(relative))) Fail("already there:", Path(relative));
    fs::permissions(Path(relative), fs::perms(mode));
    return Path(relative);
}

void TempFolder::Make(const std::vector<std::string>& entries) const {
    for (const std::string& entry : entries) {
        const size_t mark = entry.find_first_of("=@");
        const std::string name = entry.substr(0, mark == std::string::npos ? entry.size() - 1 : mark);
        if (mark != std::string::npos && entry[mark] == '=') File(name, entry.substr(mark + 1));
        else if (mark != std::string::npos) Link(name, entry.substr(mark + 1));
        else if (entry.back() == '/') Folder(name);
        else if (entry.back() == '|') {
            if (mkfifo(Path(name).c_str(), 0644) != 0) Fail("cannot make fifo", Path(name));
        }
        else throw std::invalid_argument("TempFolder::Make: what is " + entry);
    }
}

std::string TempFolder::Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    if (!in) Fail("cannot open", Path(relative));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> TempFolder::Entries(const std::string& relative) const {
    std::set<std::string> names;  // sorted bytewise
    for (const fs::directory_entry& entry : fs::directory_iterator(Path(relative)))
        names.insert(entry.path().filename());
    return {names.begin(), names.end()};
}

bool TempFolder::IsLink(const std::string& relative) const {
    return fs::is_symlink(fs::symlink_status(Path(relative)));
}
