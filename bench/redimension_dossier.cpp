// Resizing a folder of photos of 12 to 24 megapixels so that their longer
// side is 1600 pixels, as the folder resize tool does it (quality 70,
// metadata kept, on every core), against ImageMagick's mogrify and libvips's
// vipsthumbnail at the same size and quality, in the same run. Every
// contender is a whole process. ImageMagick gets the decode-size hint of each
// photo's new size (our decoder, too, reduces by the codec's scaling); the
// other programs run both one process after another and as many processes at
// once as there are processors. Ratios below 1 mean we are faster or use
// less processor time. Then our peak memory on folders of 10, 100 and 1,000
// photos (the photos given, in turn): it must not grow with the folder.
//
// Usage: redimension_dossier WORK-FOLDER PHOTO.jpg...
// (started again by itself as: redimension_dossier --nous FOLDER THREADS)
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/modif_taille_dossier.h"
#include "dossier_photos.h"
#include "platform/core/error.h"
#include "platform/graphics/jpeg_image.h"

namespace {

constexpr int32_t kTaille = 1600;
constexpr int32_t kQualite = 70;

int Nous(const std::string& dossier, int32_t fils) {
    app::RedimensionnementDossier r;
    r.reglages.taille = kTaille;
    r.reglages.qualite = kQualite;
    r.fils = fils;
    std::vector<std::string> fichiers;
    for (const auto& e : std::filesystem::directory_iterator(dossier))
        fichiers.push_back(e.path().string());
    std::sort(fichiers.begin(), fichiers.end());
    try {
        return r.Traite(fichiers).empty() ? 0 : 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

// Ours on every core over folders of more and more photos, the median peak
// of a few rounds of each.
void MemoireSelonLeDossier(const std::string& soi, const std::vector<std::string>& photos,
                           const std::string& travail) {
    namespace fs = std::filesystem;
    constexpr std::array<size_t, 3> kNombres{10, 100, 1000};
    constexpr int kTours = 3;
    std::array<std::vector<double>, kNombres.size()> pics;
    for (int t = 0; t < kTours; ++t) {
        for (size_t k = 0; k < kNombres.size(); ++k) {
            fs::remove_all(travail);
            fs::create_directories(travail);
            for (size_t i = 0; i < kNombres[k]; ++i) {
                std::array<char, 32> nom{};
                std::snprintf(nom.data(), nom.size(), "/%04zu.jpg", i);
                fs::copy_file(photos[i % photos.size()], travail + nom.data());
            }
            pics[k].push_back(bench::Processus(bench::Nous(soi, 0)(travail)).pic);
        }
    }
    fs::remove_all(travail);
    std::printf("  peak memory of ours, every core:");
    for (size_t k = 0; k < kNombres.size(); ++k)
        std::printf(" %zu photos %.0f MB;", kNombres[k], bench::Mediane(pics[k]));
    std::printf(" 1,000 / 100 = %.2f\n", bench::Mediane(pics[2]) / bench::Mediane(pics[1]));
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
    const std::string sortie = travail + "-vips";
    std::vector<std::string> mogrify;
    std::vector<std::string> vips;
    for (const std::string& p : photos) {
        platform::JpegImage image;
        image.LoadFromFile(p);
        const components::TailleImage t =
            app::NouvelleTaille(image.Width(), image.Height(), kTaille);
        const std::string copie =
            bench::Quote(travail + "/" + std::filesystem::path(p).filename().string());
        mogrify.push_back("mogrify -define jpeg:size=" + std::to_string(t.largeur) + "x" +
                          std::to_string(t.hauteur) + " -resize " + std::to_string(kTaille) + "x" +
                          std::to_string(kTaille) + " -quality " + std::to_string(kQualite) + " " +
                          copie);
        vips.push_back("vipsthumbnail -s " + std::to_string(kTaille) + " -o " +
                       bench::Quote(sortie + "/%s.jpg[Q=" + std::to_string(kQualite) + "]") + " " +
                       copie);
    }
    const std::string commandes = travail + "-commandes";
    std::filesystem::create_directories(commandes);
    std::filesystem::create_directories(sortie);
    bench::EcritCommandes(commandes + "/mogrify", mogrify);
    bench::EcritCommandes(commandes + "/vips", vips);
    std::printf("%zu photos, %ld processors\n", photos.size(), bench::Processeurs());
    bench::CompareLots(
        photos, travail,
        {
            {"visualisateur, every core", bench::Nous(soi, 0)},
            {"visualisateur, one thread", bench::Nous(soi, 1)},
            {"mogrify (size hint), one after another",
             bench::Commandes(commandes + "/mogrify", false)},
            {"mogrify (size hint), processors at once",
             bench::Commandes(commandes + "/mogrify", true)},
            {"vipsthumbnail, one after another", bench::Commandes(commandes + "/vips", false)},
            {"vipsthumbnail, processors at once", bench::Commandes(commandes + "/vips", true)},
        },
        3);
    MemoireSelonLeDossier(soi, photos, travail);
    std::filesystem::remove_all(sortie);
    std::filesystem::remove_all(commandes);
    return 0;
}
