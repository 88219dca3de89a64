// The work of the automatic rotation tool: a JPEG photo that the camera
// stored lying down but marked as taken upright (EXIF Orientation 6 or 8) is
// turned upright and rewritten in place, its metadata kept; the revert mode
// turns such a photo back. Any other Orientation, an absent one included,
// leaves the file alone, and so does a photo that cannot be read whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/chaine_traitement.h"
#include "app/chemins.h"

namespace app {

enum class ModeRotation : uint8_t { Tourne, Revient };

// The EXIF Orientation codes of a photo taken upright.
inline constexpr int32_t kOrientationNormale = 1;
inline constexpr int32_t kOrientationAGauche = 6;  // to be turned clockwise
inline constexpr int32_t kOrientationADroite = 8;  // to be turned anticlockwise

// The quality that keeps a re-encoded file close to its old size, from its
// pixels per stored byte (the factor keeps an exact boundary on the lower row).
int32_t QualiteAutomatique(int64_t pixels, int64_t octets);

// The turn, in degrees clockwise, that the mode gives a picture of this size
// and Orientation code; 0 when it is to be left alone: rotating acts on
// pictures stored lying down (height <= width), reverting on upright ones.
int32_t AngleRotation(ModeRotation mode, int32_t orientation, int32_t largeur, int32_t hauteur);

// True for a file whose extension is ".jpg" in any case (the JPEG extension
// of the formats listed in folders; ".jpeg" files are not treated).
bool ExtensionATourner(const std::string& nom);
// The same, and the file's content is JPEG.
bool EstPhotoATourner(const std::string& nom);

// What became of one photo.
struct IssueRotation {
    enum class Etat : uint8_t { Laissee, Tournee, Illisible } etat = Etat::Laissee;
    std::string raison;  // why an unreadable photo could not be read
};

class RotationAutomatique {
public:
    ModeRotation mode = ModeRotation::Tourne;
    // 1..100, or 0 for the automatic quality.
    int32_t qualite = 0;
    bool conserver_date = true;
    // The Orientation tag then reads "Normal", and neither mode finds the
    // photo again.
    bool orientation_normale = false;

    // Threads of a batch; 0 for one per processor.
    int32_t fils = 0;
    // Each photo of a batch, in the list's order, before its result is written.
    std::function<void(const std::string& nom)> OnFichier;
    // Each photo a batch rewrote.
    std::function<void(const std::string& nom)> OnReecrit;
    std::function<void()> TraiteMessages;

    // Turns one photo in place when the mode calls for it. A photo that
    // cannot be decoded, or whose decoding had to make up pixels (a truncated
    // or damaged file), stays as it was and is told unreadable with the
    // reason; a file that cannot be written raises its error and stays as it
    // was.
    IssueRotation RotationPhotoVerticale(const std::string& nom) const;

    // Turns the photos of a list (those of ExtensionATourner) on the
    // pipeline of the tools: decoded, turned and encoded on every processor,
    // written in the list's order. A photo that cannot be read whole, or that
    // is read-only, is left as it is and returned with the reason; any other
    // failure to write stops the run and passes on, the photos before it
    // staying turned.
    std::vector<FichierIllisible> Traite(const std::vector<std::string>& fichiers) const;

private:
    // What becomes of one photo, made with a worker's buffers; a photo that
    // cannot be read whole raises the reason.
    Reecriture Prepare(const std::string& nom, Tampons& tampons) const;
};

}  // namespace app
