// Making an HTML album of camera-sized photographs (its two copies of each
// picture, its pages), against ImageMagick making the same two copies of
// each picture with one `convert` per picture, timed in the same run, the
// contenders in turn. A ratio below 1 means we are faster.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/album_html.h"
#include "mesure.h"

namespace fs = std::filesystem;

namespace {

double Secondes(const std::function<void()>& fn) {
    const auto debut = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

std::string Quote(const std::string& texte) {
    std::string sortie = "'";
    for (const char c : texte) sortie += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return sortie + "'";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SCRATCH-FOLDER COUNT PHOTO.jpg...\n", argv[0]);
        return 2;
    }
    const fs::path dossier = fs::path(argv[1]) / "album";
    const int nombre = std::atoi(argv[2]);
    std::vector<std::string> modeles(argv + 3, argv + argc);
    if (nombre < 1) return 2;
    fs::create_directories(dossier / "photos");
    std::vector<std::string> photos;
    for (int i = 0; i < nombre; ++i) {
        const fs::path copie = dossier / "photos" / ("photo " + std::to_string(i) + ".jpg");
        if (!fs::exists(copie))
            fs::copy_file(modeles[static_cast<size_t>(i) % modeles.size()], copie);
        photos.push_back(copie.string());
    }

    app::ReglagesAlbum reglages;
    reglages.page = (dossier / "nous" / "page.htm").string();
    reglages.nom_image = reglages.iso = reglages.vitesse = true;
    const app::AlbumHtml album(reglages, photos);

    std::string script = "set -e\n";
    const fs::path eux = dossier / "eux";
    fs::create_directories(eux / "petites");
    fs::create_directories(eux / "grandes");
    for (const std::string& photo : photos) {
        const std::string nom = fs::path(photo).filename().string();
        script += "convert " + Quote(photo) + " \\( +clone -resize 1024x1024 -quality 50 " +
                  "-interlace JPEG -write " + Quote((eux / "grandes" / nom).string()) +
                  " +delete \\) -resize 250x250 -quality 70 -interlace JPEG " +
                  Quote((eux / "petites" / nom).string()) + "\n";
    }
    const std::string commande = "sh -c " + Quote(script);

    std::printf("%d photographs of %zu kinds (12 to 24 megapixels)\n", nombre, modeles.size());
    // A warm-up of each, then three rounds in turn: ImageMagick takes about a
    // second a picture.
    album.Cree();
    if (std::system(commande.c_str()) != 0) return 1;
    std::vector<double> nous;
    std::vector<double> ratios;
    for (int tour = 0; tour < 3; ++tour) {
        const double a = Secondes([&] { album.Cree(); });
        const double b = Secondes([&] {
            if (std::system(commande.c_str()) != 0) std::abort();
        });
        nous.push_back(a);
        ratios.push_back(a / b);
        std::printf("  round %d: album %.2f s, ImageMagick %.2f s\n", tour + 1, a, b);
    }
    std::printf("  %-48s %9.2f s   ours / ImageMagick = %.2f\n", "visualisateur AlbumHtml::Cree",
                bench::Mediane(nous), bench::Mediane(ratios));
    return 0;
}
