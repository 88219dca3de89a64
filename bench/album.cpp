// Making an HTML album of camera-sized photographs (its two copies of each
// picture, its pages, on every core), against ImageMagick making the same two
// copies of each picture with one `convert` per picture, given the
// decode-size hint of the larger copy (our decoder, too, reduces by the
// codec's scaling). Every contender is a whole process; ImageMagick runs both
// one picture after another and as many pictures at once as there are
// processors. Ratios below 1 mean we are faster or use less processor time.
//
// Usage: album SCRATCH-FOLDER COUNT PHOTO.jpg...
// (started again by itself as: album --nous PHOTO-FOLDER PAGE THREADS)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/album_html.h"
#include "components/routines_image.h"
#include "dossier_photos.h"
#include "gif/gif_image.h"
#include "platform/core/error.h"
#include "platform/graphics/jpeg_image.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kPetite = 250;
constexpr int32_t kGrande = 1024;

int Nous(const std::string& dossier, const std::string& page, int32_t fils) {
    platform::RegisterStandardFormats();
    gif::RegisterGIFImage();
    std::vector<std::string> photos;
    for (const auto& e : fs::directory_iterator(dossier)) photos.push_back(e.path().string());
    std::sort(photos.begin(), photos.end());
    app::ReglagesAlbum reglages;
    reglages.page = page;
    reglages.taille_petite = kPetite;
    reglages.taille_grande = kGrande;
    reglages.nom_image = reglages.iso = reglages.vitesse = true;
    app::AlbumHtml album(reglages, photos);
    album.fils = fils;
    try {
        return album.Cree().empty() ? 0 : 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && std::strcmp(argv[1], "--nous") == 0)
        return Nous(argv[2], argv[3], std::atoi(argv[4]));
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SCRATCH-FOLDER COUNT PHOTO.jpg...\n", argv[0]);
        return 2;
    }
    const fs::path dossier = fs::absolute(argv[1]) / "album";
    const int nombre = std::atoi(argv[2]);
    const std::vector<std::string> modeles(argv + 3, argv + argc);
    if (nombre < 1) return 2;
    fs::remove_all(dossier);
    fs::create_directories(dossier / "modeles");
    std::vector<std::string> photos;
    for (int i = 0; i < nombre; ++i) {
        const fs::path copie = dossier / "modeles" / ("photo " + std::to_string(i) + ".jpg");
        fs::create_hard_link(modeles[static_cast<size_t>(i) % modeles.size()], copie);
        photos.push_back(copie.string());
    }

    const std::string travail = (dossier / "photos").string();
    const fs::path eux = dossier / "eux";
    fs::create_directories(eux / "petites");
    fs::create_directories(eux / "grandes");
    std::vector<std::string> convert;
    for (const std::string& photo : photos) {
        platform::JpegImage image;
        image.LoadFromFile(photo);
        const components::TailleImage grande =
            components::TailleCoteMax(image.Width(), image.Height(), kGrande);
        const std::string nom = fs::path(photo).filename().string();
        const std::string g = std::to_string(kGrande);
        const std::string p = std::to_string(kPetite);
        convert.push_back("convert -define jpeg:size=" + std::to_string(grande.largeur) + "x" +
                          std::to_string(grande.hauteur) + " " + bench::Quote(travail + "/" + nom) +
                          " \\( +clone -resize " + g + "x" + g +
                          " -quality 50 -interlace JPEG -write " +
                          bench::Quote((eux / "grandes" / nom).string()) + " +delete \\) -resize " +
                          p + "x" + p + " -quality 70 -interlace JPEG " +
                          bench::Quote((eux / "petites" / nom).string()));
    }
    const std::string commandes = (dossier / "commandes").string();
    bench::EcritCommandes(commandes, convert);
    const std::string soi = bench::SoiMeme();
    const std::string page = (dossier / "nous" / "page.htm").string();

    std::printf("%d photographs of %zu kinds (12 to 24 megapixels), %ld processors\n", nombre,
                modeles.size(), bench::Processeurs());
    bench::CompareLots(
        photos, travail,
        {
            {"visualisateur AlbumHtml, every core", bench::Nous(soi, 0, {page})},
            {"visualisateur AlbumHtml, one thread", bench::Nous(soi, 1, {page})},
            {"convert (size hint), one after another", bench::Commandes(commandes, false)},
            {"convert (size hint), processors at once", bench::Commandes(commandes, true)},
        },
        3);
    fs::remove_all(dossier);
    return 0;
}
