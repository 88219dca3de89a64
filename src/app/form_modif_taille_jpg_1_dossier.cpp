#include "app/form_modif_taille_jpg_1_dossier.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/chemins.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

namespace app {

using platform::ui::Button;
using platform::ui::CheckBox;
using platform::ui::Q;
using platform::ui::SpinEdit;

TFormModifTailleJPG1Dossier::TFormModifTailleJPG1Dossier(platform::ui::Application& application,
                                                         Fiches& fiches)
    : Form(application, "FormModifTailleJPG1Dossier"), lot_(*this, fiches, ScruteDossier1) {
    SetCaption("Changement de taille des BMP et JPG");
    resize(527, 489);
    setMinimumSize(527, 489);
    auto* colonne = new QVBoxLayout(this);
    Label4 = new QLabel(Q("Changement de taille de tous les JPG et BMP d'un dossier"), this);
    Label4->setObjectName("Label4");
    QFont gras = Label4->font();
    gras.setBold(true);
    Label4->setFont(gras);
    colonne->addWidget(Label4);

    CheckBoxPasAgrandirImage =
        new CheckBox(this, "CheckBoxPasAgrandirImage", "Ne jamais agrandir l'image");
    CheckBoxPasAgrandirImage->SetChecked(true);
    CheckBoxPasAgrandirImage->setToolTip(
        Q("Pour ne pas agrandir les images dont la largeur et la hauteur son plus petite que "
          "la nouvelle taille"));
    colonne->addWidget(CheckBoxPasAgrandirImage);
    CheckBoxModifToujoursCompression =
        new CheckBox(this, "CheckBoxModifToujoursCompression",
                     "Modifier la compression des JPG même si pas de modification de taille");
    CheckBoxModifToujoursCompression->SetChecked(true);
    colonne->addWidget(CheckBoxModifToujoursCompression);

    auto* grille = new QGridLayout();
    grille->addWidget(new QLabel(Q("Compression JPG (100=très bonne qualité)"), this), 0, 0);
    SpinEdit3 = new SpinEdit(this, "SpinEdit3", 30, 100, 70);
    SpinEdit3->SetMaxLength(3);
    grille->addWidget(SpinEdit3, 0, 1);
    grille->addWidget(new QLabel(Q("Nouvelle taille (Plus grande taille)"), this), 1, 0);
    SpinPlusGrandeTaille = new SpinEdit(this, "SpinPlusGrandeTaille", 0, 65535, 3456);
    SpinPlusGrandeTaille->SetMaxLength(5);
    grille->addWidget(SpinPlusGrandeTaille, 1, 1);
    grille->setColumnStretch(2, 1);
    colonne->addLayout(grille);

    colonne->addWidget(new QLabel(Q("Sélectionner un des fichiers du dossier à traiter :"), this));
    auto* source = new QHBoxLayout();
    EditFichierSource = new platform::ui::Edit(this, "EditFichierSource");
    EditFichierSource->setEnabled(false);
    source->addWidget(EditFichierSource, 1);
    ButtonSelectionDossierSource = new Button(this, "ButtonSelectionDossierSource", "Parcourir");
    source->addWidget(ButtonSelectionDossierSource);
    colonne->addLayout(source);
    CheckBoxCisSousDossiers =
        new CheckBox(this, "CheckBoxCisSousDossiers", "Compris tous les sous-dossiers");
    colonne->addWidget(CheckBoxCisSousDossiers);
    LabelDanger = new QLabel(Q("Attention danger : cela changera tous les sous dossiers."), this);
    LabelDanger->setObjectName("LabelDanger");
    LabelDanger->setFont(gras);
    LabelDanger->setStyleSheet("color: red");
    LabelDanger->setWordWrap(true);
    colonne->addWidget(LabelDanger);
    CheckBoxBMP = new CheckBox(this, "CheckBoxBMP", "Modifier les BMP");
    colonne->addWidget(CheckBoxBMP);
    CheckBoxJPG = new CheckBox(this, "CheckBoxJPG", "Modifier les JPG");
    CheckBoxJPG->SetChecked(true);
    colonne->addWidget(CheckBoxJPG);
    colonne->addStretch(1);

    auto* boutons = new QHBoxLayout();
    Go = new Button(this, "Go", "Modifier les images");
    boutons->addWidget(Go);
    boutons->addStretch(1);
    BitBtn1 = new Button(this, "BitBtn1", "Fermer", platform::ui::ModalResult::Cancel);
    boutons->addWidget(BitBtn1);
    colonne->addLayout(boutons);
    LabelAfficheNomFichierTraite = new QLabel(this);
    LabelAfficheNomFichierTraite->setObjectName("LabelAfficheNomFichierTraite");
    LabelAfficheNomFichierTraite->setFont(gras);
    colonne->addWidget(LabelAfficheNomFichierTraite);

    ScruteDossier1.Filtre = "*.*";
    ScruteDossier1.SousDossier = false;
    ScruteDossier1.OnFichier = [this](components::TScruteDossier&, const std::string& nom) {
        ScruteDossier1Fichier(nom);
    };
    ScruteDossier1.OnFinExecute = [this](components::TScruteDossier&) {
        ScruteDossier1FinExecute();
    };
    lot_.Verrouille({Go, BitBtn1, ButtonSelectionDossierSource});

    ButtonSelectionDossierSource->OnClick = [this](Button&) {
        ButtonSelectionDossierSourceClick();
    };
    CheckBoxCisSousDossiers->OnMouseUp = [this](CheckBox&) { CheckBoxCisSousDossiersMouseUp(); };
    Go->OnClick = [this](Button&) { GoClick(); };
    OnCreate = [this](Form&) { FormCreate(); };
    CenterOnScreen();
}

ReglagesTaille TFormModifTailleJPG1Dossier::Reglages() const {
    ReglagesTaille r;
    r.taille = SpinPlusGrandeTaille->Value();
    r.qualite = SpinEdit3->Value();
    r.pas_agrandir = CheckBoxPasAgrandirImage->Checked();
    r.toujours_compresser = CheckBoxModifToujoursCompression->Checked();
    r.bmp = CheckBoxBMP->Checked();
    r.jpeg = CheckBoxJPG->Checked();
    return r;
}

void TFormModifTailleJPG1Dossier::FormCreate() {
    LabelDanger->setVisible(CheckBoxCisSousDossiers->Checked());
    LabelAfficheNomFichierTraite->clear();
}

void TFormModifTailleJPG1Dossier::ButtonSelectionDossierSourceClick() {
    platform::ui::OpenFileRequest demande;
    demande.filter = platform::PictureDialogFilter();
    const std::string actuel = EditFichierSource->Text();
    if (!actuel.empty()) {
        demande.initial_dir = PartieDossier(actuel);
        demande.file_name = actuel;
    }
    const std::optional<std::string> fichier = App().GetDialogs().OpenFile(demande);
    if (fichier) EditFichierSource->SetText(*fichier);
}

void TFormModifTailleJPG1Dossier::CheckBoxCisSousDossiersMouseUp() {
    if (CheckBoxCisSousDossiers->Checked() &&
        !App().GetDialogs().AskYesNo(
            "ATTENTION DANGER : toutes les images de tous les sous-dossiers seront modifiées")) {
        CheckBoxCisSousDossiers->SetChecked(false);
    }
    LabelDanger->setVisible(CheckBoxCisSousDossiers->Checked());
}

void TFormModifTailleJPG1Dossier::GoClick() {
    if (lot_.EnCours()) return;
    const std::string dossier = PartieDossier(EditFichierSource->Text());
    if (dossier.empty()) {
        App().GetDialogs().ShowMessage("Nom du dossier à traiter non valide");
        return;
    }
    lot_.Execute([&] {
        const bool sous_dossiers = CheckBoxCisSousDossiers->Checked();
        if (sous_dossiers &&
            !App().GetDialogs().AskYesNo("ATTENTION DANGER : toutes les images du dossier " +
                                         dossier + " et ses sous-dossiers seront modifiées")) {
            return;
        }
        fichiers_.clear();
        lot_.Scrute(dossier, sous_dossiers);

        RedimensionnementDossier travail;
        travail.reglages = Reglages();
        travail.OnFichier = [this](const std::string& nom) {
            LabelAfficheNomFichierTraite->setText(QString::fromStdString(
                "Dossier : " + PartieDossier(nom) +
                "\nFichier en cours de traitement : " + nom.substr(PartieDossier(nom).size())));
        };
        travail.OnReecrit = [this](const std::string& nom) { lot_.Reecrit(nom); };
        travail.TraiteMessages = lot_.TraiteMessages();
        const std::vector<std::string> fichiers = std::move(fichiers_);
        const std::vector<FichierIllisible> illisibles = travail.Traite(fichiers);
        LabelAfficheNomFichierTraite->clear();
        if (!illisibles.empty()) App().GetDialogs().ShowMessage(MessageIllisibles(illisibles));
    });
}

void TFormModifTailleJPG1Dossier::ScruteDossier1Fichier(const std::string& nom) {
    fichiers_.push_back(nom);
}

void TFormModifTailleJPG1Dossier::ScruteDossier1FinExecute() {
    LabelAfficheNomFichierTraite->clear();
}

}  // namespace app
