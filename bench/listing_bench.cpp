// Listing a folder: Count, then TrueItem(i) and Alias for every entry, on folders of 10,000
// and 100,000 entries (half of them links). The cost should grow linearly with the size,
// and the folder should be read in one pass: under strace, the getdents64 calls are
// counted for one listing of each folder.
//
//   bench_listing [--list-once FOLDER]   (the second form is what strace runs)

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/benchkit.h"
#include "platform/folderitem.h"

namespace {

using bench::Check;
using bench::Clock;
using bench::Median;
using bench::Since;
constexpr int kRuns = 5;

// ListOnce is the measured work: one count, then every entry and whether it is a link.
int ListOnce(const std::string& folderPath) {
    Ref<FolderItem> folder = New<FolderItem>(folderPath);
    int32_t count = folder->Count();
    int aliases = 0;
    for (int32_t i = 1; i <= count; ++i) aliases += folder->TrueItem(i)->Alias();
    return aliases;
}

void MakeFolder(const std::string& path, int entries) {
    Check(mkdir(path.c_str(), 0755) == 0, path);
    for (int i = 0; i < entries; ++i) {
        std::string name = path + "/entry" + std::to_string(i);
        if (i % 2 == 0) {
            int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            Check(fd >= 0 && close(fd) == 0, name);
        } else {
            Check(symlink(("entry" + std::to_string(i - 1)).c_str(), name.c_str()) == 0, name);
        }
    }
}

void RemoveFolder(const std::string& path, int entries) {
    for (int i = 0; i < entries; ++i) unlink((path + "/entry" + std::to_string(i)).c_str());
    rmdir(path.c_str());
}

// GetdentsCalls runs one listing of folder under strace and gives its getdents64 calls,
// or -1 when strace cannot be run.
long GetdentsCalls(const std::string& self, const std::string& folder, const std::string& log) {
    std::string command = "strace -f -qq -c -e trace=getdents64 -o '" + log + "' '" + self +
                          "' --list-once '" + folder + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return -1;
    FILE* file = std::fopen(log.c_str(), "r");
    if (!file) return -1;
    long calls = -1;
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        double percent, seconds;
        long usecs, count;
        char name[64];
        if (std::sscanf(line, "%lf %lf %ld %ld %*s %63s", &percent, &seconds, &usecs, &count,
                        name) == 5 ||
            std::sscanf(line, "%lf %lf %ld %ld %63s", &percent, &seconds, &usecs, &count, name) == 5)
            if (std::strcmp(name, "getdents64") == 0) calls = count;
    }
    std::fclose(file);
    unlink(log.c_str());
    return calls;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--list-once") == 0) {
        ListOnce(argv[2]);
        return 0;
    }
    const std::string root = bench::TempFolder();

    const std::vector<int> sizes = {10000, 100000};
    std::vector<std::string> folders;
    for (int size : sizes) {
        folders.push_back(root + "/folder" + std::to_string(size));
        MakeFolder(folders.back(), size);
    }

    std::vector<std::vector<double>> times(sizes.size());
    for (int run = 0; run < kRuns; ++run) {
        for (size_t k = 0; k < sizes.size(); ++k) {
            Clock::time_point start = Clock::now();
            int aliases = ListOnce(folders[k]);
            times[k].push_back(Since(start));
            Check(aliases == sizes[k] / 2, "wrong number of links in " + folders[k]);
        }
    }

    std::printf("%-10s %12s %14s %16s\n", "entries", "median ms", "per entry us", "getdents64 calls");
    for (size_t k = 0; k < sizes.size(); ++k) {
        double median = Median(times[k]);
        long calls = GetdentsCalls(argv[0], folders[k], root + "/strace.log");
        std::printf("%-10d %12.2f %14.3f %16s\n", sizes[k], median * 1e3, median * 1e6 / sizes[k],
                    calls < 0 ? "(no strace)" : std::to_string(calls).c_str());
    }
    std::printf("ratio 100,000 / 10,000: %.2f (10 is linear)\n", Median(times[1]) / Median(times[0]));

    for (size_t k = 0; k < sizes.size(); ++k) RemoveFolder(folders[k], sizes[k]);
    rmdir(root.c_str());
    return 0;
}
