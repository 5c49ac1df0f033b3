#pragma once

// What every benchmark here needs: a steady clock, medians, and a loud stop on a failed step.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

}  // namespace bench
