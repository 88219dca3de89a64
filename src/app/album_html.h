// The HTML album: an album page holding a table of thumbnails, two folders
// of reduced JPEG copies (small ones for the album page, big ones to view)
// and one page per picture showing its big copy between links to its
// neighbours. The writing is apart from the dialog, which maps its controls
// onto the settings below.
//
// Pictures of every format the picture registry reads are copied (a GIF
// picture's first frame); a copy of a picture that is not a JPEG file is
// named after the whole file name followed by ".jpg", so that its extension
// says what it holds. The copies are made on the tools' pipeline, on every
// processor, and written in the album's order. A photo whose EXIF
// orientation turns it a quarter (codes 5 to 8) is shown by browsers turned:
// the pages give its copies' sizes as shown.
//
// The pages declare iso-8859-1: their bytes are Windows-1252, a character
// the code page lacks is written as a numeric character reference, and
// links are percent-encoded UTF-8 file names. Text that comes from files
// (names, comments, camera data) is escaped; the user's title is written as
// typed. Every file goes through a temporary file and a rename.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/chaine_traitement.h"
#include "platform/graphics/types.h"

namespace metadata {
class TimgData;
}

namespace app {

// Every value of the dialog that the pages and copies use.
struct ReglagesAlbum {
    int32_t images_par_ligne = 3;
    int32_t taille_petite = 250;
    int32_t taille_grande = 1024;
    int32_t bordure_tableau = 0;
    int32_t espace_entre_images = 10;
    int32_t encadrement = 0;
    bool sans_couleur_encadrement = false;
    platform::Color couleur_encadrement = platform::kBtnFace;
    int32_t encadrement_grande_photo = 0;
    bool sans_couleur_encadrement_grande_photo = false;
    platform::Color couleur_encadrement_grande_photo = platform::kBtnFace;
    int32_t qualite_petites = 70;
    int32_t qualite_grandes = 50;
    bool sans_couleur = false;
    platform::Color couleur_fond = platform::kBlack;
    platform::Color couleur_texte = platform::kWhite;
    platform::Color couleur_texte_exif = platform::kWindowText;
    // The captions below go to the picture pages only.
    bool proprietes_seulement_grandes = false;
    bool nom_image = false;
    bool diaphragme = false;
    bool vitesse = false;
    bool iso = false;
    bool flash = false;
    bool appareil = false;
    bool commentaire = false;
    bool focale_35mm = false;
    bool generer_images = true;
    // The album page's full path; the sub-folders, relative to its folder,
    // each empty or ending with "/".
    std::string page;
    std::string sous_dossier_petites = "petites/";
    std::string sous_dossier_grandes = "grandes/";
    std::string titre;
};

// Sizes below 1 take their fallbacks: 4 pictures per row, copies of 150 and
// 800 pixels.
void AppliqueReplis(ReglagesAlbum& reglages);

// The parts of a picture's file name: `nom` after the last "/", `extension`
// from its last "." on (empty without one), `base` the name without it.
struct NomImage {
    std::string nom;
    std::string extension;
    std::string base;
};
NomImage DecoupeNom(std::string_view chemin);
// The file name of a picture's copies: its own name for a JPEG file, else
// its name followed by ".jpg".
std::string NomCopie(std::string_view chemin);

// "&", "<", ">", '"' and "'" as character references.
std::string EchappeHtml(std::string_view texte);
// Every byte but letters, digits, "-", ".", "_", "~" and "/" as "%XX".
std::string EncodeUrl(std::string_view chemin);
// UTF-8 text as Windows-1252 bytes; a character the code page lacks as
// "&#N;". A byte that starts no well-formed sequence passes unchanged.
std::string VersPageHtml(std::string_view texte);

// Appends to a page's lines the eight that begin every page of the album,
// and the two that end it.
void EcritEnteteHtml(std::vector<std::string>& memo, const ReglagesAlbum& reglages);
void EcritFinHtml(std::vector<std::string>& memo);

// The shooting data of a picture as its captions use them, read once.
struct LegendesImage {
    bool exif = false;  // the file has metadata with an EXIF part
    bool a_commentaire = false;
    std::string commentaire;
    std::string appareil;
    std::string iso;
    std::string vitesse;
    std::string diaphragme;
    std::string flash;
    std::string focale_35mm;
};
LegendesImage LegendesDe(const metadata::TimgData& donnees);

// What the album writes of one picture: its path, its neighbours' (empty at
// the ends) and the size of its big copy as shown.
struct ImagePage {
    std::string chemin;
    std::string precedente;
    std::string suivante;
    int32_t largeur = 0;
    int32_t hauteur = 0;
};

// The lines of the album page's cell of a picture whose small copy shows
// `largeur` x `hauteur`.
std::vector<std::string> LignesCellule(const ReglagesAlbum& reglages, const std::string& chemin,
                                       int32_t largeur, int32_t hauteur,
                                       const LegendesImage& legendes);
// The lines of a picture's page, its big copy being image.largeur x
// image.hauteur.
std::vector<std::string> LignesPageImage(const ReglagesAlbum& reglages, const ImagePage& image,
                                         const LegendesImage& legendes);

class AlbumHtml {
public:
    // The settings with their fallbacks applied.
    AlbumHtml(ReglagesAlbum reglages, std::vector<std::string> images);

    const ReglagesAlbum& Reglages() const { return reglages_; }
    // The album page's folder, with its final "/" (empty for a bare name).
    std::string Dossier() const;
    std::string PetiteCopie(const std::string& image) const;
    std::string GrandeCopie(const std::string& image) const;
    std::string PageImage(const std::string& image) const;

    // Threads that read and encode the copies; 0 for one per processor.
    int32_t fils = 0;

    // Writes the copies (when asked), each picture's page, then the album
    // page; `avancement` is told each picture before its copies are written.
    // A picture that cannot be read is left out of the album (its neighbours
    // link to each other) and returned with the reason, in the album's order.
    // Nothing is touched when an album file would land on one of the
    // pictures: that is refused with a French message.
    std::vector<FichierIllisible> Cree(
        const std::function<void(const std::string&)>& avancement = {}) const;

private:
    void VerifieCibles() const;
    // Writes the page of one picture.
    void CreePageGrandeImage(const ImagePage& image, const LegendesImage& legendes) const;

    ReglagesAlbum reglages_;
    std::vector<std::string> images_;
};

// The end-of-run message for the pictures left out of the album; empty when
// there is none.
std::string MessageImagesIllisibles(const std::vector<FichierIllisible>& images);

}  // namespace app
