// The file copy against a bare loop of the same system calls and against cp.
//
//   bench_filecopy [BIG_FILE_BYTES]     (default 1 GiB; 0 skips the big file)
//   BENCH_VERBOSE=1 prints every run as it ends.
//
// (a) 10,000 files of 4 KiB: CopyFileTo per file, the bare loop (open, fstat, an anonymous
//     file, copy_file_range, fchmod, futimens, linkat, close), and one `cp --reflink=auto -p`.
// (b) one big file: CopyFileTo against `cp --reflink=auto -p`.
// Runs are interleaved and each copies a fresh fixture into a fresh folder (ext4 makes files
// slowly for a while after many were deleted, and every contender should meet that alike);
// medians are reported, and the best runs beside them.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "bench/benchkit.h"
#include "platform/folderitem.h"

namespace {

using bench::Check;
using bench::Clock;
using bench::Median;
constexpr int kSmallFiles = 10000;
constexpr size_t kSmallSize = 4096;
constexpr int kSmallRounds = 5;
constexpr int kBigRounds = 5;

struct Contender {
    const char* name;
    std::function<void(const std::string& from, const std::string& to)> copy;
    std::vector<double> seconds;
};

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void Run(const std::string& command) {
    Check(std::system(command.c_str()) == 0, command);
}

void WriteFile(const std::string& path, const std::string& content) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    Check(fd >= 0 && write(fd, content.data(), content.size()) ==
                         static_cast<ssize_t>(content.size()) && close(fd) == 0, path);
}

// MakeBigFile writes size bytes of data that no file system can share or compress away.
void MakeBigFile(const std::string& path, unsigned long long size) {
    std::string chunk(1 << 20, '\0');
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 2654435761u >> 24);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    Check(fd >= 0, path);
    for (unsigned long long done = 0; done < size; done += chunk.size()) {
        chunk[0] = static_cast<char>(done >> 20);
        size_t n = static_cast<size_t>(std::min<unsigned long long>(chunk.size(), size - done));
        Check(write(fd, chunk.data(), n) == static_cast<ssize_t>(n), path);
    }
    Check(close(fd) == 0, path);
}

std::string SmallName(int i) { return "file" + std::to_string(i); }

void CopyAllWithCopyFileTo(const std::string& from, const std::string& to) {
    for (int i = 0; i < kSmallFiles; ++i) {
        Ref<FolderItem> source = New<FolderItem>(from + "/" + SmallName(i));
        Check(source->CopyFileTo(New<FolderItem>(to + "/" + SmallName(i))), "CopyFileTo");
    }
}

// The same system calls with nothing around them: no checks beyond success, the folder
// opened once.
void CopyAllWithBareLoop(const std::string& from, const std::string& to) {
    int folder = open(to.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    Check(folder >= 0, to);
    for (int i = 0; i < kSmallFiles; ++i) {
        std::string name = SmallName(i);
        int in = open((from + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        Check(in >= 0 && fstat(in, &info) == 0, name);
        int out = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        Check(out >= 0, "O_TMPFILE");
        Check(copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(info.st_size), 0) ==
                  info.st_size, "copy_file_range");
        const timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
        Check(fchmod(out, info.st_mode & 0777) == 0 && futimens(out, times) == 0, "metadata");
        std::string self = "/proc/self/fd/" + std::to_string(out);
        Check(linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0, "linkat");
        close(out);
        close(in);
    }
    close(folder);
}

void CopyAllWithCp(const std::string& from, const std::string& to) {
    Run("cp --reflink=auto -p " + Quoted(from) + "/* " + Quoted(to) + "/");
}

void CopyBigWithCopyFileTo(const std::string& from, const std::string& to) {
    Check(New<FolderItem>(from + "/big")->CopyFileTo(New<FolderItem>(to + "/big")), "CopyFileTo");
}

void CopyBigWithCp(const std::string& from, const std::string& to) {
    Run("cp --reflink=auto -p " + Quoted(from + "/big") + " " + Quoted(to + "/big"));
}

// Round runs every contender once, in an order that turns with each round; each copies a
// fixture (a fresh one when makeFixture is given, made untimed) into a fresh folder. Small
// files are only deleted at the end, so no run meets the slow creation that follows a
// deletion; a big copy is deleted at once, which costs later runs nothing.
void Round(std::vector<Contender>& contenders, int round, const std::string& root,
           const std::function<void(const std::string&)>& makeFixture) {
    static int serial = 0;
    for (size_t k = 0; k < contenders.size(); ++k) {
        Contender& contender = contenders[(k + static_cast<size_t>(round)) % contenders.size()];
        std::string from = root + "/fixture";
        if (makeFixture) {
            from += std::to_string(++serial);
            Check(mkdir(from.c_str(), 0755) == 0, from);
            makeFixture(from);
        }
        std::string to = root + "/copy" + std::to_string(++serial);
        Check(mkdir(to.c_str(), 0755) == 0, to);
        Clock::time_point start = Clock::now();
        contender.copy(from, to);
        contender.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (std::getenv("BENCH_VERBOSE"))
            std::fprintf(stderr, "%s %.1f ms\n", contender.name, contender.seconds.back() * 1e3);
        if (!makeFixture) Run("rm -rf " + Quoted(to));
    }
}

// Report prints medians; the best run is shown too, as the figure least touched by whatever
// else the machine is doing.
void Report(const char* title, const std::vector<Contender>& contenders, const char* unit,
            const std::function<double(double)>& perUnit) {
    std::printf("\n%s\n%-22s %10s %12s %8s %10s %8s\n", title, "", "median ms", unit, "ratio",
                "best ms", "ratio");
    double base = Median(contenders[0].seconds);
    double baseBest = *std::min_element(contenders[0].seconds.begin(), contenders[0].seconds.end());
    for (const Contender& contender : contenders) {
        double median = Median(contender.seconds);
        double best = *std::min_element(contender.seconds.begin(), contender.seconds.end());
        std::printf("%-22s %10.1f %12.2f %7.2fx %10.1f %7.2fx\n", contender.name, median * 1e3,
                    perUnit(median), median / base, best * 1e3, best / baseBest);
    }
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long bigSize = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 1ULL << 30;
    const std::string root = bench::TempFolder();

    // Everything runs before the big file is made, so its deletion cannot touch them.
    std::vector<Contender> small = {{"bare loop", CopyAllWithBareLoop, {}},
                                    {"CopyFileTo", CopyAllWithCopyFileTo, {}},
                                    {"cp --reflink=auto -p", CopyAllWithCp, {}}};
    const std::string block(kSmallSize, 'q');
    auto makeSmall = [&](const std::string& folder) {
        for (int i = 0; i < kSmallFiles; ++i)
            WriteFile(folder + "/" + SmallName(i), block);
    };
    for (int round = 0; round < kSmallRounds; ++round) Round(small, round, root, makeSmall);
    Report("(a) 10,000 files of 4 KiB", small, "us per file",
           [](double seconds) { return seconds * 1e6 / kSmallFiles; });

    struct statvfs disk {};
    Check(statvfs(root.c_str(), &disk) == 0, root);
    unsigned long long freeBytes = static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize;
    if (bigSize == 0) {
        std::printf("\n(b) skipped: size 0\n");
    } else if (freeBytes < std::max(4ULL << 30, 3 * bigSize)) {
        std::printf("\n(b) skipped: %.1f GiB free, want at least %.1f GiB\n",
                    static_cast<double>(freeBytes) / (1 << 30),
                    static_cast<double>(std::max(4ULL << 30, 3 * bigSize)) / (1 << 30));
    } else {
        std::string fixture = root + "/fixture";
        Check(mkdir(fixture.c_str(), 0755) == 0, fixture);
        MakeBigFile(fixture + "/big", bigSize);
        std::vector<Contender> big = {{"cp --reflink=auto -p", CopyBigWithCp, {}},
                                      {"CopyFileTo", CopyBigWithCopyFileTo, {}}};
        for (int round = 0; round < kBigRounds; ++round) Round(big, round, root, {});
        char title[64];
        std::snprintf(title, sizeof title, "(b) one file of %.2f GiB",
                      static_cast<double>(bigSize) / (1 << 30));
        Report(title, big, "MiB/s", [&](double seconds) {
            return static_cast<double>(bigSize) / (1 << 20) / seconds;
        });
    }
    Run("rm -rf " + Quoted(root));
    return 0;
}
