// Batches over a folder of photos, timed against other programs in the same
// run as whole processes (processus.h): every contender starts each round
// from the same fresh copy of the photos (the copy is not timed), the
// contenders take turns, and each ratio is the median of the ratios of the
// same round. The first contender is ours; the wall-clock and the processor
// ratios of ours to every other one are printed, and each one's peak memory
// (of its largest process).
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "mesure.h"
#include "processus.h"

namespace bench {

struct Lot {
    std::string nom;
    // The shell command that treats the photos of the folder given.
    std::function<std::string(const std::string& dossier)> commande;
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
    std::vector<std::vector<Temps>> temps(lots.size());
    for (int t = 0; t < tours; ++t) {
        for (size_t i = 0; i < lots.size(); ++i) {
            CopieFraiche(photos, travail);
            temps[i].push_back(Processus(lots[i].commande(travail)));
        }
    }
    const auto n = static_cast<double>(photos.size());
    std::printf("  %-50s %8s %12s %9s\n", "", "wall", "CPU a photo", "peak");
    for (size_t i = 0; i < lots.size(); ++i) {
        std::vector<double> mur;
        std::vector<double> cpu;
        std::vector<double> pic;
        std::vector<double> ratio_mur;
        std::vector<double> ratio_cpu;
        for (int t = 0; t < tours; ++t) {
            const Temps& a = temps[0][static_cast<size_t>(t)];
            const Temps& b = temps[i][static_cast<size_t>(t)];
            mur.push_back(b.mur);
            cpu.push_back(b.cpu);
            pic.push_back(b.pic);
            ratio_mur.push_back(a.mur / b.mur);
            ratio_cpu.push_back(a.cpu / b.cpu);
        }
        std::printf("  %-50s %7.2f s %9.1f ms %6.0f MB", lots[i].nom.c_str(), Mediane(mur),
                    Mediane(cpu) / n * 1000.0, Mediane(pic));
        if (i > 0) {
            std::printf("   ours / this: wall %.2f, CPU %.2f", Mediane(ratio_mur),
                        Mediane(ratio_cpu));
        }
        std::printf("\n");
    }
    std::filesystem::remove_all(travail);
}

// Writes one shell command a line into `fichier`; the command that runs them
// one after the other, and the one that runs them `Processeurs()` at once.
inline std::string UnParUn(const std::string& fichier) {
    return "sh " + fichier;
}
inline std::string PlusieursALaFois(const std::string& fichier) {
    return "xargs -d '\\n' -n 1 -P " + std::to_string(Processeurs()) + " sh -c < " + fichier;
}
inline void EcritCommandes(const std::string& fichier, const std::vector<std::string>& lignes) {
    std::ofstream sortie(fichier);
    for (const std::string& l : lignes) sortie << l << '\n';
}
// The lot of the commands written in `fichier`, one after the other or
// `Processeurs()` at once.
inline std::function<std::string(const std::string&)> Commandes(const std::string& fichier,
                                                                bool ensemble) {
    return [fichier, ensemble](const std::string&) {
        return ensemble ? PlusieursALaFois(fichier) : UnParUn(fichier);
    };
}

// Our lot: the benchmark `soi` started again by itself as
// `soi --nous FOLDER ARGUMENTS... THREADS` (0 threads: one per processor).
inline std::function<std::string(const std::string&)> Nous(
    const std::string& soi, int fils, const std::vector<std::string>& arguments = {}) {
    return [soi, fils, arguments](const std::string& dossier) {
        std::string commande = Quote(soi) + " --nous " + Quote(dossier);
        for (const std::string& a : arguments) commande.append(" ").append(Quote(a));
        return commande.append(" ").append(std::to_string(fils));
    };
}

}  // namespace bench
