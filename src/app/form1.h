// The main window: the picture area above a control panel. It steps through
// the pictures of the loaded folder by hand (buttons, arrow keys, the wheel,
// the picture track bar) or as a timed slideshow, zooms or fits the picture,
// and goes full screen and back.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/fiches.h"
#include "components/image_brenlow.h"
#include "components/scrute_dossier.h"
#include "components/svg_edit_ini.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

namespace app {

class TDefileImage;
struct FichiersChanges;
struct LigneCommande;

class TForm1 final : public platform::ui::Form {
    Q_OBJECT

public:
    // `arguments` are the program's arguments, without the program's name.
    TForm1(platform::ui::Application& application, Fiches& fiches,
           std::vector<std::string> arguments);
    ~TForm1() override;

    TDefileImage& DefileImage() const { return *FDefileImage; }
    bool PleinEcran() const { return FPleinEcran; }

    // A folder tool rewrote or renamed files: when one of them is in the
    // list, the folder is loaded again and the picture shown is read again
    // from its file, under its new name when it has one, so that neither
    // the screen nor the picture read ahead shows the old pixels.
    void FichiersModifies(const FichiersChanges& changes);

    // No picture on screen: the display, the caption, the labels and the
    // properties window are empty, and the commands on the picture do
    // nothing until one is shown.
    void AfficheAucuneImage();

    // The clock of the wheel's throttle, in days (tests drive it).
    std::function<double()> Maintenant;

    // Controls, named as the window's design names them.
    components::TImageBrenlow* Korvel1;
    QWidget* PanelControl;
    platform::ui::SpeedButton* SpeedButtonOuvrir;
    platform::ui::SpeedButton* SpeedButtonPasAPasRecule;
    platform::ui::SpeedButton* SpeedButtonavance1;
    platform::ui::SpeedButton* SpeedButton2;
    platform::ui::SpeedButton* SpeedButtonStopDiaporama;
    platform::ui::SpeedButton* SpeedButton1;
    platform::ui::SpeedButton* SpeedButton3;
    platform::ui::SpeedButton* SpeedButton4;
    platform::ui::SpeedButton* SpeedButtonEffacer;
    platform::ui::SpeedButton* SpeedButtonOuvreProg1;
    platform::ui::SpeedButton* SpeedButtonOuvreProg2;
    platform::ui::CheckBox* CheckBoxSousDossiers;
    platform::ui::CheckBox* CheckBoxMarcheArriere;
    QLabel* Label1;
    platform::ui::TrackBar* TrackBarNumImageEnCours;
    QLabel* Label2;
    platform::ui::TrackBar* TrackBarVitesse;
    QGroupBox* GroupBox1;
    platform::ui::TrackBar* TrackBarCoefZoom;
    platform::ui::CheckBox* CheckBoxAjuster;
    QLabel* LabelZoom;
    platform::ui::CheckBox* CheckBox1;
    platform::ui::Image* ImageTamponSuivante1;
    platform::ui::Image* ImageResultSaisieRectangle;
    QLabel* LabelDim;
    // The shooting data: each text keeps to its own column.
    platform::ui::ElidedLabel* LabelFlash;
    platform::ui::ElidedLabel* LabelIso;
    platform::ui::ElidedLabel* LabelVitesse;
    platform::ui::ElidedLabel* LabelDiaf;
    platform::ui::ElidedLabel* LabelFocale;
    platform::ui::ElidedLabel* LabelObjectif;
    platform::ui::ElidedLabel* LabelDate;
    platform::ui::ElidedLabel* LabelProgramExposition;
    platform::ui::ElidedLabel* LabelCorrectionExposition;
    components::TScruteDossier ScruteDossier1;
    platform::ui::Timer* TimerDefileImage;
    // Keeps none of this window's controls: it saves the other windows'
    // when this one closes.
    components::TSvgEditIni* SvgEditIni1;
    QMenuBar* MainMenu1;
    QMenu* PopupMenu1;
    QAction* ActionPleinEcran;
    QAction* ActionAffichePlancheContact;
    QAction* ActionLanceDiaporama;
    QAction* ActionStopDiaporama;
    QAction* ActionModifieDiapo;
    QAction* ActionEffacer;
    QAction* ActionLanceProgRetouchePhoto1;
    QAction* ActionLanceProgRetouchePhoto2;
    QAction* ActionAfficheProprietes;
    QAction* ActionRotationAutomatique;
    QAction* ActionModifTailleJPG1Dossier;

    // Handlers, reachable by the slideshow controller and the tests.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormKeyDown(int key);
    void FormMouseWheelDown(bool& handled);
    void FormMouseWheelUp(bool& handled);
    void SpeedButtonavance1Click();
    void SpeedButtonPasAPasReculeClick();
    void Suivante1Click();
    void Prcedente1Click();
    void CheckBoxSousDossiersMouseUp();
    void CheckBoxMarcheArriereMouseUp();
    void ChangeFocuseEnter();
    void TrackBarCoefZoomEnter();
    void TrackBarNumImageEnCoursEnter();
    void TrackBarCoefZoomChange();
    void CheckBoxAjusterClick();
    void CheckBox1Click();
    void ActionPleinEcranExecute();
    void Korvel1Affiche();
    void BasculePleinEcran();
    void ScruteDossier1Fichier(const std::string& nom);
    void ScruteDossier1FinExecute();
    void TimerDefileImageTimer();
    void TrackBarNumImageEnCoursChange();
    void FormChangeNumImage();
    void MenuFichierClick();
    void PopupMenu1Popup();
    void Ouvrir1Click();
    void QuitterClick();
    void ActionLanceDiaporamaExecute();
    void ActionStopDiaporamaExecute();
    void EnregistrerSousClick();
    void Enregistrersousautretaille1Click();
    void ImpressionImage();
    void Edition1Click();
    void Optgions1Click();
    void AjoutDePrefixe1Click();
    void ActionRotationAutomatiqueExecute();
    void ActionModifTailleJPG1DossierExecute();
    void Apropos1Click();
    void Rotation90Enregistrer1Click();
    void RotationMoins90Enregistrer1Click();
    void Rotation1Click();
    void RotationMoins90Click();
    void Rotation1801Click();
    void ActionModifieDiapoExecute();
    void Mettredecotcopie1Click();
    void Sauver1Click();
    void ActionEffacerExecute();
    void Copier1Click();
    void Korvel1MouseDown(const platform::ui::MouseArgs& args);
    void Korvel1MouseUp(const platform::ui::MouseArgs& args);
    void ActionAfficheProprietesExecute();
    void ActionAffichePlancheContactExecute();
    void ActionLanceProgRetouchePhotos1Execute();
    void ActionLanceProgRetouchePhoto2Execute();

protected:
    void Loaded() override;

private:
    void CreeControles();
    void ChargeDossierDepart(const LigneCommande& ligne);
    void CreeMenus();
    void Molette(int pas);
    void LanceProgramme(const std::string& programme);
    // The name the save dialog asks for, starting from the shown file's.
    std::optional<std::string> DemandeNomEnregistrement();
    // The labels of the shooting data, emptied before each picture.
    std::array<platform::ui::ElidedLabel*, 9> DonneesAffichees() const;
    // The shooting data and the comment of no picture.
    void VideDonneesAffichees();
    // Whether a picture file is on screen for the commands to act on.
    bool ImageAffichee() const { return !Korvel1->FileName().empty(); }
    void AfficheDonneesPriseDeVue(const std::string& nom);
    // The shown picture over its own file, with the file's metadata; the
    // user is asked first when the file changed or went since it was read.
    void EnregistreSurPlace();

    Fiches& fiches_;
    std::vector<std::string> arguments_;

    // When the last wheel step was taken, in days.
    double FDerniereMolette = 0;
    // The geometry saved by the last switch to full screen.
    platform::ui::WindowState etat_sauve_ = platform::ui::WindowState::Normal;
    int hauteur_sauvee_ = 0;
    int largeur_sauvee_ = 0;
    int haut_sauve_ = 0;
    int gauche_sauvee_ = 0;

    // The drag of the picture bar in progress showed an error box: the rest
    // of it shows what it can and reports nothing more.
    bool glissement_signale_ = false;

    bool FFormShowFait = false;
    bool FPleinEcran = false;
    std::unique_ptr<TDefileImage> FDefileImage;
};

}  // namespace app
