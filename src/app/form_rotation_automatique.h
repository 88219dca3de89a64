// The dialog of the automatic rotation of upright photos: it walks a folder,
// and its sub-folders when asked, and has its JPEG photos turned upright (or
// back) by RotationAutomatique, listing the files it rewrote, and at the end
// those it could not read.
#pragma once

#include <QLabel>
#include <string>
#include <vector>

#include "app/lot_en_cours.h"
#include "app/rotation_automatique.h"
#include "components/scrute_dossier.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace app {

struct Fiches;

class TFormRotationAutomatiquePhotosVerticales final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormRotationAutomatiquePhotosVerticales(platform::ui::Application& application,
                                             Fiches& fiches);

    QLabel* Label4;
    QLabel* Label1;
    platform::ui::Edit* EditFichierSource;
    platform::ui::Button* Button1;
    platform::ui::CheckBox* CheckBoxCisSousDossiers;
    QLabel* LabelAttention;
    platform::ui::CheckBox* CheckBoxTauxDeCompressionAutomatique;
    QLabel* LabelTauxCompression;
    platform::ui::SpinEdit* SpinEdittauxCompression;
    platform::ui::CheckBox* CheckBoxConserverDateFichier;
    platform::ui::CheckBox* CheckBoxModifierProprieteOrientation;
    platform::ui::Button* ButtonModifierLesImages;
    platform::ui::Button* ButtonRevenirAOrigine;
    platform::ui::Memo* Memo1;
    QLabel* LabelAfficheNomFichierTraite;
    components::TScruteDossier ScruteDossier1;

    void FormCreate();
    void Button1Click();
    void ButtonModifierLesImagesClick();
    void ButtonRevenirAOrigineClick();
    void ModifierLesImagesClick();
    void ScruteDossier1Fichier(const std::string& nom);
    void ScruteDossier1FinExecute();
    void CheckBoxCisSousDossiersMouseUp();
    void CheckBoxTauxDeCompressionAutomatiqueClick();

    bool EnCours() const { return lot_.EnCours(); }

private:
    ModeRotation FMode = ModeRotation::Tourne;
    LotEnCours lot_;
    // The files the walk found, treated once it is over.
    std::vector<std::string> fichiers_;
};

}  // namespace app
