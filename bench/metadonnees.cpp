// Reading the metadata of every file of a folder of 1,000 camera JPEGs and
// building its tag list, against `exiv2 -pt` on the same files, one process
// for all of them, timed in the same run. A ratio below 1 means we are faster.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mesure.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"

namespace fs = std::filesystem;

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CAMERA-JPEG-FOLDER SCRATCH-FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> modeles;
    for (const auto& entree : fs::directory_iterator(argv[1])) {
        if (entree.path().extension() == ".jpg") modeles.push_back(entree.path());
    }
    if (modeles.empty()) return 2;
    const fs::path dossier = fs::path(argv[2]) / "metadonnees";
    fs::create_directories(dossier);
    std::vector<std::string> fichiers;
    std::string liste;
    for (int i = 0; i < 1000; ++i) {
        const fs::path copie = dossier / ("photo" + std::to_string(i) + ".jpg");
        if (!fs::exists(copie)) fs::copy_file(modeles[static_cast<size_t>(i) % modeles.size()], copie);
        fichiers.push_back(copie.string());
        liste += " '" + copie.string() + "'";
    }

    size_t etiquettes = 0;
    const auto lit = [&] {
        etiquettes = 0;
        for (const std::string& fichier : fichiers) {
            metadata::TimgData donnees(255);
            donnees.ReadPictureFile(fichier);
            if (const metadata::TImageInfo* exif = donnees.ExifObj()) {
                for (const metadata::TTagEntry& tag : exif->Tags()) etiquettes += tag.display.size() > 0;
            }
        }
    };
    lit();
    std::printf("1000 camera JPEGs, %zu tags listed\n", etiquettes);
    const std::string commande = "exiv2 -pt" + liste + " > /dev/null 2>&1";
    bench::Compare({
        {"visualisateur (read, decode, list)", lit},
        {"exiv2 -pt",
         [&] {
             if (std::system(commande.c_str()) == -1) std::abort();
         }},
    }, 9, 1);
    return 0;
}
