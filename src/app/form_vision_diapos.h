// The contact-sheet window: one thumbnail per picture of the main window's
// list, in its order, in a scrolling area. A click on a thumbnail shows that
// picture in the main window; the status bar tells the number of thumbnails
// and the path and size of the picture under the mouse. The user chooses the
// cell size, may keep the window above the others, and makes an HTML album
// of the sheet's pictures.
#pragma once

#include <string>
#include <vector>

#include "platform/core/string_list.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/mouse.h"

class QAction;
class QLabel;
class QMenuBar;
class QScrollArea;
class QStatusBar;
class QTimer;

namespace components {
class TGardePositionFiche;
class TJPegDiaporama;
class TKorvel;
class TSvgEditIni;
}  // namespace components

namespace app {

struct Fiches;
class TDefileImage;

class TFormVisionDiapos final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormVisionDiapos(platform::ui::Application& application, Fiches& fiches);

    // The path of every thumbnail's file, in the sheet's order: the
    // pictures of the HTML album.
    std::vector<std::string> CheminsDesDiapos() const;

    QWidget* Panel1;
    QWidget* Panel2;
    QLabel* Label1;
    QLabel* Label2;
    platform::ui::SpinEdit* SpinEditLargeurDiapos;
    platform::ui::SpinEdit* SpinEditHauteurDiapos;
    platform::ui::Button* BitBtnValideDimDiapos;
    platform::ui::CheckBox* CheckBoxToujoursVisible;
    platform::ui::Button* BitBtnCreationPage;
    QScrollArea* ScrollBox1;
    components::TJPegDiaporama* JPegDiaporama1;
    QStatusBar* StatusBar1;
    // The status bar's two panels: the count, and the picture under the mouse.
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    QMenuBar* MainMenu1;
    QAction* Fermer1;
    QAction* CrationdunepageHTML1;
    components::TSvgEditIni* SvgEditIni1;
    components::TGardePositionFiche* GardePositionFiche1;

    void FormCreate();
    void FormShow();
    void FormClose();
    // Rebuilds the thumbnails from the main window's list at the cell size
    // of the spin edits.
    void ReactualiseAffichage();
    void BitBtnValideDimDiaposClick();
    void JPegDiaporama1ClickDiapo(components::TKorvel& sender);
    void OnMouseMoveSurDiapo(QWidget& sender, const platform::ui::MouseArgs& args);
    // Places the thumbnails again for the sheet's new width, without
    // reading any picture again.
    void WMExitSizeMove();
    void CreationPageClick();
    void Fermer1Click();
    void OnClickCheckBoxToujoursVisibleClick();

protected:
    void Loaded() override;

private:
    Fiches& fiches_;
    // Runs WMExitSizeMove once the sheet's width has changed and Qt has laid
    // the window out for it; the width the thumbnails were last placed for.
    QTimer* replacement_;
    int largeur_placee_ = -1;
};

// Empties the list, then adds the path of every picture of the controller's
// list, from the first to the last.
void RempliListeFichiers(const TDefileImage& defile, platform::StringList& liste);

}  // namespace app
