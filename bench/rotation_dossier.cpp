// Turning upright a folder of portrait photos stored lying down (EXIF
// Orientation 6), as the automatic rotation tool does it (automatic quality,
// metadata and dates kept), against exiftran -ai (lossless, in place) and
// ImageMagick's mogrify -auto-orient, in the same run. A ratio below 1 means
// we are faster.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/rotation_automatique.h"
#include "dossier_photos.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER PHOTO.jpg...\n", argv[0]);
        return 2;
    }
    const std::string travail = argv[1];
    const std::vector<std::string> photos(argv + 2, argv + argc);
    std::printf("%zu photos\n", photos.size());
    bench::CompareLots(
        photos, travail,
        {
            {"visualisateur RotationPhotoVerticale",
             [](const std::string& d) {
                 const app::RotationAutomatique rotation;
                 int tournees = 0;
                 for (const auto& e : std::filesystem::directory_iterator(d)) {
                     const std::string nom = e.path().string();
                     if (app::EstPhotoATourner(nom) && rotation.RotationPhotoVerticale(nom).etat ==
                                                           app::IssueRotation::Etat::Tournee)
                         ++tournees;
                 }
                 if (tournees == 0) std::abort();
             }},
            {"exiftran -ai",
             [](const std::string& d) {
                 bench::Commande("exiftran -ai " + bench::Quote(d) + "/*.jpg 2>/dev/null");
             }},
            {"mogrify -auto-orient",
             [](const std::string& d) {
                 bench::Commande("mogrify -auto-orient " + bench::Quote(d) + "/*.jpg");
             }},
        },
        3);
    return 0;
}
