#include "components/routines_image.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "components/outils.h"
#include "gif/gif_image.h"
#include "metadata/img_data.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/core/thread.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/graphics/resample.h"

namespace components {

using platform::BgrView;
using platform::Bitmap;
using platform::Graphic;
using platform::JpegImage;
using platform::Picture;
using platform::PixelFormat;
using platform::Rect;

namespace {

// The 24-bit rows of a graphic: those of a 24-bit bitmap or of a JPEG
// picture's decoding as they are, those of any other graphic converted into
// `copie`.
BgrView Lignes24(const Graphic* graphique, Bitmap& copie) {
    if (graphique == nullptr) return {};
    if (const auto* bitmap = dynamic_cast<const Bitmap*>(graphique);
        bitmap != nullptr && bitmap->Format() == PixelFormat::Bit24) {
        return bitmap->View();
    }
    if (const auto* jpeg = dynamic_cast<const JpegImage*>(graphique))
        return jpeg->GetBitmap().View();
    copie.Assign(*graphique);
    copie.SetPixelFormat(PixelFormat::Bit24);
    return copie.View();
}

// Large pictures are cut into bands of rows that the processors take in
// turn: the work is bound by memory and by the first touch of the result's
// pages, both of which go faster side by side, and a processor held up
// elsewhere leaves its share to the others. `travail(debut, fin)` must not
// raise; when no thread can be started the calling one does every band.
template <typename Travail>
void EnParallele(int32_t lignes, int64_t octets, const Travail& travail) {
    if (lignes <= 0) return;
    constexpr int64_t kOctetsParBande = int64_t{2} << 20;
    const auto bandes =
        static_cast<int32_t>(std::clamp<int64_t>(octets / kOctetsParBande, 1, lignes));
    const auto borne = [&](int32_t i) {
        return static_cast<int32_t>(int64_t{lignes} * i / bandes);
    };
    std::atomic<int32_t> suivante{0};
    const auto prend = [&] {
        for (int32_t i = suivante++; i < bandes; i = suivante++) travail(borne(i), borne(i + 1));
    };
    const int64_t processeurs = platform::ProcessorCount();
    const auto aides = static_cast<int32_t>(std::min<int64_t>(processeurs, bandes) - 1);
    std::vector<std::thread> fils;
    try {
        fils.reserve(static_cast<size_t>(aides));
        for (int32_t i = 0; i < aides; ++i) fils.emplace_back(prend);
    } catch (const std::exception&) {
        // Fewer helpers: the bands are shared among those that started.
    }
    prend();
    for (std::thread& f : fils) f.join();
}

constexpr int32_t kTuile = 128;

// Destination rows [debut, fin) of a quarter turn: destination pixel (c, r)
// is source pixel (r, h - 1 - c) clockwise, (w - 1 - r, c) anticlockwise.
// The source rows of a tile are first copied side by side into a small
// buffer: turned from there, a tile touches a few memory pages instead of one
// per source row, and it stays in the cache.
void QuartDeTour(const BgrView& s, Bitmap& d, bool horaire, int32_t debut, int32_t fin) {
    // One byte more per row lets every pixel be read as four bytes.
    constexpr size_t kPas = 3 * kTuile + 1;
    std::vector<uint8_t> tampon(kPas * kTuile);
    const int32_t largeur = d.Width();
    for (int32_t r0 = debut; r0 < fin; r0 += kTuile) {
        const int32_t r1 = std::min(fin, r0 + kTuile);
        const size_t x0 = 3 * static_cast<size_t>(horaire ? r0 : s.width - r1);
        const size_t octets = 3 * static_cast<size_t>(r1 - r0);
        for (int32_t c0 = 0; c0 < largeur; c0 += kTuile) {
            const int32_t n = std::min(largeur - c0, kTuile);
            uint8_t* rangee = tampon.data();
            for (int32_t c = c0; c < c0 + n; ++c, rangee += kPas)
                std::memcpy(rangee, s.Row(horaire ? s.height - 1 - c : c) + x0, octets);
            for (int32_t r = r0; r < r1; ++r) {
                const uint8_t* pixel =
                    tampon.data() + 3 * static_cast<size_t>(horaire ? r - r0 : r1 - 1 - r);
                uint8_t* sortie = d.ScanLine(r) + 3 * static_cast<size_t>(c0);
                // Four bytes at a time, the fourth overwritten by the next pixel.
                for (int32_t k = 1; k < n; ++k, pixel += kPas, sortie += 3) {
                    uint32_t valeur = 0;
                    std::memcpy(&valeur, pixel, 4);
                    std::memcpy(sortie, &valeur, 4);
                }
                std::memcpy(sortie, pixel, 3);
            }
        }
    }
}

void DemiTour(const BgrView& s, Bitmap& d, int32_t debut, int32_t fin) {
    for (int32_t r = debut; r < fin; ++r) {
        const uint8_t* source = s.Row(s.height - 1 - r);
        uint8_t* ligne = d.ScanLine(r);
        for (int32_t x = 0, miroir = s.width - 1; x < s.width; ++x, --miroir) {
            std::memcpy(ligne + 3 * static_cast<size_t>(x),
                        source + 3 * static_cast<size_t>(miroir), 3);
        }
    }
}

void Copie(const BgrView& s, Bitmap& d, int32_t debut, int32_t fin) {
    const size_t octets = 3 * static_cast<size_t>(s.width);
    for (int32_t r = debut; r < fin; ++r) std::memcpy(d.ScanLine(r), s.Row(r), octets);
}

int64_t Octets(const BgrView& vue) {
    return int64_t{vue.width} * vue.height * 3;
}

// The quarter turns clockwise of an angle, a multiple of 90 (else the range
// error).
int32_t Quarts(int32_t angle) {
    if (angle % 90 != 0) platform::RaiseRange();
    return (angle / 90 % 4 + 4) % 4;
}

// Destination rows [debut, fin) of `quarts` quarter turns.
void TourneLignes(int32_t quarts, const BgrView& s, Bitmap& d, int32_t debut, int32_t fin) {
    if (quarts % 2 == 1) {
        QuartDeTour(s, d, quarts == 1, debut, fin);
    } else if (quarts == 2) {
        DemiTour(s, d, debut, fin);
    } else {
        Copie(s, d, debut, fin);
    }
}

Bitmap Tourne(int32_t angle, const Graphic* source) {
    const int32_t quarts = Quarts(angle);
    Bitmap copie;
    const BgrView s = Lignes24(source, copie);
    const bool quart = quarts % 2 == 1;
    Bitmap d = Bitmap::ForOverwrite(quart ? s.height : s.width, quart ? s.width : s.height);
    EnParallele(d.Height(), Octets(s),
                [&](int32_t debut, int32_t fin) { TourneLignes(quarts, s, d, debut, fin); });
    return d;
}

// The result of a step that writes every pixel: the target's own bitmap when
// it holds one of that size that the source is not, so that the repeated
// steps of an editing session do not each make a new picture.
std::unique_ptr<Bitmap> Resultat(Picture& cible, const Graphic* source, int32_t largeur,
                                 int32_t hauteur) {
    if (auto* actuel = dynamic_cast<Bitmap*>(cible.GetGraphic());
        actuel != nullptr && actuel != source && actuel->Format() == PixelFormat::Bit24 &&
        actuel->Width() == largeur && actuel->Height() == hauteur) {
        return std::make_unique<Bitmap>(std::move(*actuel));
    }
    return std::make_unique<Bitmap>(Bitmap::ForOverwrite(largeur, hauteur));
}

// The results for every pair of channel values, so that pixels go through
// the table two bytes at a time. Pairs are built and read through memory,
// which keeps their bytes in order on any machine.
std::vector<uint16_t> TableLuminositeContraste(int32_t pivot, double luminosite, double contraste) {
    std::array<uint8_t, 256> table{};
    for (int32_t c = 0; c < 256; ++c) {
        const int32_t v = platform::Round(static_cast<long double>(c) * luminosite);
        const int32_t ecart = platform::CheckedSub(v, pivot);
        const int32_t sortie = platform::Round(static_cast<long double>(ecart) * contraste +
                                               static_cast<long double>(v));
        table[static_cast<size_t>(c)] = static_cast<uint8_t>(std::clamp(sortie, 0, 255));
    }
    std::vector<uint16_t> paires(size_t{1} << 16);
    for (size_t i = 0; i < paires.size(); ++i) {
        const std::array<uint8_t, 2> octets{table[i & 0xFF], table[i >> 8]};
        uint16_t paire = 0;
        std::memcpy(&paire, octets.data(), 2);
        paires[i] = paire;
    }
    return paires;
}

// Readies a target for writing: a read-only file is made writable and the
// missing folders are created; false when they could not be.
bool PrepareCible(const std::string& cible) {
    platform::ClearReadOnly(cible);
    const size_t barre = cible.rfind('/');
    const std::string dossier =
        barre == std::string::npos ? std::string() : cible.substr(0, barre + 1);
    return DossierExiste(dossier) || CreeDossiers(dossier);
}

// A progressive JPEG of the pixels with the source's metadata and sampling,
// its size written into the metadata.
std::vector<uint8_t> EncodeCopie(const Bitmap& pixels, metadata::TimgData& donnees, int32_t qualite,
                                 const platform::JpegSampling& echantillonnage) {
    JpegImage sortie;
    sortie.SetProgressiveEncoding(true);
    sortie.SetCompressionQuality(qualite);
    sortie.SetSampling(echantillonnage);
    sortie.AssignWithoutCopy(pixels);
    platform::MemoryStream flux;
    donnees.WriteJpegWithMetadata(sortie, true, flux);
    return flux.Release();
}

void VerifieCopies(std::span<const CopieJpeg> copies) {
    for (const CopieJpeg& copie : copies) {
        if (copie.cote_max < 1 || copie.qualite < 1 || copie.qualite > 100) platform::RaiseRange();
    }
}

}  // namespace

Bitmap Etire(const Graphic& graphique, int32_t largeur, int32_t hauteur) {
    Bitmap b = Bitmap::ForOverwrite(largeur, hauteur);
    platform::Canvas(b).StretchDraw(Rect{0, 0, largeur, hauteur}, graphique);
    return b;
}

TailleImage TailleCoteMax(int32_t largeur, int32_t hauteur, int32_t cote_max) {
    TailleImage taille;
    if (largeur <= hauteur) {
        taille.hauteur = std::min(hauteur, cote_max);
        taille.largeur = platform::Round(
            static_cast<long double>(platform::CheckedMul(largeur, taille.hauteur)) / hauteur);
    } else {
        taille.largeur = std::min(largeur, cote_max);
        taille.hauteur = platform::Round(
            static_cast<long double>(platform::CheckedMul(hauteur, taille.largeur)) / largeur);
    }
    return taille;
}

TTypeImage TypeImageFichier(const std::string& nom) {
    std::array<uint8_t, 3> octets{};
    size_t lus = 0;
    {
        platform::FileStream flux(nom, platform::FileMode::Read);
        lus = flux.Read(octets.data(), octets.size());
    }
    if (lus >= 2 && octets[0] == 0xFF && octets[1] == 0xD8) return TTypeImage::Jpeg;
    if (lus >= 2 && octets[0] == 'B' && octets[1] == 'M') return TTypeImage::Bmp;
    if (lus == 3 && octets[0] == 'G' && octets[1] == 'I' && octets[2] == 'F')
        return TTypeImage::Gif;
    if (lus == 3 && octets[0] == 0x89 && octets[1] == 'P' && octets[2] == 'N')
        return TTypeImage::Png;
    return TTypeImage::Autre;
}

void RotationImage(int32_t angle, const Picture& source, Picture& cible) {
    if (const auto* gif = dynamic_cast<const gif::TGIFImage*>(source.GetGraphic())) {
        cible.SetGraphic(gif->Rotated(angle));
        return;
    }
    cible.SetGraphic(std::make_unique<Bitmap>(Tourne(angle, source.GetGraphic())));
}

void RotationGraphique(int32_t angle, const Graphic& source, Graphic& cible) {
    const auto* gif = dynamic_cast<const gif::TGIFImage*>(&source);
    if (gif != nullptr && dynamic_cast<gif::TGIFImage*>(&cible) != nullptr) {
        cible.Assign(*gif->Rotated(angle));
        return;
    }
    Bitmap tournee = Tourne(angle, &source);
    // A bitmap target takes the result without a copy.
    if (auto* bitmap = dynamic_cast<Bitmap*>(&cible)) {
        bitmap->Assign(std::move(tournee));
    } else {
        cible.Assign(tournee);
    }
}

void TourneDans(int32_t angle, const BgrView& source, Bitmap& cible) {
    const int32_t quarts = Quarts(angle);
    const bool quart = quarts % 2 == 1;
    cible.SetSizeForOverwrite(quart ? source.height : source.width,
                              quart ? source.width : source.height);
    TourneLignes(quarts, source, cible, 0, cible.Height());
}

void LuminositeContraste(int32_t pivot, const Picture& source, Picture& cible, double luminosite,
                         double contraste) {
    const std::vector<uint16_t> paires = TableLuminositeContraste(pivot, luminosite, contraste);
    Bitmap copie;
    const Graphic* graphique = source.GetGraphic();
    const BgrView s = Lignes24(graphique, copie);
    std::unique_ptr<Bitmap> d = Resultat(cible, graphique, s.width, s.height);
    const size_t octets = 3 * static_cast<size_t>(s.width);
    EnParallele(s.height, Octets(s), [&](int32_t debut, int32_t fin) {
        for (int32_t y = debut; y < fin; ++y) {
            const uint8_t* entree = s.Row(y);
            uint8_t* sortie = d->ScanLine(y);
            uint16_t paire = 0;
            size_t i = 0;
            for (; i + 2 <= octets; i += 2) {
                std::memcpy(&paire, entree + i, 2);
                std::memcpy(sortie + i, &paires[paire], 2);
            }
            if (i < octets) {
                // An odd last byte goes as the first of a pair.
                const std::array<uint8_t, 2> dernier{entree[i], 0};
                std::memcpy(&paire, dernier.data(), 2);
                std::memcpy(sortie + i, &paires[paire], 1);
            }
        }
    });
    cible.SetGraphic(std::move(d));
}

std::optional<CouleurBgr> CouleurMoyenne(const Picture& image) {
    Bitmap copie;
    const BgrView s = Lignes24(image.GetGraphic(), copie);
    const int64_t n = int64_t{s.width} * s.height;
    if (n <= 0) return std::nullopt;
    // Whole sums, exact whatever the size of the picture.
    std::array<uint64_t, 3> sommes{};
    for (int32_t y = 0; y < s.height; ++y) {
        const uint8_t* ligne = s.Row(y);
        std::array<uint64_t, 3> rang{};
        for (int32_t x = 0; x < s.width; ++x, ligne += 3) {
            rang[0] += ligne[0];
            rang[1] += ligne[1];
            rang[2] += ligne[2];
        }
        for (size_t c = 0; c < 3; ++c) sommes[c] += rang[c];
    }
    const auto moyenne = [n](uint64_t somme) {
        return static_cast<uint8_t>(
            platform::Round(static_cast<long double>(somme) / static_cast<long double>(n)));
    };
    return CouleurBgr{moyenne(sommes[0]), moyenne(sommes[1]), moyenne(sommes[2])};
}

void RedimensionneBmp(const std::string& source, const std::string& cible, uint16_t largeur,
                      uint16_t hauteur) {
    if (TypeImageFichier(source) != TTypeImage::Bmp || largeur == 0 || hauteur == 0) return;
    Bitmap a;
    a.LoadFromFile(source);
    const std::optional<platform::FileTime> date = platform::ModificationTime(source);
    Etire(a, largeur, hauteur).SaveToFile(cible);
    if (date) FixeDateFichier(cible, *date);
}

void RedimensionneJpeg(const std::string& source, const std::string& cible, uint16_t largeur,
                       uint16_t hauteur, uint16_t qualite) {
    if (TypeImageFichier(source) != TTypeImage::Jpeg || largeur == 0 || hauteur == 0) return;
    const std::optional<platform::FileTime> date = platform::ModificationTime(source);
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(source);
    JpegImage image;
    image.LoadFromFile(source);
    const Bitmap b = Etire(image, largeur, hauteur);
    JpegImage sortie;
    sortie.SetCompressionQuality(qualite);
    sortie.SetSampling(image.Sampling());
    sortie.AssignWithoutCopy(b);
    donnees.SaveJpegWithMetadata(sortie, cible, true);
    if (date) FixeDateFichier(cible, *date);
}

bool RedimensionneJpegCoteMax(const std::string& source, const std::string& cible, int32_t cote_max,
                              int32_t qualite) {
    const CopieJpeg copie{cible, cote_max, qualite};
    VerifieCopies(std::span(&copie, 1));
    JpegImage image;
    image.LoadFromFile(source);
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(source);
    Bitmap decodee;
    const std::vector<CopieEncodee> encodee =
        EncodeCopiesCoteMax(image, donnees, std::span(&copie, 1), decodee);
    return EcritCopie(cible, encodee[0].octets);
}

std::vector<CopieEncodee> EncodeCopiesCoteMax(const Graphic& image, metadata::TimgData& donnees,
                                              std::span<const CopieJpeg> copies,
                                              Bitmap& decodee) {
    VerifieCopies(copies);
    std::vector<CopieEncodee> encodees;
    TailleImage couverte;
    for (const CopieJpeg& copie : copies) {
        encodees.push_back({TailleCoteMax(image.Width(), image.Height(), copie.cote_max), {}});
        couverte.largeur = std::max(couverte.largeur, encodees.back().taille.largeur);
        couverte.hauteur = std::max(couverte.hauteur, encodees.back().taille.hauteur);
    }
    platform::JpegSampling echantillonnage;
    if (const auto* jpeg = dynamic_cast<const JpegImage*>(&image)) {
        echantillonnage = jpeg->Sampling();
        // The coarsest scale still at least as large as every copy.
        JpegImage echelle;
        echelle.Assign(*jpeg);
        echelle.SetScale(platform::JpegScale::FullSize);
        echelle.SetScale(echelle.CoveringScale(couverte.largeur, couverte.hauteur));
        echelle.DecodeTo(decodee);
    } else {
        image.AssignTo(decodee);
        decodee.SetPixelFormat(PixelFormat::Bit24);
    }
    const BgrView pixels = decodee.View();
    for (size_t i = 0; i < copies.size(); ++i) {
        Bitmap b = Bitmap::ForOverwrite(encodees[i].taille.largeur, encodees[i].taille.hauteur);
        const Rect tout{0, 0, b.Width(), b.Height()};
        platform::StretchBgr(pixels, b, tout, tout);
        encodees[i].octets = EncodeCopie(b, donnees, copies[i].qualite, echantillonnage);
    }
    return encodees;
}

bool EcritCopie(const std::string& cible, std::span<const uint8_t> octets) {
    const bool dossier_pret = PrepareCible(cible);
    platform::WriteFileAtomic(cible, octets);
    return dossier_pret;
}

TailleImage TailleJpeg(const std::string& nom) {
    if (!platform::FileExists(nom)) return {};
    JpegImage image;
    image.LoadFromFile(nom);
    return TailleImage{image.Width(), image.Height()};
}

std::string CouleurHtml(platform::Color couleur) {
    couleur = platform::ColorToRGB(couleur);
    std::array<char, 8> texte{};
    std::snprintf(texte.data(), texte.size(), "#%02X%02X%02X", platform::RedOf(couleur),
                  platform::GreenOf(couleur), platform::BlueOf(couleur));
    return texte.data();
}

}  // namespace components
