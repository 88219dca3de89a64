#include "app/rotation_automatique.h"

#include <array>
#include <exception>
#include <optional>
#include <span>

#include "components/routines_image.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/jpeg_image.h"

namespace app {

namespace {

struct PalierQualite {
    double ratio;  // pixels per byte above which the row holds
    int32_t qualite;
};

constexpr std::array<PalierQualite, 7> kPaliers{{
    {6.5, 80},
    {6.0, 83},
    {5.1, 85},
    {4.5, 90},
    {3.7, 93},
    {3.0, 96},
    {1.8, 98},
}};
constexpr int32_t kQualiteMaximale = 99;

int64_t TailleFichier(const std::string& nom) {
    const std::optional<platform::FileIdentity> identite = platform::IdentifyFile(nom);
    return identite ? identite->size : 0;
}

}  // namespace

int32_t QualiteAutomatique(int64_t pixels, int64_t octets) {
    if (octets <= 0) return kPaliers.front().qualite;
    const double ratio = static_cast<double>(pixels) * 1.00001 / static_cast<double>(octets);
    for (const PalierQualite& palier : kPaliers) {
        if (ratio > palier.ratio) return palier.qualite;
    }
    return kQualiteMaximale;
}

int32_t AngleRotation(ModeRotation mode, int32_t orientation, int32_t largeur, int32_t hauteur) {
    const bool couchee = hauteur <= largeur;
    if ((mode == ModeRotation::Tourne) != couchee) return 0;
    const int32_t sens = mode == ModeRotation::Tourne ? 1 : -1;
    if (orientation == kOrientationAGauche) return 90 * sens;
    if (orientation == kOrientationADroite) return -90 * sens;
    return 0;
}

bool ExtensionATourner(const std::string& nom) {
    const platform::PictureFormat* format = platform::FormatOf(nom);
    return format != nullptr && format->Has(platform::FormatUse::Listed) && format->kind == "JPEG";
}

bool EstPhotoATourner(const std::string& nom) {
    return ExtensionATourner(nom) &&
           components::TypeImageFichier(nom) == components::TTypeImage::Jpeg;
}

Reecriture RotationAutomatique::Prepare(const std::string& nom, Tampons& tampons) const {
    Reecriture r;
    if (components::TypeImageFichier(nom) != components::TTypeImage::Jpeg) return r;
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(nom);
    if (!donnees.HasExif() || donnees.ExifObj() == nullptr) return r;
    const int32_t orientation = donnees.ExifObj()->TagValueAsInteger("Orientation");
    if (orientation != kOrientationAGauche && orientation != kOrientationADroite) return r;

    if (conserver_date) r.date = platform::ModificationTime(nom);
    platform::JpegImage photo;
    photo.LoadFromFile(nom);
    const int32_t angle = AngleRotation(mode, orientation, photo.Width(), photo.Height());
    if (angle == 0) return r;
    const int32_t q = qualite != 0 ? qualite
                                   : QualiteAutomatique(int64_t{photo.Width()} * photo.Height(),
                                                        TailleFichier(nom));
    photo.DecodeTo(tampons.decodee);
    // Turned and written, the part libjpeg made up would replace the photo's
    // own for good.
    if (photo.Damaged()) platform::RaiseMessage(kImageEndommagee);
    components::TourneDans(angle, tampons.decodee.View(), tampons.resultat);
    platform::JpegImage sortie;
    sortie.SetCompressionQuality(q);
    sortie.SetSampling(photo.Sampling().Turned(angle));
    sortie.AssignWithoutCopy(tampons.resultat);
    if (orientation_normale) donnees.ExifObj()->WriteTagInt("Orientation", kOrientationNormale);
    platform::MemoryStream flux;
    donnees.WriteJpegWithMetadata(sortie, true, flux);
    r.octets = flux.Release();
    r.reecrit = true;
    return r;
}

IssueRotation RotationAutomatique::RotationPhotoVerticale(const std::string& nom) const {
    using Etat = IssueRotation::Etat;
    Tampons tampons;
    Reecriture r;
    try {
        r = Prepare(nom, tampons);
    } catch (const std::exception& e) {
        return {Etat::Illisible, platform::UserMessage(e)};
    }
    if (!r.reecrit) return {};
    platform::WriteFileAtomic(nom, std::span<const uint8_t>(r.octets));
    // The date is set apart from the rewrite: its failure has a message of its own.
    if (r.date) platform::SetModificationTime(nom, *r.date);
    return {Etat::Tournee, {}};
}

std::vector<FichierIllisible> RotationAutomatique::Traite(const std::vector<std::string>& fichiers) const {
    std::vector<std::string> photos;
    for (const std::string& nom : fichiers) {
        if (ExtensionATourner(nom)) photos.push_back(nom);
    }
    ReecritureDossier reecriture;
    reecriture.fils = fils;
    reecriture.OnFichier = OnFichier;
    reecriture.OnReecrit = OnReecrit;
    reecriture.TraiteMessages = TraiteMessages;
    return reecriture.Traite(photos, [this](const std::string& nom, Tampons& tampons) {
        return Prepare(nom, tampons);
    });
}

}  // namespace app
