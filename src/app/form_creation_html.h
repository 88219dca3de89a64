// The HTML album dialog: the settings of an album made of the contact
// sheet's pictures, kept from one run to the next, and the button that
// writes it (through AlbumHtml). The five chosen colours are kept as text in
// hidden edits, a system colour by its role.
#pragma once

#include <QLabel>
#include <functional>
#include <string>
#include <vector>

#include "app/album_html.h"
#include "platform/graphics/types.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class QStatusBar;

namespace components {
class TSvgEditIni;
}

namespace app {

struct Fiches;

// A panel that shows a colour.
class PanneauCouleur final : public QLabel {
    Q_OBJECT

public:
    PanneauCouleur(QWidget* parent, const std::string& nom);

    platform::Color Couleur() const { return couleur_; }
    void SetCouleur(platform::Color couleur);

private:
    platform::Color couleur_ = platform::kBtnFace;
};

class TFormCreationHtml final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormCreationHtml(platform::ui::Application& application, Fiches& fiches);

    // The pictures of the album, in order (the contact sheet's).
    std::function<std::vector<std::string>()> Diapos;

    // The settings the controls hold now.
    ReglagesAlbum Reglages() const;

    void BitBtnOkCreationHtmlClick();
    void BitBtnParcourirDossierHtmlClick();
    void BitBtnVoirResultatPageClick();
    void EditSousDossierPetitesImagesChange();
    void EditSousDossierGrandesImagesChange();
    void SpeedButtonCouleurFondClick();
    void SpeedButtonCouleurTexteClick();
    void SpeedButtonCoulTexteExifClick();
    void SpeedButtonCouleurEncadrementImageClick();
    void SpeedButtonCouleurEncadrementGrandePhotoClick();
    void FormShow();

    // The colours of the two samples: background and text.
    platform::Color CouleurFond() const { return fond_; }
    platform::Color CouleurTexte() const { return texte_; }
    // The captions' sample shares the page's background.
    platform::Color CouleurFondExif() const { return fond_; }
    platform::Color CouleurTexteExif() const { return texte_exif_; }

    platform::ui::SpinEdit* SpinEditNbImgParLigne;
    platform::ui::SpinEdit* SpinEditTailleMaxPetiteImage;
    platform::ui::SpinEdit* SpinEditTailleMaxiGrandeImage;
    platform::ui::SpinEdit* SpinEditTailleBordureTableau;
    platform::ui::SpinEdit* SpinEditEspaceEntreImages;
    platform::ui::SpinEdit* SpinEditTailleEncadrement;
    platform::ui::CheckBox* CheckBoxSansCouleurEncadrement;
    platform::ui::SpeedButton* SpeedButtonCouleurEncadrementImage;
    PanneauCouleur* PanelColorEncadrement;
    platform::ui::SpinEdit* SpinEditTailleEncadrementGrandePhoto;
    platform::ui::CheckBox* CheckBoxSansCouleurEncadrementGrandePhoto;
    platform::ui::SpeedButton* SpeedButtonCouleurEncadrementGrandePhoto;
    PanneauCouleur* PanelColorEncadrementGrandePhoto;
    platform::ui::SpinEdit* SpinEditTauxCompressionVignettes;
    platform::ui::SpinEdit* SpinEditTauxCompressionGrandesImages;
    platform::ui::CheckBox* CheckBoxSansCouleur;
    platform::ui::SpeedButton* SpeedButtonCouleurFond;
    platform::ui::SpeedButton* SpeedButtonCouleurTexte;
    platform::ui::Edit* EditCouleur;
    platform::ui::SpeedButton* SpeedButtonCoulTexteExif;
    platform::ui::Edit* EditCouleurTexteExif;
    platform::ui::CheckBox* CheckBoxEcrirePropSeulementGrdImage;
    platform::ui::CheckBox* CheckBoxEcritNomImageSousImage;
    platform::ui::CheckBox* CheckBoxEcritureFocale;
    platform::ui::CheckBox* CheckBoxEcritureVitesse;
    platform::ui::CheckBox* CheckBoxEcritureIso;
    platform::ui::CheckBox* CheckBoxEcritureFlash;
    platform::ui::CheckBox* CheckBoxEcritureNomAppareil;
    platform::ui::CheckBox* CheckBoxEcritureDuCommentaire;
    platform::ui::CheckBox* CheckBoxEcritureFocal35mm;
    platform::ui::CheckBox* CheckBoxGenererLesImages;
    platform::ui::Edit* EditNomFicPageHtml;
    platform::ui::Button* BitBtnParcourirDossierHtml;
    platform::ui::Edit* EditSousDossierPetitesImages;
    platform::ui::Edit* EditSousDossierGrandesImages;
    platform::ui::Edit* EditTitrePage;
    platform::ui::Button* BitBtnOkCreationHtml;
    platform::ui::Button* BitBtnVoirResultatPage;
    platform::ui::Button* BitBtn1;
    QStatusBar* StatusBar1;
    platform::ui::Edit* EditSvgColorFond;
    platform::ui::Edit* EditSvgColorTexte;
    platform::ui::Edit* EditSvgCouleurTexteExif;
    platform::ui::Edit* EditSvgColorEncadrement;
    platform::ui::Edit* EditSvgColorEncadrementGrandePhoto;
    components::TSvgEditIni* SvgEditIni1;

protected:
    void Loaded() override;

private:
    // The colour dialog on `initiale`; the chosen colour, or none.
    std::optional<platform::Color> ChoisitCouleur(platform::Color initiale);
    void PeintEchantillons();

    platform::Color fond_ = platform::kBlack;
    platform::Color texte_ = platform::kWhite;
    // The captions' sample starts in the page's text colour, so that a first
    // album's captions read on its background.
    platform::Color texte_exif_ = texte_;
};

}  // namespace app
