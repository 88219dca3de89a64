// Timing for the benchmarks: warm-up runs, then the median of timed runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Median wall time of `runs` calls of fn, in seconds, after `warmup` calls.
inline double Mediane(const std::function<void()>& fn, int runs = 9, int warmup = 2) {
    for (int i = 0; i < warmup; ++i) fn();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void Ligne(const char* quoi, double secondes) {
    std::printf("  %-48s %9.2f ms\n", quoi, secondes * 1000.0);
}

}  // namespace bench
