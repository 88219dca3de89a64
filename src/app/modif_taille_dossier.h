// The work of the folder resize tool: every selected BMP and JPG file of a
// list is rewritten in place so that its longer side gets a chosen number of
// pixels, proportions kept; JPEG files keep their metadata, every file its
// modification date.
//
// The files are read, resized and encoded on the pipeline of the tools
// (ChaineTraitement): written one after the other in the list's order by the
// caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/chaine_traitement.h"
#include "components/routines_image.h"

namespace app {

enum class GenreFichier : uint8_t { Aucun, Bmp, Jpeg };

struct ReglagesTaille {
    int32_t taille = 3456;  // the new longer side, 0..65535
    int32_t qualite = 70;   // JPEG quality, 1..100
    bool pas_agrandir = true;
    bool toujours_compresser = true;  // JPEG files whose size is kept are re-encoded
    bool bmp = false;
    bool jpeg = true;
};

// The kind a file is treated as, by its extension in any case among the
// formats listed in folders (".bmp", ".jpg"; ".jpeg" is not one), or Aucun
// when the settings leave it out.
GenreFichier GenreATraiter(const std::string& nom, const ReglagesTaille& reglages);

// The size whose longer side is `taille`, the other side rounded half to
// even; a square counts as upright. 0 x 0 for a picture without pixels.
components::TailleImage NouvelleTaille(int32_t largeur, int32_t hauteur, int32_t taille);

// What becomes of a picture of largeur x hauteur: the size it is rewritten
// at, or none when the file is left as it is. "Never enlarge" compares the
// new longer side with the picture's own.
struct Decision {
    bool reecrit = false;
    components::TailleImage taille;
    friend bool operator==(const Decision&, const Decision&) = default;
};
Decision Decide(GenreFichier genre, int32_t largeur, int32_t hauteur,
                const ReglagesTaille& reglages);

class RedimensionnementDossier {
public:
    ReglagesTaille reglages;
    // Threads that read and encode; 0 for one per processor.
    int32_t fils = 0;
    // Each treated file, in the list's order, before its result is written.
    std::function<void(const std::string& nom)> OnFichier;
    // Each file rewritten.
    std::function<void(const std::string& nom)> OnReecrit;
    // Lets the application run its pending work while the run waits.
    std::function<void()> TraiteMessages;

    // Treats the files of the list that the settings select. A file that
    // cannot be read as a picture, a JPEG file whose decoding had to make up
    // pixels, or a read-only file, is left untouched and returned, with the
    // reason, in the list's order; any other failure to write a file stops
    // the run and passes on, the files before it staying rewritten.
    std::vector<FichierIllisible> Traite(const std::vector<std::string>& fichiers) const;
};

}  // namespace app
