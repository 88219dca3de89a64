// The picture editing dialog: brightness, contrast and its pivot, an
// automatic brightness from the mean colour of the picture or of a rectangle
// drawn on it, and quarter turns of the result. OK writes the result into the
// caller's picture; nothing reaches the disk from here.
#pragma once

#include <QLabel>
#include <cstdint>

#include "components/image_brenlow.h"
#include "components/routines_image.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"

namespace app {

struct Fiches;

// The level the automatic brightness starts from: the mean of the three
// channels of a picture's mean colour, rounded half to even; 0 counts as 1.
int32_t NiveauMoyen(const components::CouleurBgr& moyenne);

class TFormEditPicture final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormEditPicture(platform::ui::Application& application, Fiches& fiches);

    // Edits a copy of `source`; OK writes the result into `cible`, which may be
    // the source itself. The way the dialog was closed.
    platform::ui::ModalResult Edite(const platform::Picture& source, platform::Picture& cible);

    double Luminosite() const { return FLuminosite; }
    double Contraste() const { return FContraste; }
    int32_t Pivot() const { return FPivot; }

    void SetLuminosite(double coefficient);
    void SetContraste(double facteur);
    void SetPivot(int32_t pivot);
    void Reinitialise();

    platform::ui::SpinEdit* SpinEditLuminosite;
    platform::ui::TrackBar* TrackBarLuminosite;
    QLabel* LabelLuminosite;
    platform::ui::Button* ButtonLuminositeAutomatiqueParMoyenne;
    QLabel* LabelLuminositeMoyenne;
    platform::ui::SpinEdit* SpinEditContraste;
    platform::ui::TrackBar* TrackBarContraste;
    QLabel* LabelContraste;
    platform::ui::SpinEdit* SpinEditPivot;
    platform::ui::TrackBar* TrackBarPivot;
    platform::ui::Button* BitBtnRotation90;
    platform::ui::Button* BitBtnRotationMoins90;
    platform::ui::Button* BitBtnRotation180;
    platform::ui::Button* BitBtnReinitialiserCouleur;
    platform::ui::Button* BitBtnOK;
    platform::ui::Button* BitBtn2;
    components::TImageBrenlow* ImageBrenlow1;
    components::TImageBrenlow* ImageBrenlowSource;
    platform::ui::Image* ImageSaisieRectangle;

    void FormCreate();
    void FormShow();
    void BitBtnReinitialiserCouleurClick();
    void TrackBarLuminositeChange();
    void SpinEditOnLumChange();
    void TrackBarContrasteChange();
    void SpinEditContrasteChange();
    void TrackBarPivotChange();
    void SpinEditPivotChange();
    void ButtonLuminositeAutomatiqueParMoyenneClick();
    void ImageBrenlow1MouseUp();
    void BitBtnRotation90Click();
    void BitBtnRotationMoins90Click();
    void BitBtnRotation180Click();
    void BitBtnOKClick();

protected:
    void Loaded() override;

private:
    void CreeControles();
    // The result drawn again from the untouched copy with the current settings.
    void Rendu();
    // The automatic brightness from the mean colour of `picture`; nothing
    // when it has no pixel to take a mean of.
    void LuminositeAutomatique(const platform::Picture& picture);

    // Zero until the creation step sets the neutral values.
    double FLuminosite = 0.0;
    double FContraste = 0.0;
    int32_t FPivot = 0;
    platform::Picture FPicture;
    platform::Picture* FPictureRetour = nullptr;
};

}  // namespace app
