#pragma once

// What every benchmark here needs: a steady clock, medians, a loud stop on a failed step, and
// a temporary folder that does not outlive the run.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Since is the time from start to now, in seconds.
inline double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Median is the middle value of a run's figures.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Check stops the benchmark, naming the step and errno, when a step failed: figures from a
// broken fixture would mislead.
inline void Check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, what.c_str(),
                 std::strerror(errno));
    std::exit(1);
}

// TempFolder makes the run's folder in TMPDIR (else /tmp) and a guard process that removes it
// once this process has ended, whichever way: finished, stopped by Check, interrupted or
// killed. It also sends stdout out line by line, so a pipe shows each figure as it comes.
// Call it first, before any thread starts.
inline std::string TempFolder() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorbit-bench-XXXXXX";
    Check(mkdtemp(folder.data()) != nullptr, folder);
    int ends[2];
    Check(pipe2(ends, O_CLOEXEC) == 0, "pipe");
    const pid_t guard = fork();
    Check(guard >= 0, "fork");
    if (guard == 0) {
        // Ctrl+C and a closing terminal reach the whole process group, the guard included.
        std::signal(SIGINT, SIG_IGN);
        std::signal(SIGHUP, SIG_IGN);
        close(ends[1]);
        char byte;
        while (read(ends[0], &byte, 1) < 0 && errno == EINTR) {
        }  // returns at end of file: the benchmark has ended and its end of the pipe closed
        std::error_code ignored;  // nothing left to remove, or nothing more that can be
        std::filesystem::remove_all(folder, ignored);
        _exit(0);
    }
    close(ends[0]);  // the write end stays open, unused, until this process ends
    return folder;
}

}  // namespace bench
