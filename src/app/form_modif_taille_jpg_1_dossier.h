// The folder resize dialog: every BMP and JPG file of a folder, and of its
// sub-folders when asked, is rewritten by RedimensionnementDossier so that
// its longer side gets the chosen size.
#pragma once

#include <QLabel>
#include <string>
#include <vector>

#include "app/lot_en_cours.h"
#include "app/modif_taille_dossier.h"
#include "components/scrute_dossier.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace app {

struct Fiches;

class TFormModifTailleJPG1Dossier final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormModifTailleJPG1Dossier(platform::ui::Application& application, Fiches& fiches);

    QLabel* Label4;
    platform::ui::CheckBox* CheckBoxPasAgrandirImage;
    platform::ui::CheckBox* CheckBoxModifToujoursCompression;
    platform::ui::SpinEdit* SpinEdit3;
    platform::ui::SpinEdit* SpinPlusGrandeTaille;
    platform::ui::Edit* EditFichierSource;
    platform::ui::Button* ButtonSelectionDossierSource;
    platform::ui::CheckBox* CheckBoxCisSousDossiers;
    QLabel* LabelDanger;
    platform::ui::CheckBox* CheckBoxBMP;
    platform::ui::CheckBox* CheckBoxJPG;
    platform::ui::Button* Go;
    platform::ui::Button* BitBtn1;
    QLabel* LabelAfficheNomFichierTraite;
    components::TScruteDossier ScruteDossier1;

    // The settings the controls set.
    ReglagesTaille Reglages() const;

    void FormCreate();
    void ButtonSelectionDossierSourceClick();
    void CheckBoxCisSousDossiersMouseUp();
    void GoClick();
    void ScruteDossier1Fichier(const std::string& nom);
    void ScruteDossier1FinExecute();

private:
    LotEnCours lot_;
    // The files the walk found, treated once it is over.
    std::vector<std::string> fichiers_;
};

}  // namespace app
