#include "app/modif_taille_dossier.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "app/chemins.h"
#include "components/routines_image.h"
#include "metadata/img_data.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"

namespace app {

using components::TailleImage;

namespace {

// How many results may wait to be written, per thread: enough to keep the
// threads busy while one file is written, few enough to bound the memory.
constexpr size_t kAvanceParFil = 2;
// How often a waiting run lets the application work.
constexpr auto kRespiration = std::chrono::milliseconds(20);

// nouveau x autre / cote, rounded half to even, exactly.
int32_t Proportion(int32_t nouveau, int32_t autre, int32_t cote) {
    const int64_t produit = int64_t{nouveau} * autre;
    int64_t quotient = produit / cote;
    const int64_t double_reste = 2 * (produit % cote);
    if (double_reste > cote || (double_reste == cote && quotient % 2 != 0)) ++quotient;
    return static_cast<int32_t>(quotient);
}

// What a thread made of one file.
struct Resultat {
    enum class Etat : uint8_t { Laisse, AEcrire, Illisible } etat = Etat::Laisse;
    std::vector<uint8_t> octets;
    std::optional<platform::FileTime> date;
    std::string raison;
};

std::vector<uint8_t> EncodeJpeg(const std::string& nom, const platform::JpegImage& image,
                                const TailleImage& taille, int32_t qualite) {
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(nom);
    platform::JpegImage sortie;
    sortie.SetCompressionQuality(qualite);
    // The picture's own size is encoded from its decoding, not stretched.
    std::optional<platform::Bitmap> etiree;
    if (taille.largeur == image.Width() && taille.hauteur == image.Height()) {
        sortie.AssignWithoutCopy(image.GetBitmap());
    } else {
        etiree.emplace(components::Etire(image, taille.largeur, taille.hauteur));
        sortie.AssignWithoutCopy(*etiree);
    }
    platform::MemoryStream flux;
    donnees.WriteJpegWithMetadata(sortie, true, flux);
    return flux.Release();
}

Resultat Prepare(const std::string& nom, GenreFichier genre, const ReglagesTaille& reglages) {
    Resultat r;
    try {
        r.date = platform::ModificationTime(nom);
        if (genre == GenreFichier::Jpeg) {
            platform::JpegImage image;
            image.LoadFromFile(nom);
            const Decision d = Decide(genre, image.Width(), image.Height(), reglages);
            if (!d.reecrit) return r;
            r.octets = EncodeJpeg(nom, image, d.taille, reglages.qualite);
            if (image.Damaged()) platform::RaiseMessage(kImageEndommagee);
        } else {
            platform::Bitmap image;
            image.LoadFromFile(nom);
            const Decision d = Decide(genre, image.Width(), image.Height(), reglages);
            if (!d.reecrit) return r;
            platform::MemoryStream flux;
            components::Etire(image, d.taille.largeur, d.taille.hauteur).SaveToStream(flux);
            r.octets = flux.Release();
        }
        r.etat = Resultat::Etat::AEcrire;
    } catch (const std::exception& e) {
        r = Resultat{};
        r.etat = Resultat::Etat::Illisible;
        r.raison = platform::UserMessage(e);
    }
    return r;
}

}  // namespace

GenreFichier GenreATraiter(const std::string& nom, const ReglagesTaille& reglages) {
    const std::string extension = ExtensionMajuscule(nom);
    if (reglages.bmp && extension == ".BMP") return GenreFichier::Bmp;
    if (reglages.jpeg && extension == ".JPG") return GenreFichier::Jpeg;
    return GenreFichier::Aucun;
}

TailleImage NouvelleTaille(int32_t largeur, int32_t hauteur, int32_t taille) {
    if (largeur <= 0 || hauteur <= 0) return {};
    if (largeur > hauteur) return {taille, Proportion(taille, hauteur, largeur)};
    return {Proportion(taille, largeur, hauteur), taille};
}

Decision Decide(GenreFichier genre, int32_t largeur, int32_t hauteur,
                const ReglagesTaille& reglages) {
    const TailleImage nouvelle = NouvelleTaille(largeur, hauteur, reglages.taille);
    if (genre == GenreFichier::Aucun || nouvelle.largeur <= 0 || nouvelle.hauteur <= 0) return {};
    const int32_t cote = std::max(largeur, hauteur);
    if (!reglages.pas_agrandir || reglages.taille < cote) return {true, nouvelle};
    if (genre == GenreFichier::Bmp) return {};
    if (reglages.taille == cote) return {true, nouvelle};
    if (reglages.toujours_compresser) return {true, {largeur, hauteur}};
    return {};
}

std::vector<RedimensionnementDossier::Illisible> RedimensionnementDossier::Traite(
    const std::vector<std::string>& fichiers) const {
    struct Travail {
        std::string nom;
        GenreFichier genre;
    };
    std::vector<Travail> travaux;
    for (const std::string& nom : fichiers) {
        const GenreFichier genre = GenreATraiter(nom, reglages);
        if (genre != GenreFichier::Aucun) travaux.push_back({nom, genre});
    }
    std::vector<Illisible> illisibles;
    if (travaux.empty()) return illisibles;

    const size_t nombre_fils = std::clamp<size_t>(
        fils > 0 ? static_cast<size_t>(fils) : std::max(1u, std::thread::hardware_concurrency()), 1,
        travaux.size());
    const size_t avance = nombre_fils * kAvanceParFil;

    std::mutex verrou;
    std::condition_variable pret;   // a result is ready
    std::condition_variable place;  // a result was written, or the run stops
    std::vector<std::optional<Resultat>> resultats(travaux.size());
    size_t suivant = 0;
    size_t ecrits = 0;
    bool arret = false;

    const auto fil = [&] {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> l(verrou);
                place.wait(l, [&] {
                    return arret || suivant >= travaux.size() || suivant < ecrits + avance;
                });
                if (arret || suivant >= travaux.size()) return;
                i = suivant++;
            }
            Resultat r = Prepare(travaux[i].nom, travaux[i].genre, reglages);
            {
                const std::lock_guard<std::mutex> l(verrou);
                resultats[i] = std::move(r);
            }
            pret.notify_all();
        }
    };

    std::vector<std::thread> threads;
    const auto arrete = [&] {
        {
            const std::lock_guard<std::mutex> l(verrou);
            arret = true;
        }
        place.notify_all();
        for (std::thread& t : threads) t.join();
    };
    try {
        for (size_t k = 0; k < nombre_fils; ++k) threads.emplace_back(fil);
        for (size_t i = 0; i < travaux.size(); ++i) {
            Resultat r;
            {
                std::unique_lock<std::mutex> l(verrou);
                while (!resultats[i]) {
                    if (pret.wait_for(l, kRespiration, [&] { return resultats[i].has_value(); }))
                        break;
                    if (TraiteMessages) {
                        l.unlock();
                        TraiteMessages();
                        l.lock();
                    }
                }
                r = std::move(*resultats[i]);
                resultats[i].reset();
            }
            if (OnFichier) OnFichier(travaux[i].nom);
            if (r.etat == Resultat::Etat::Illisible) {
                illisibles.push_back({travaux[i].nom, r.raison});
            } else if (r.etat == Resultat::Etat::AEcrire) {
                platform::WriteFileAtomic(travaux[i].nom, std::span<const uint8_t>(r.octets));
                if (r.date) platform::SetModificationTime(travaux[i].nom, *r.date);
            }
            {
                const std::lock_guard<std::mutex> l(verrou);
                ++ecrits;
            }
            place.notify_all();
        }
    } catch (...) {
        arrete();
        throw;
    }
    arrete();
    return illisibles;
}

}  // namespace app
