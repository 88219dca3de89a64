// Turning upright a folder of portrait photos stored lying down (EXIF
// Orientation 6), as the automatic rotation tool does it (automatic quality,
// metadata and dates kept, on every core), against exiftran -ai (lossless, in
// place) and ImageMagick's mogrify -auto-orient, in the same run. Every
// contender is a whole process; the other programs run both one process
// after another and as many processes at once as there are processors, to
// be compared with ours on every core. Ratios below 1 mean we are faster or
// use less processor time.
//
// Usage: rotation_dossier WORK-FOLDER PHOTO.jpg...
// (started again by itself as: rotation_dossier --nous FOLDER THREADS)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/rotation_automatique.h"
#include "dossier_photos.h"
#include "platform/core/error.h"

namespace {

// Our tool over the files of a folder, in name order.
int Nous(const std::string& dossier, int32_t fils) {
    std::vector<std::string> fichiers;
    for (const auto& e : std::filesystem::directory_iterator(dossier))
        fichiers.push_back(e.path().string());
    std::sort(fichiers.begin(), fichiers.end());
    app::RotationAutomatique rotation;
    rotation.fils = fils;
    int tournees = 0;
    rotation.OnReecrit = [&](const std::string&) { ++tournees; };
    try {
        if (!rotation.Traite(fichiers).empty()) return 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return tournees == 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && std::strcmp(argv[1], "--nous") == 0) return Nous(argv[2], std::atoi(argv[3]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER PHOTO.jpg...\n", argv[0]);
        return 2;
    }
    // Absolute: the other programs resolve some paths from their input's folder.
    const std::string travail = std::filesystem::absolute(argv[1]).string();
    const std::vector<std::string> photos(argv + 2, argv + argc);
    const std::string soi = bench::SoiMeme();
    std::vector<std::string> exiftran;
    std::vector<std::string> mogrify;
    for (const std::string& p : photos) {
        const std::string copie =
            bench::Quote(travail + "/" + std::filesystem::path(p).filename().string());
        exiftran.push_back("exiftran -ai " + copie + " 2>/dev/null");
        mogrify.push_back("mogrify -auto-orient " + copie);
    }
    const std::string commandes = travail + "-commandes";
    std::filesystem::create_directories(commandes);
    bench::EcritCommandes(commandes + "/exiftran", exiftran);
    bench::EcritCommandes(commandes + "/mogrify", mogrify);
    std::printf("%zu photos, %ld processors\n", photos.size(), bench::Processeurs());
    bench::CompareLots(
        photos, travail,
        {
            {"visualisateur, every core", bench::Nous(soi, 0)},
            {"visualisateur, one thread", bench::Nous(soi, 1)},
            {"exiftran -ai, one process for the folder",
             [](const std::string& d) {
                 return "exiftran -ai " + bench::Quote(d) + "/*.jpg 2>/dev/null";
             }},
            {"exiftran -ai, one a photo, processors at once",
             bench::Commandes(commandes + "/exiftran", true)},
            {"mogrify -auto-orient, processors at once",
             bench::Commandes(commandes + "/mogrify", true)},
        },
        3);
    std::filesystem::remove_all(commandes);
    return 0;
}
