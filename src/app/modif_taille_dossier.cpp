#include "app/modif_taille_dossier.h"

#include "components/routines_image.h"
#include "metadata/img_data.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/jpeg_image.h"

namespace app {

using components::TailleImage;

namespace {

// nouveau x autre / cote, rounded half to even, exactly.
int32_t Proportion(int32_t nouveau, int32_t autre, int32_t cote) {
    const int64_t produit = int64_t{nouveau} * autre;
    int64_t quotient = produit / cote;
    const int64_t double_reste = 2 * (produit % cote);
    if (double_reste > cote || (double_reste == cote && quotient % 2 != 0)) ++quotient;
    return static_cast<int32_t>(quotient);
}

std::vector<uint8_t> EncodeJpeg(const std::string& nom, const platform::JpegImage& image,
                                const TailleImage& taille, int32_t qualite, Tampons& tampons) {
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(nom);
    platform::JpegImage sortie;
    sortie.SetCompressionQuality(qualite);
    sortie.SetSampling(image.Sampling());
    // The picture's own size is encoded from its decoding, not stretched.
    if (taille.largeur == image.Width() && taille.hauteur == image.Height()) {
        image.DecodeTo(tampons.decodee);
        sortie.AssignWithoutCopy(tampons.decodee);
    } else {
        // Decoded by the codec's scaling and stretched as the rows come into
        // the worker's buffer: no picture is allocated for each photo.
        platform::JpegImage echelle;
        echelle.Assign(image);
        echelle.SetScale(echelle.CoveringScale(taille.largeur, taille.hauteur));
        tampons.resultat.SetSizeForOverwrite(taille.largeur, taille.hauteur);
        echelle.StretchInto(tampons.resultat);
        sortie.AssignWithoutCopy(tampons.resultat);
    }
    platform::MemoryStream flux;
    donnees.WriteJpegWithMetadata(sortie, true, flux);
    return flux.Release();
}

Reecriture Prepare(const std::string& nom, GenreFichier genre, const ReglagesTaille& reglages,
                   Tampons& tampons) {
    Reecriture r;
    r.date = platform::ModificationTime(nom);
    if (genre == GenreFichier::Jpeg) {
        platform::FileStream(nom, platform::FileMode::Read).ReadRest(tampons.fichier);
        platform::JpegImage image;
        image.LoadFromBytes(tampons.fichier);
        const Decision d = Decide(genre, image.Width(), image.Height(), reglages);
        if (!d.reecrit) return r;
        r.octets = EncodeJpeg(nom, image, d.taille, reglages.qualite, tampons);
        // Written over the file, the part libjpeg made up would replace the
        // photo's own for good.
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
    r.reecrit = true;
    return r;
}

}  // namespace

GenreFichier GenreATraiter(const std::string& nom, const ReglagesTaille& reglages) {
    const platform::PictureFormat* format = platform::FormatOf(nom);
    if (format == nullptr || !format->Has(platform::FormatUse::Listed)) return GenreFichier::Aucun;
    if (reglages.bmp && format->kind == "BMP") return GenreFichier::Bmp;
    if (reglages.jpeg && format->kind == "JPEG") return GenreFichier::Jpeg;
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

std::vector<FichierIllisible> RedimensionnementDossier::Traite(
    const std::vector<std::string>& fichiers) const {
    std::vector<std::string> choisis;
    for (const std::string& nom : fichiers) {
        if (GenreATraiter(nom, reglages) != GenreFichier::Aucun) choisis.push_back(nom);
    }
    ReecritureDossier reecriture;
    reecriture.fils = fils;
    reecriture.OnFichier = OnFichier;
    reecriture.OnReecrit = OnReecrit;
    reecriture.TraiteMessages = TraiteMessages;
    return reecriture.Traite(choisis, [&](const std::string& nom, Tampons& tampons) {
        return Prepare(nom, GenreATraiter(nom, reglages), reglages, tampons);
    });
}

}  // namespace app
