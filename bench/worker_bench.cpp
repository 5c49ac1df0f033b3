// The worker on the real clock under the offscreen platform, against a bare loop of the
// same system calls and against a shell one-liner, on identical fresh folders.
//
//   bench_worker [BIG_FILE_BYTES]     (default 1 GiB; 0 skips the big-file run)
//
// Work time is the run up to its closing block (the closing block only paces the window).
// Gap is the longest wait between two turns of a 1 ms timer on the main thread during the
// run. Compared runs are interleaved, each on a fresh folder, and medians are reported.

#include <QObject>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "bench/benchkit.h"
#include "platform/application.h"
#include "platform/controls.h"
#include "platform/folderitem.h"
#include "platform/frameworkclasses.h"
#include "platform/runtime.h"
#include "platform/window.h"
#include "windows/wndprogress.h"
#include "worker/copyaliasthread.h"

namespace {

using bench::Check;
using bench::Clock;
using bench::Median;
using bench::Since;

void WriteFile(const std::string& path, const std::string& content) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0, path);
    Check(write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()), path);
    close(fd);
}

std::string Name(const char* prefix, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%06d", prefix, i);
    return name;
}

// The originals: count files of 4 KiB, made once and only read.
void MakeOriginals(const std::string& folder, int count) {
    std::filesystem::create_directories(folder);
    const std::string content(4096, 'q');
    for (int i = 0; i < count; ++i) WriteFile(folder + "/" + Name("f", i), content);
}

// A fresh folder of count links, each to its own original.
std::string MakeLinks(const std::string& base, const std::string& originals, int count) {
    static int serial = 0;
    const std::string folder = base + "/links-" + std::to_string(++serial);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i)
        Check(symlink((originals + "/" + Name("f", i)).c_str(),
                      (folder + "/" + Name("l", i)).c_str()) == 0, "symlink");
    return folder;
}

std::string MakePlain(const std::string& base, int count) {
    const std::string folder = base + "/plain-" + std::to_string(count);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) WriteFile(folder + "/" + Name("p", i), "");
    return folder;
}

struct WorkerRun {
    double work = 0;    // up to the closing block
    double total = 0;   // to the end of the thread
    double maxGap = 0;  // longest wait of the main thread's 1 ms timer
};

// RunWorker runs the worker over folder as the application does: DoEvents(100) and a
// yield until the worker's state reads 4.
WorkerRun RunWorker(const std::string& folder, int entryCount, bool keepAliasNames = false) {
    WorkerRun result;
    auto* bar = qobject_cast<QProgressBar*>(
        RuntimeWindowControlByName(WndProgress(), "PrgItem")->Widget());
    const Ref<Application> loop = New<Application>();
    const Ref<CCopyAliasThread> worker = New<CCopyAliasThread>();
    worker->SetFolder(GetTrueFolderItem(folder, 0));
    worker->SetKeepAliasNames(keepAliasNames);

    QObject context;
    Clock::time_point start = Clock::now();
    Clock::time_point lastTick = start;
    bool closing = false;
    QObject::connect(bar, &QProgressBar::valueChanged, &context, [&](int value) {
        if (!closing && value == 2 * entryCount) {
            closing = true;
            result.work = Since(start);
        }
    });
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &context, [&] {
        result.maxGap = std::max(result.maxGap, Since(lastTick));
        lastTick = Clock::now();
    });

    start = lastTick = Clock::now();
    ticker.start();
    worker->Run();
    do {
        loop->DoEvents(100);
        Yield();
    } while (worker->State() != Thread::kNotRunning);
    result.total = Since(start);
    ticker.stop();
    return result;
}

// The calls the file items make, one by one, as strace shows them for a run.
bool IsLink(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// RealPath is a path with its folder's links resolved and its own name kept.
std::string RealPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    char* real = realpath(path.substr(0, slash).c_str(), nullptr);
    std::string result = real ? std::string(real) + path.substr(slash) : path;
    std::free(real);
    return result;
}

// Resolve follows a link's chain to its end: the target read, a relative one taken against
// the link's own folder, the result made real.
std::string Resolve(const std::string& link) {
    std::string path = link;
    for (int hop = 0; hop < 40 && IsLink(path); ++hop) {
        char target[4096];
        ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0) break;
        std::string next(target, static_cast<size_t>(n));
        path = next.front() == '/' ? next : path.substr(0, path.rfind('/')) + "/" + next;
    }
    return RealPath(path);
}

void CopyInto(const std::string& original, const std::string& folder, const std::string& name) {
    struct stat info;
    Check(lstat(original.c_str(), &info) == 0, original);
    int from = open(original.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    Check(from >= 0 && fstat(from, &info) == 0, original);
    int folderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int to = openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    Check(to >= 0, "O_TMPFILE");
    if (ioctl(to, FICLONE, from) != 0) {
        for (off_t done = 0; done < info.st_size;) {
            ssize_t n = copy_file_range(from, nullptr, to, nullptr,
                                        static_cast<size_t>(info.st_size - done), 0);
            Check(n > 0, "copy_file_range");
            done += n;
        }
    }
    fchmod(to, info.st_mode & 0777);
    const timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    futimens(to, times);
    const std::string self = "/proc/self/fd/" + std::to_string(to);
    Check(linkat(AT_FDCWD, self.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0,
          "linkat");
    close(to);
    close(folderFd);
    close(from);
}

// BareLoop makes a run's system calls, in the worker's order, without the framework: the
// listing, each entry looked at and each link resolved, then for each link the checks of
// its original, the copy published under the original's name and the link deleted.
double BareLoop(const std::string& folder) {
    const Clock::time_point start = Clock::now();
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    Check(dir != nullptr, folder);
    while (dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());

    std::vector<std::pair<std::string, std::string>> links;  // link, original
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        const std::string path = folder + "/" + *name;
        if (IsLink(path)) links.emplace_back(path, Resolve(path));
        else IsFolder(path);
    }
    for (const auto& [link, original] : links) {
        struct stat info;
        if (lstat(original.c_str(), &info) != 0 || IsFolder(original)) continue;
        if (RealPath(original) == RealPath(link)) continue;
        CopyInto(original, folder, original.substr(original.rfind('/') + 1));
        IsLink(link);
        Check(unlink(link.c_str()) == 0, "unlink");
    }
    return Since(start);
}

double OneLiner(const std::string& folder) {
    const std::string command =
        "find '" + folder + "' -maxdepth 1 -type l -exec sh -c "
        "'cp --remove-destination \"$(readlink -f \"$1\")\" \"$1\"' _ {} \\;";
    const Clock::time_point start = Clock::now();
    Check(std::system(command.c_str()) == 0, "the one-liner");
    return Since(start);
}

int CountLinks(const std::string& folder) {
    int links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        links += entry.is_symlink() ? 1 : 0;
    return links;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BigFileRun(const std::string& base, long long size) {
    struct statvfs fs{};
    Check(statvfs(base.c_str(), &fs) == 0, base);
    const double free = static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
    if (size <= 0 || free < 2.5 * static_cast<double>(size)) {
        std::printf("big file: skipped (%.1f GiB free)\n", free / (1 << 30));
        return;
    }
    const std::string folder = base + "/big";
    std::filesystem::create_directories(folder + "/src");
    std::filesystem::create_directories(folder + "/drop");
    {
        int fd = open((folder + "/src/big").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        Check(fd >= 0, "big file");
        std::string chunk(1 << 20, '\0');
        for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + 7);
        for (long long done = 0; done < size; done += static_cast<long long>(chunk.size()))
            Check(write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size()),
                  "big file");
        close(fd);
    }
    // Under the original's name the copy is linked into place; under the link's own name it
    // is exchanged with the link: both final steps may wait for the data to reach the disk.
    for (bool keepAliasNames : {false, true}) {
        Check(symlink("../src/big", (folder + "/drop/link").c_str()) == 0, "symlink");
        const WorkerRun run = RunWorker(folder + "/drop", 1, keepAliasNames);
        const std::string copy = folder + (keepAliasNames ? "/drop/link" : "/drop/big");
        struct stat info{};
        const bool copied = lstat(copy.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                            info.st_size == size;
        std::printf("big file (%.2f GiB, %s): work %.2f s, total %.2f s, longest gap %.1f ms, %s\n",
                    static_cast<double>(size) / (1 << 30),
                    keepAliasNames ? "alias name" : "original name", run.work, run.total,
                    run.maxGap * 1000, copied ? "copied" : "NOT COPIED");
        std::filesystem::remove(copy);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = bench::TempFolder();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/quorbit-bench-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    const long long bigSize = argc > 1 ? std::atoll(argv[1]) : (1LL << 30);
    char* args[] = {argv[0], nullptr};
    RuntimeInit(1, args);
    RegisterFrameworkClasses();
    RunFrameworkInitialization({});

    WndProgress();

    constexpr int kLinks = 10000;
    constexpr int kRounds = 5;
    MakeOriginals(base + "/src", kLinks);
    // Every folder is made before any run, and none is removed before the end: file
    // creation slows down for a while after many deletions. The order alternates.
    std::vector<std::pair<std::string, std::string>> folders;
    for (int round = 0; round < kRounds; ++round)
        folders.emplace_back(MakeLinks(base, base + "/src", kLinks),
                             MakeLinks(base, base + "/src", kLinks));
    std::vector<double> workerWork, workerTotal, workerGap, bare;
    for (int round = 0; round < kRounds; ++round) {
        const auto& [forWorker, forBare] = folders[static_cast<size_t>(round)];
        if (round % 2 == 1) bare.push_back(BareLoop(forBare));
        const WorkerRun run = RunWorker(forWorker, kLinks);
        Check(CountLinks(forWorker) == 0, "links left after the worker");
        workerWork.push_back(run.work);
        workerTotal.push_back(run.total);
        workerGap.push_back(run.maxGap);
        if (round % 2 == 0) bare.push_back(BareLoop(forBare));
        Check(CountLinks(forBare) == 0, "links left after the bare loop");
    }
    const std::string forShell = MakeLinks(base, base + "/src", kLinks);
    const double shell = OneLiner(forShell);
    Check(CountLinks(forShell) == 0, "links left after the one-liner");

    std::printf("in %s\n%d links to 4 KiB files (median of %d):\n", base.c_str(), kLinks, kRounds);
    std::printf("  worker work %.3f s (total %.3f s), bare loop %.3f s: %.2fx the bare loop\n",
                Median(workerWork), Median(workerTotal), Median(bare),
                Median(workerWork) / Median(bare));
    std::printf("  one-liner %.1f s: the worker is %.0fx faster\n", shell,
                shell / Median(workerWork));
    std::printf("  longest gap %.1f ms (worst of the runs %.1f ms)\n", Median(workerGap) * 1000,
                *std::max_element(workerGap.begin(), workerGap.end()) * 1000);

    const std::string plain10k = MakePlain(base, 10000);
    const std::string plain100k = MakePlain(base, 100000);
    std::vector<double> small, large, smallGap, largeGap;
    for (int round = 0; round < kRounds; ++round) {
        WorkerRun run = RunWorker(plain10k, 10000);
        small.push_back(run.work);
        smallGap.push_back(run.maxGap);
        run = RunWorker(plain100k, 100000);
        large.push_back(run.work);
        largeGap.push_back(run.maxGap);
    }
    std::printf("plain entries (median of %d): 10,000 in %.3f s, 100,000 in %.3f s: %.1fx; "
                "longest gaps %.1f / %.1f ms (worst %.1f ms)\n",
                kRounds, Median(small), Median(large), Median(large) / Median(small),
                Median(smallGap) * 1000, Median(largeGap) * 1000,
                *std::max_element(largeGap.begin(), largeGap.end()) * 1000);
    std::printf("peak memory after 100,000 entries: %.1f MB\n", PeakMegabytes());

    BigFileRun(base, bigSize);

    std::filesystem::remove_all(base);
    ReleaseFrameworkGlobals();
    return RuntimeExit();
}
