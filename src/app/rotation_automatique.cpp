#include "app/rotation_automatique.h"

#include <array>
#include <exception>
#include <optional>

#include "app/chemins.h"
#include "components/routines_image.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/graphics/bitmap.h"
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

bool EstPhotoATourner(const std::string& nom) {
    return ExtensionMajuscule(nom) == ".JPG" &&
           components::TypeImageFichier(nom) == components::TTypeImage::Jpeg;
}

IssueRotation RotationAutomatique::RotationPhotoVerticale(const std::string& nom) const {
    using Etat = IssueRotation::Etat;
    if (components::TypeImageFichier(nom) != components::TTypeImage::Jpeg) return {};
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(nom);
    if (!donnees.HasExif() || donnees.ExifObj() == nullptr) return {};
    const int32_t orientation = donnees.ExifObj()->TagValueAsInteger("Orientation");
    if (orientation != kOrientationAGauche && orientation != kOrientationADroite) return {};

    const std::optional<platform::FileTime> date =
        conserver_date ? platform::ModificationTime(nom) : std::nullopt;
    platform::JpegImage photo;
    platform::Bitmap tournee;
    int32_t q = qualite;
    try {
        photo.LoadFromFile(nom);
        const int32_t angle = AngleRotation(mode, orientation, photo.Width(), photo.Height());
        if (angle == 0) return {};
        if (q == 0) {
            q = QualiteAutomatique(int64_t{photo.Width()} * photo.Height(), TailleFichier(nom));
        }
        components::RotationGraphique(angle, photo, tournee);
    } catch (const std::exception& e) {
        return {Etat::Illisible, e.what()};
    }
    // Turned and written, the part libjpeg made up would replace the
    // photo's own for good.
    if (photo.Damaged()) return {Etat::Illisible, kImageEndommagee};
    platform::JpegImage sortie;
    sortie.SetCompressionQuality(q);
    sortie.AssignWithoutCopy(tournee);
    if (orientation_normale) donnees.ExifObj()->WriteTagInt("Orientation", kOrientationNormale);
    donnees.SaveJpegWithMetadata(sortie, nom, true);
    // The date is set apart from the rewrite: its failure has a message of its own.
    if (date) platform::SetModificationTime(nom, *date);
    return {Etat::Tournee, {}};
}

}  // namespace app
