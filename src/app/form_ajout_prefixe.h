// The renaming dialog: every ".jpg" file lying directly in a folder gets a
// prefix or a suffix (AjoutPrefixe), after a confirmation; the main window
// then loads its folder again.
#pragma once

#include <QLabel>
#include <string>
#include <vector>

#include "app/ajout_prefixe.h"
#include "app/lot_en_cours.h"
#include "components/scrute_dossier.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace components {
class TSvgEditIni;
}

namespace app {

struct Fiches;

class TFormAjoutPrefixe final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormAjoutPrefixe(platform::ui::Application& application, Fiches& fiches);

    QLabel* Label1;
    platform::ui::Edit* EditChoixDossier;
    platform::ui::Button* BitBtn1;
    platform::ui::RadioButton* RadioButtonPrefixe;
    platform::ui::RadioButton* RadioButton2;
    QLabel* LabelChoixPrefix;
    platform::ui::Edit* EditTextePrefixe;
    platform::ui::ComboBox* ComboBoxSeparateur;
    QLabel* Label2;
    QLabel* LabelJpgDevient;
    platform::ui::Button* BitBtnOk;
    platform::ui::Button* BitBtnCancel;
    components::TScruteDossier ScruteDossier1;
    components::TSvgEditIni* SvgEditIni1;

    // The rule the controls set.
    AjoutPrefixe Regle() const;
    std::string NouveauNom(const std::string& chemin) const { return Regle().NouveauNom(chemin); }

    void RadioButtonPrefixeClick();
    void RadioButton2Click();
    void EditTextePrefixeChange();
    void BitBtn1Click();
    void ScruteDossier1Fichier(const std::string& nom);
    void BitBtnOkClick();

protected:
    void Loaded() override;

private:
    LotEnCours lot_;
    std::vector<std::string> FListe;
};

}  // namespace app
