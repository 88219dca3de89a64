#include "app/form_options.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/fiches.h"
#include "app/form1.h"
#include "components/bitbtn_annule.h"
#include "components/svg_edit_ini.h"
#include "platform/ui/application.h"

namespace app {

using platform::ui::Button;
using platform::ui::Edit;
using platform::ui::Q;

namespace {

// Qualities the user types on the way to the one meant (the first digit of
// two) are not passed on.
constexpr int kQualiteMinPassee = 11;

}  // namespace

std::string SansBarreFinale(const std::string& dossier) {
    if (dossier.size() > 1 && dossier.back() == '/') return dossier.substr(0, dossier.size() - 1);
    return dossier;
}

TFormOptions::TFormOptions(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormOptions"), fiches_(fiches) {
    SetCaption("Options");
    resize(585, 529);
    setMinimumSize(316, 260);
    OnClose = [this](Form&, platform::ui::CloseAction& action) { FormClose(action); };

    auto* colonne = new QVBoxLayout(this);
    const auto etiquette = [&](const char* name, const char* texte) {
        auto* label = new QLabel(Q(texte), this);
        label->setObjectName(name);
        label->setWordWrap(true);
        colonne->addWidget(label);
        return label;
    };
    const auto rangee = [&](QWidget* gauche, QWidget* droite) {
        auto* ligne = new QHBoxLayout();
        ligne->addWidget(gauche, 1);
        ligne->addWidget(droite);
        colonne->addLayout(ligne);
    };

    Label1 = etiquette("Label1", "Sous dossier destination des photos \"à mettre de coté\"");
    EditDossierPhotoAMettreDeCote = new Edit(this, "EditDossierPhotoAMettreDeCote");
    EditDossierPhotoAMettreDeCote->setToolTip(
        Q("Sélection du dossier de destination des fichiers lors de l'action \"mettre de "
          "coté\""));
    BitBtnParcourir = new Button(this, "BitBtnParcourir", "Parcourir");
    rangee(EditDossierPhotoAMettreDeCote, BitBtnParcourir);
    CheckBoxVoirDestination = new platform::ui::CheckBox(
        this, "CheckBoxVoirDestination", "Voir la destination à chaque mise de coté");
    CheckBoxVoirDestination->setToolTip(
        Q("Affiche le chemin et le nom du fichier où la copie se fera"));
    CheckBoxVoirDestination->SetChecked(true);
    colonne->addWidget(CheckBoxVoirDestination);
    colonne->addSpacing(12);

    Label4 = etiquette("Label4", "Programme à ouvrir lors du clic sur le bouton 1 \"correction\"");
    EditProgALancerPourRetouches1 = new Edit(this, "EditProgALancerPourRetouches1");
    ButtonParcourirPourNomProgramme1 =
        new Button(this, "ButtonParcourirPourNomProgramme1", "Parcourir");
    rangee(EditProgALancerPourRetouches1, ButtonParcourirPourNomProgramme1);
    Label5 = etiquette("Label5", "Programme à ouvrir lors du clic sur la bouton 2 \"correction\"");
    EditProgALancerPourRetouches2 = new Edit(this, "EditProgALancerPourRetouches2");
    ButtonParcourirPourNomProgramme2 =
        new Button(this, "ButtonParcourirPourNomProgramme2", "Parcourir");
    rangee(EditProgALancerPourRetouches2, ButtonParcourirPourNomProgramme2);
    colonne->addSpacing(12);

    auto* qualite = new QHBoxLayout();
    Label2 = new QLabel(Q("Taux de compression à l'enregistrement des images :"), this);
    Label2->setObjectName("Label2");
    qualite->addWidget(Label2);
    SpinEditTauxCompressionJPG =
        new platform::ui::SpinEdit(this, "SpinEditTauxCompressionJPG", 20, 70, 70);
    SpinEditTauxCompressionJPG->setToolTip(
        Q("Plus le chiffre est petit plus l'image sera comprimée mais au détriment de la "
          "qualité de l'image."));
    qualite->addWidget(SpinEditTauxCompressionJPG);
    Label3 = new QLabel(Q("50 à 80 recommandé."), this);
    Label3->setObjectName("Label3");
    qualite->addWidget(Label3);
    qualite->addStretch(1);
    colonne->addLayout(qualite);
    colonne->addStretch(1);

    auto* boutons = new QHBoxLayout();
    boutons->addStretch(1);
    BitBtn1 = new Button(this, "BitBtn1", "OK", platform::ui::ModalResult::Ok);
    BitBtn1->setDefault(true);
    boutons->addWidget(BitBtn1);
    BitBtnAnnule1 = new components::TBitBtnAnnule(*this, this, "BitBtnAnnule1");
    boutons->addWidget(BitBtnAnnule1);
    colonne->addLayout(boutons);

    SvgEditIni1 = new components::TSvgEditIni(*this, "SvgEditIni1");
    SvgEditIni1->SauveRadioButton = false;

    BitBtnParcourir->OnClick = [this](Button&) { BitBtnParcourirClick(); };
    ButtonParcourirPourNomProgramme1->OnClick = [this](Button&) {
        ButtonParcourirPourNomProgramme1Click();
    };
    ButtonParcourirPourNomProgramme2->OnClick = [this](Button&) {
        ButtonParcourirPourNomProgramme2Click();
    };
    SpinEditTauxCompressionJPG->OnChange = [this](platform::ui::SpinEdit&) {
        SpinEditTauxCompressionJPGChange();
    };
    CenterOnScreen();
}

void TFormOptions::Loaded() {
    BitBtnAnnule1->Loaded();
    SvgEditIni1->Loaded();
}

void TFormOptions::BitBtnParcourirClick() {
    const std::optional<std::string> dossier = App().GetDialogs().SelectFolder(
        "choisissez votre dossier", EditDossierPhotoAMettreDeCote->Text());
    if (dossier) EditDossierPhotoAMettreDeCote->SetText(*dossier);
}

void TFormOptions::FormClose(platform::ui::CloseAction& /*action*/) {
    EditDossierPhotoAMettreDeCote->SetText(SansBarreFinale(EditDossierPhotoAMettreDeCote->Text()));
}

void TFormOptions::SpinEditTauxCompressionJPGChange() {
    const int qualite = SpinEditTauxCompressionJPG->Value();
    if (qualite >= kQualiteMinPassee) fiches_.Form1->Korvel1->SetCompressionQuality(qualite);
}

void TFormOptions::ChoisitProgramme(Edit& edit) {
    platform::ui::OpenFileRequest demande;
    demande.file_name = edit.Text();
    const std::optional<std::string> programme = App().GetDialogs().OpenFile(demande);
    if (programme) edit.SetText(*programme);
}

void TFormOptions::ButtonParcourirPourNomProgramme1Click() {
    ChoisitProgramme(*EditProgALancerPourRetouches1);
}

void TFormOptions::ButtonParcourirPourNomProgramme2Click() {
    ChoisitProgramme(*EditProgALancerPourRetouches2);
}

}  // namespace app
