// Timing for the benchmarks. The machines are shared and their speed drifts,
// so the contenders run in turn, A B C A B C ..., and each ratio is the
// median of the ratios of the same round, not a ratio of medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Concurrent {
    std::string nom;
    std::function<void()> fn;
};

inline double Mediane(std::vector<double> valeurs) {
    std::sort(valeurs.begin(), valeurs.end());
    return valeurs[valeurs.size() / 2];
}

// Runs every contender `tours` times in turn after `echauffement` rounds;
// prints each one's median time and its ratio to the first contender
// (ours / theirs: below 1, the first is faster).
inline void Compare(const std::vector<Concurrent>& concurrents, int tours = 21,
                    int echauffement = 2) {
    const auto mesure = [](const std::function<void()>& fn) {
        const auto debut = std::chrono::steady_clock::now();
        fn();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    };
    for (int i = 0; i < echauffement; ++i) {
        for (const Concurrent& c : concurrents) c.fn();
    }
    std::vector<std::vector<double>> temps(concurrents.size());
    for (int t = 0; t < tours; ++t) {
        for (size_t i = 0; i < concurrents.size(); ++i)
            temps[i].push_back(mesure(concurrents[i].fn));
    }
    std::printf("  %-48s %9.2f ms\n", concurrents[0].nom.c_str(), Mediane(temps[0]) * 1000.0);
    for (size_t i = 1; i < concurrents.size(); ++i) {
        std::vector<double> ratios;
        for (int t = 0; t < tours; ++t)
            ratios.push_back(temps[0][static_cast<size_t>(t)] / temps[i][static_cast<size_t>(t)]);
        std::printf("  %-48s %9.2f ms   ours / this = %.2f\n", concurrents[i].nom.c_str(),
                    Mediane(temps[i]) * 1000.0, Mediane(ratios));
    }
}

}  // namespace bench
