#include "kit/tempfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error("TempFolder: " + what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorbit-test-XXXXXX";
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

std::string TempFolder::File(const std::string& relative, const std::string& content,
                             mode_t mode) const {
    std::string path = Path(relative);
    if (Exists(path)) Fail("already there:", path);  // never write through a link
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    if (!out || chmod(path.c_str(), mode) != 0) Fail("cannot write", path);
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
    std::ifstream in(Path(relative), std::ios::binary);
    if (!in) Fail("cannot open", Path(relative));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> TempFolder::Entries(const std::string& relative) const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Path(relative)))
        names.push_back(entry.path().filename());
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
