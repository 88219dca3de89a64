// The picture display: a panel holding a scroll box holding an image control.
// It lays the picture out fitted inside four margins with its proportions kept
// and centred, or at a zoom factor from the top-left corner with scroll bars;
// loads picture files through the picture registry; and lets the user draw a
// rubber band whose content it copies into other image controls.
#pragma once

#include <QFrame>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "components/image_brenlow_geometrie.h"
#include "platform/core/files.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/ui/image.h"
#include "platform/ui/mouse.h"

class QRubberBand;
class QScrollArea;

namespace components {

class TImageBrenlow final : public QFrame {
    Q_OBJECT

public:
    TImageBrenlow(QWidget* parent, const std::string& name);

    platform::ui::Image* ImageResultatSaisiRectangle() const { return resultat_; }
    void SetImageResultatSaisiRectangle(platform::ui::Image* image) { resultat_ = image; }
    platform::ui::Image* ImageVueResultatSaisiRectangle() const { return vue_resultat_; }
    void SetImageVueResultatSaisiRectangle(platform::ui::Image* image) { vue_resultat_ = image; }

    bool SaisieRectangle() const { return saisie_rectangle_; }
    void SetSaisieRectangle(bool on) { saisie_rectangle_ = on; }
    bool SaisieRectangleProportionelle() const { return proportionnelle_; }
    void SetSaisieRectangleProportionelle(bool on) { proportionnelle_ = on; }

    int32_t CompressionQuality() const { return compression_quality_; }
    void SetCompressionQuality(int32_t quality) { compression_quality_ = quality; }

    // Fit mode; setting it lays the picture out again.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    // The last picture shown; setting it loads nothing and forgets what the
    // file was when it was read.
    const std::string& FileName() const { return file_name_; }
    void SetFileName(const std::string& name) {
        file_name_ = name;
        identite_.reset();
    }
    // What the file FileName was when its picture was read (device, inode,
    // size, date), so that writing over it can first tell whether it
    // changed since; none when unknown.
    const std::optional<platform::FileIdentity>& IdentiteFichier() const { return identite_; }

    // Copies the value into the four margins, without a new layout.
    int32_t MargeConstante() const { return marge_constante_; }
    void SetMargeConstante(int32_t marge);
    int32_t MargeMinGauche() const { return marges_.gauche; }
    void SetMargeMinGauche(int32_t marge) { marges_.gauche = marge; }
    int32_t MargeMinDroite() const { return marges_.droite; }
    void SetMargeMinDroite(int32_t marge) { marges_.droite = marge; }
    int32_t MargeMinHaut() const { return marges_.haut; }
    void SetMargeMinHaut(int32_t marge) { marges_.haut = marge; }
    int32_t MargeMinBas() const { return marges_.bas; }
    void SetMargeMinBas(int32_t marge) { marges_.bas = marge; }

    // Zoom factor of the zoom mode; setting it lays the picture out again.
    double CoefZoom() const { return coef_zoom_; }
    void SetCoefZoom(double coef);

    bool GardeProportion() const { return garde_proportion_; }
    void SetGardeProportion(bool on) { garde_proportion_ = on; }

    std::function<void(TImageBrenlow&)> OnResize;
    platform::ui::MouseHandler OnMouseDown;
    platform::ui::MouseHandler OnMouseUp;
    platform::ui::MouseHandler OnMouseMove;
    std::function<void(TImageBrenlow&)> OnAffiche;

    // After the owner has set the properties: one layout.
    void Loaded();

    // Shows a picture file. A missing file changes nothing; a file that cannot
    // be loaded or decoded raises its error and leaves the shown picture,
    // FileName and the events as they were.
    void ChargeFichier(const std::string& nom);
    // Shows a picture already in memory (the slideshow's pre-loaded one),
    // handed over rather than copied so that a big picture is never held
    // twice; no graphic shows nothing. `identite` is what the file `nom` was
    // when the picture was read, taken from the file now when not given.
    void AfficheGraphique(std::unique_ptr<platform::Graphic> graphique, const std::string& nom,
                          std::optional<platform::FileIdentity> identite = std::nullopt);
    void AjusteImage();

    // Turns the shown picture by quarter turns, clockwise for positive angles,
    // and lays it out again; it is then a 24-bit bitmap, but for a GIF
    // picture, which turns frame by frame and goes on playing. An angle that
    // is not a multiple of 90 raises the range error and changes nothing.
    void Rotation(int32_t angle);

    // Saves the shown picture under `nom`, by its extension: ".JPG" encoded
    // at CompressionQuality with the sampling of the JPEG file shown, turned
    // with it (an unmodified JPEG keeps its compressed data),
    // ".BMP" as a bitmap, ".GIF" as a GIF picture (a shown GIF picture is
    // written frame for frame). An empty name does nothing; any other extension
    // raises "Extension de fichier image inconnue (.%s)" and writes nothing.
    void EnregistreSous(const std::string& nom);
    // As EnregistreSous, a JPEG taking the metadata of the file `source`.
    void EnregistreAvecExif(const std::string& source, const std::string& cible);

    // Writes the picture file `source` stretched to largeur x hauteur into
    // `cible`, both read and written by their extension as EnregistreSous
    // does; a JPEG target is encoded at `qualite` (1..100, else the range
    // error before anything is written) with the source's metadata and
    // sampling. The shown picture is not touched.
    static void RedimensionneFichier(const std::string& source, const std::string& cible,
                                     uint16_t largeur, uint16_t hauteur, uint16_t qualite);
    // The same for the picture shown: from its file FileName while it is
    // that file's picture as read; once turned or edited on screen, from the
    // picture shown, so that the copy looks as shown, with the file's
    // metadata and its sampling turned with the picture.
    void RedimensionneAffichee(const std::string& cible, uint16_t largeur, uint16_t hauteur,
                               uint16_t qualite) const;

    // Whether the picture shown is still its file's as it was read: no
    // longer once turned or edited on screen, again once a picture is shown
    // or the picture is written over its file.
    bool ImageDuFichier() const { return du_fichier_; }
    // The picture shown was changed in place by another window (the editing
    // dialog writes its result into it).
    void NoteRetouche() { du_fichier_ = false; }

    // The bounds the image control would get for a picture of that size.
    platform::Rect DispositionPour(int32_t largeur, int32_t hauteur) const;

    platform::ui::Image& ImageInterne() const { return *image_; }
    platform::Picture& GetPicture() const { return image_->GetPicture(); }

    // The current selection in picture pixels, as the last band left it.
    Selection SelectionCourante() const { return selection_; }

    // The selection copied at picture resolution into `cible`.
    void CopieSelection(platform::ui::Image& cible) const;
    // The selection stretched to largeur x hauteur into `cible`.
    void CopieSelectionVue(platform::Picture& cible, int32_t largeur, int32_t hauteur) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Afficher(std::unique_ptr<platform::Graphic> graphic, const std::string& nom,
                  const std::optional<platform::FileIdentity>& identite);
    // After a write to `cible`: when it is the file shown, the new file is the
    // one read.
    void NoteEcriture(const std::string& cible);
    void ImageMouseDown(QWidget& sender, const platform::ui::MouseArgs& args);
    void ImageMouseMove(QWidget& sender, const platform::ui::MouseArgs& args);
    void ImageMouseUp(QWidget& sender, const platform::ui::MouseArgs& args);
    void DessineBande();
    void CopieSelectionDans(platform::Bitmap& cible) const;
    // A new, empty object of the class that writes the extension of `nom`,
    // with the component's settings for it.
    std::unique_ptr<platform::Graphic> ObjetEnregistrement(const std::string& nom) const;

    QScrollArea* scroll_box_;
    QWidget* contenu_;
    platform::ui::Image* image_;
    QRubberBand* bande_;

    platform::ui::Image* resultat_ = nullptr;
    platform::ui::Image* vue_resultat_ = nullptr;
    bool saisie_rectangle_ = false;
    bool proportionnelle_ = false;
    int32_t compression_quality_ = 30;
    bool stretch_ = false;
    std::string file_name_;
    std::optional<platform::FileIdentity> identite_;
    bool du_fichier_ = true;
    // That of the JPEG file shown, turned with the picture: a new encoding
    // samples its colours as finely as the file did.
    platform::JpegSampling echantillonnage_;
    int32_t marge_constante_ = 0;
    Marges marges_;
    double coef_zoom_ = 1.0;
    bool garde_proportion_ = false;

    bool bande_en_cours_ = false;
    platform::Point debut_;  // in the component's coordinates
    platform::Point courant_;
    platform::Point debut_image_;  // in the image control's coordinates
    platform::Point courant_image_;
    Selection selection_;
};

}  // namespace components
