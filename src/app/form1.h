// The main window: the picture area above a control panel. It steps through
// the pictures of the loaded folder by hand (buttons, arrow keys, the wheel,
// the picture track bar) or as a timed slideshow, zooms or fits the picture,
// and goes full screen and back.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/image_brenlow.h"
#include "components/scrute_dossier.h"
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

class TForm1 final : public platform::ui::Form {
    Q_OBJECT

public:
    // `arguments` are the program's arguments, without the program's name.
    TForm1(platform::ui::Application& application, std::vector<std::string> arguments);
    ~TForm1() override;

    TDefileImage& DefileImage() const { return *FDefileImage; }
    bool PleinEcran() const { return FPleinEcran; }

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
    QLabel* LabelFlash;
    QLabel* LabelIso;
    QLabel* LabelVitesse;
    QLabel* LabelDiaf;
    QLabel* LabelFocale;
    QLabel* LabelObjectif;
    QLabel* LabelDate;
    QLabel* LabelProgramExposition;
    QLabel* LabelCorrectionExposition;
    components::TScruteDossier ScruteDossier1;
    platform::ui::Timer* TimerDefileImage;
    QMenuBar* MainMenu1;
    QMenu* PopupMenu1;
    QAction* ActionPleinEcran;
    QAction* ActionLanceDiaporama;
    QAction* ActionStopDiaporama;

    // Handlers, reachable by the slideshow controller and the tests.
    void FormCreate();
    void FormShow();
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

protected:
    void Loaded() override;

private:
    void CreeControles();
    void CreeMenus();
    void Molette(int pas);

    std::vector<std::string> arguments_;

    // When the last wheel step was taken, in days.
    double FDerniereMolette = 0;
    // The geometry saved by the last switch to full screen.
    platform::ui::WindowState etat_sauve_ = platform::ui::WindowState::Normal;
    int hauteur_sauvee_ = 0;
    int largeur_sauvee_ = 0;
    int haut_sauve_ = 0;
    int gauche_sauvee_ = 0;

    bool FFormShowFait = false;
    bool FPleinEcran = false;
    std::unique_ptr<TDefileImage> FDefileImage;
};

}  // namespace app
