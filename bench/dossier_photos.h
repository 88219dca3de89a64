// Batches over a folder of photos, timed against other programs in the same
// run: every contender starts each round from the same fresh copy of the
// photos (the copy is not timed), the contenders take turns, and each ratio
// is the median of the ratios of the same round.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "mesure.h"

namespace bench {

struct Lot {
    std::string nom;
    // Treats the photos of the folder given.
    std::function<void(const std::string& dossier)> fn;
};

// Copies `photos` into a fresh folder `travail`; the copies' paths.
inline std::vector<std::string> CopieFraiche(const std::vector<std::string>& photos,
                                             const std::string& travail) {
    namespace fs = std::filesystem;
    fs::remove_all(travail);
    fs::create_directories(travail);
    std::vector<std::string> copies;
    for (const std::string& p : photos) {
        const std::string cible = travail + "/" + fs::path(p).filename().string();
        fs::copy_file(p, cible);
        copies.push_back(cible);
    }
    // The copies are in the page cache, as the originals were for the first.
    std::system("sync");
    return copies;
}

inline void CompareLots(const std::vector<std::string>& photos, const std::string& travail,
                        const std::vector<Lot>& lots, int tours) {
    std::vector<std::vector<double>> temps(lots.size());
    for (int t = 0; t < tours; ++t) {
        for (size_t i = 0; i < lots.size(); ++i) {
            CopieFraiche(photos, travail);
            const auto debut = std::chrono::steady_clock::now();
            lots[i].fn(travail);
            temps[i].push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
        }
    }
    std::printf("  %-52s %8.2f s\n", lots[0].nom.c_str(), Mediane(temps[0]));
    for (size_t i = 1; i < lots.size(); ++i) {
        std::vector<double> ratios;
        for (int t = 0; t < tours; ++t)
            ratios.push_back(temps[0][static_cast<size_t>(t)] / temps[i][static_cast<size_t>(t)]);
        std::printf("  %-52s %8.2f s   ours / this = %.2f\n", lots[i].nom.c_str(),
                    Mediane(temps[i]), Mediane(ratios));
    }
    std::filesystem::remove_all(travail);
}

// A path quoted for the shell (the benchmark's own paths hold no quote).
inline std::string Quote(const std::string& texte) {
    return "'" + texte + "'";
}

// Runs a shell command; a failure ends the benchmark.
inline void Commande(const std::string& commande) {
    if (std::system(commande.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", commande.c_str());
        std::exit(1);
    }
}

}  // namespace bench
