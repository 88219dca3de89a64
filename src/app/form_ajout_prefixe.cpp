#include "app/form_ajout_prefixe.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "app/chemins.h"
#include "components/svg_edit_ini.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

namespace app {

using platform::ui::Button;
using platform::ui::Q;
using platform::ui::RadioButton;

namespace {

// The sample name the preview and the confirmation show.
constexpr const char* kExemple = "jpg001.jpg";

QLabel* Titre(QWidget* parent, const char* nom, const char* texte) {
    auto* label = new QLabel(Q(texte), parent);
    label->setObjectName(nom);
    QFont police = label->font();
    police.setBold(true);
    police.setPointSize(police.pointSize() + 4);
    label->setFont(police);
    return label;
}

}  // namespace

TFormAjoutPrefixe::TFormAjoutPrefixe(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormAjoutPrefixe"), lot_(*this, fiches, ScruteDossier1) {
    SetCaption("Modifier le nom des fichiers");
    resize(469, 433);
    auto* colonne = new QVBoxLayout(this);
    Label1 = Titre(this, "Label1", "Choix du dossier");
    colonne->addWidget(Label1);
    auto* dossier = new QHBoxLayout();
    EditChoixDossier = new platform::ui::Edit(this, "EditChoixDossier");
    dossier->addWidget(EditChoixDossier, 1);
    BitBtn1 = new Button(this, "BitBtn1", "Parcourir");
    dossier->addWidget(BitBtn1);
    colonne->addLayout(dossier);

    auto* RadioGroup1 = new QGroupBox(this);
    RadioGroup1->setObjectName("RadioGroup1");
    auto* radios = new QHBoxLayout(RadioGroup1);
    RadioButtonPrefixe = new RadioButton(RadioGroup1, "RadioButtonPrefixe", "Préfixe");
    RadioButtonPrefixe->SetChecked(true);
    radios->addWidget(RadioButtonPrefixe);
    RadioButton2 = new RadioButton(RadioGroup1, "RadioButton2", "Suffixe");
    radios->addWidget(RadioButton2);
    colonne->addWidget(RadioGroup1);

    LabelChoixPrefix = Titre(this, "LabelChoixPrefix", "Choix du préfixe");
    colonne->addWidget(LabelChoixPrefix);
    auto* texte = new QHBoxLayout();
    EditTextePrefixe = new platform::ui::Edit(this, "EditTextePrefixe");
    texte->addWidget(EditTextePrefixe, 1);
    ComboBoxSeparateur = new platform::ui::ComboBox(this, "ComboBoxSeparateur");
    ComboBoxSeparateur->setEditable(true);
    ComboBoxSeparateur->SetItems({"%", "$", "£", "¤", ";", ","});
    ComboBoxSeparateur->setCurrentText(Q("$"));
    texte->addWidget(ComboBoxSeparateur);
    colonne->addLayout(texte);

    auto* apercu = new QHBoxLayout();
    Label2 = new QLabel(Q("Ex : jpg001.jpg devient :"), this);
    Label2->setObjectName("Label2");
    apercu->addWidget(Label2);
    LabelJpgDevient = new QLabel(Q("---------"), this);
    LabelJpgDevient->setObjectName("LabelJpgDevient");
    apercu->addWidget(LabelJpgDevient, 1);
    colonne->addLayout(apercu);
    colonne->addStretch(1);

    auto* boutons = new QHBoxLayout();
    boutons->addStretch(1);
    BitBtnOk = new Button(this, "BitBtnOk", "OK", platform::ui::ModalResult::Ok);
    BitBtnOk->setDefault(true);
    boutons->addWidget(BitBtnOk);
    BitBtnCancel = new Button(this, "BitBtnCancel", "Annuler", platform::ui::ModalResult::Cancel);
    SetCancelButton(BitBtnCancel);
    boutons->addWidget(BitBtnCancel);
    colonne->addLayout(boutons);

    ScruteDossier1.Filtre = platform::FormatMasks(platform::FormatUse::Listed, "JPEG");
    ScruteDossier1.SousDossier = false;
    ScruteDossier1.OnFichier = [this](components::TScruteDossier&, const std::string& nom) {
        ScruteDossier1Fichier(nom);
    };
    lot_.Verrouille({BitBtnOk, BitBtnCancel, BitBtn1});

    SvgEditIni1 = new components::TSvgEditIni(*this, "SvgEditIni1");
    SvgEditIni1->SauveCheckBox = false;
    SvgEditIni1->SauveSpinEdit = false;

    BitBtn1->OnClick = [this](Button&) { BitBtn1Click(); };
    BitBtnOk->OnClick = [this](Button&) { BitBtnOkClick(); };
    RadioButtonPrefixe->OnClick = [this](RadioButton&) { RadioButtonPrefixeClick(); };
    RadioButton2->OnClick = [this](RadioButton&) { RadioButton2Click(); };
    EditTextePrefixe->OnChange = [this](platform::ui::Edit&) { EditTextePrefixeChange(); };
    connect(ComboBoxSeparateur, &QComboBox::editTextChanged, this,
            [this] { App().Guard([this] { EditTextePrefixeChange(); }); });
    CenterOnScreen();
}

void TFormAjoutPrefixe::Loaded() {
    SvgEditIni1->Loaded();
}

AjoutPrefixe TFormAjoutPrefixe::Regle() const {
    AjoutPrefixe regle;
    regle.prefixe = RadioButtonPrefixe->Checked();
    regle.texte = EditTextePrefixe->Text();
    regle.separateur = ComboBoxSeparateur->currentText().toStdString();
    return regle;
}

void TFormAjoutPrefixe::RadioButtonPrefixeClick() {
    LabelChoixPrefix->setText(Q("Choix du préfixe"));
    EditTextePrefixeChange();
}

void TFormAjoutPrefixe::RadioButton2Click() {
    LabelChoixPrefix->setText(Q("Choix du suffixe"));
    EditTextePrefixeChange();
}

void TFormAjoutPrefixe::EditTextePrefixeChange() {
    LabelJpgDevient->setText(QString::fromStdString(NouveauNom(kExemple)));
}

void TFormAjoutPrefixe::BitBtn1Click() {
    platform::ui::OpenFileRequest demande;
    demande.filter = platform::PictureDialogFilter();
    const std::optional<std::string> fichier = App().GetDialogs().OpenFile(demande);
    if (fichier) EditChoixDossier->SetText(*fichier);
}

void TFormAjoutPrefixe::ScruteDossier1Fichier(const std::string& nom) {
    FListe.push_back(nom);
}

void TFormAjoutPrefixe::BitBtnOkClick() {
    if (lot_.EnCours()) return;
    const std::string dossier = PartieDossier(EditChoixDossier->Text());
    const AjoutPrefixe regle = Regle();
    if (const std::optional<std::string> refus = regle.Refus(dossier)) {
        App().GetDialogs().ShowMessage(*refus);
        return;
    }
    if (!App().GetDialogs().AskYesNo("Renommer tous les fichiers jpg du dossier \n" + dossier +
                                     "\n sous la forme " + regle.NouveauNom(kExemple) + " ?")) {
        return;
    }
    lot_.Execute([&] {
        FListe.clear();
        lot_.Scrute(dossier, false);
        lot_.RechargeDossier();
        const std::vector<std::string> restes = regle.Renomme(FListe);
        for (const std::string& nom : FListe) {
            const std::string nouveau = regle.NouveauNom(nom);
            if (nouveau != nom && std::find(restes.begin(), restes.end(), nom) == restes.end())
                lot_.Renomme(nom, nouveau);
        }
        if (!restes.empty()) App().GetDialogs().ShowMessage(MessageNonRenommes(restes));
    });
}

}  // namespace app
