// The options dialog: where pictures are put aside, whether the destination is
// shown each time, the two outside editing programs and the JPEG quality of
// saved pictures. Its controls are the live settings, kept in the settings
// file by its settings component; its cancel button puts back the values the
// dialog was shown with.
#pragma once

#include <QLabel>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace components {
class TBitBtnAnnule;
class TSvgEditIni;
}  // namespace components

namespace app {

struct Fiches;

// The folder as the dialog keeps it: one trailing "/" less, but the root
// folder stays "/".
std::string SansBarreFinale(const std::string& dossier);

class TFormOptions final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormOptions(platform::ui::Application& application, Fiches& fiches);

    QLabel* Label1;
    platform::ui::Edit* EditDossierPhotoAMettreDeCote;
    platform::ui::Button* BitBtnParcourir;
    platform::ui::CheckBox* CheckBoxVoirDestination;
    QLabel* Label4;
    platform::ui::Edit* EditProgALancerPourRetouches1;
    platform::ui::Button* ButtonParcourirPourNomProgramme1;
    QLabel* Label5;
    platform::ui::Edit* EditProgALancerPourRetouches2;
    platform::ui::Button* ButtonParcourirPourNomProgramme2;
    QLabel* Label2;
    platform::ui::SpinEdit* SpinEditTauxCompressionJPG;
    QLabel* Label3;
    platform::ui::Button* BitBtn1;
    components::TBitBtnAnnule* BitBtnAnnule1;
    components::TSvgEditIni* SvgEditIni1;

    void BitBtnParcourirClick();
    void FormClose(platform::ui::CloseAction& action);
    void SpinEditTauxCompressionJPGChange();
    void ButtonParcourirPourNomProgramme1Click();
    void ButtonParcourirPourNomProgramme2Click();

protected:
    void Loaded() override;

private:
    void ChoisitProgramme(platform::ui::Edit& edit);

    Fiches& fiches_;
};

}  // namespace app
