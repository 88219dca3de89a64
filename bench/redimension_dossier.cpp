// Resizing a folder of photos of 12 to 24 megapixels so that their longer
// side is 1600 pixels, as the folder resize tool does it (quality 70,
// metadata kept, every core), against ImageMagick's mogrify and libvips's
// vipsthumbnail at the same size and quality, in the same run. Our run on
// one thread is shown beside them. A ratio below 1 means we are faster.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/modif_taille_dossier.h"
#include "dossier_photos.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER PHOTO.jpg...\n", argv[0]);
        return 2;
    }
    const std::string travail = argv[1];
    const std::vector<std::string> photos(argv + 2, argv + argc);
    std::printf("%zu photos\n", photos.size());
    const auto nous = [](int32_t fils) {
        return [fils](const std::string& dossier) {
            app::RedimensionnementDossier r;
            r.reglages.taille = 1600;
            r.reglages.qualite = 70;
            r.fils = fils;
            std::vector<std::string> fichiers;
            for (const auto& e : std::filesystem::directory_iterator(dossier))
                fichiers.push_back(e.path().string());
            std::sort(fichiers.begin(), fichiers.end());
            if (!r.Traite(fichiers).empty()) std::abort();
        };
    };
    const std::string sortie = travail + "-vips";
    bench::CompareLots(photos, travail,
                       {
                           {"visualisateur, every core", nous(0)},
                           {"visualisateur, one thread", nous(1)},
                           {"mogrify -resize 1600x1600 -quality 70",
                            [](const std::string& d) {
                                bench::Commande("mogrify -resize 1600x1600 -quality 70 " +
                                                bench::Quote(d) + "/*.jpg");
                            }},
                           {"vipsthumbnail -s 1600 (Q=70)",
                            [&](const std::string& d) {
                                std::filesystem::remove_all(sortie);
                                std::filesystem::create_directories(sortie);
                                bench::Commande("vipsthumbnail -s 1600 -o " +
                                                bench::Quote(sortie + "/%s.jpg[Q=70]") + " " +
                                                bench::Quote(d) + "/*.jpg");
                            }},
                       },
                       3);
    std::filesystem::remove_all(sortie);
    return 0;
}
